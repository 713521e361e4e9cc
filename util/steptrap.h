#pragma once

#include <QList>
#include <QString>
#include <utility>

#include "util/failure.h"
#include "util/prompts.h"

// Support address named at the end of every error report.
inline constexpr const char* SupportEmail = "support@quillmoor.invalid";

// Where an error report says it happened: the window's handler by name.
QString HandlerLocationTag(const char* handler);

// The one error report: description, location and step, and the support line.
QString ErrorReportText(const QString& description, const QString& locationTag, int step);
void ShowErrorReport(Prompts& prompts, const QString& description, const QString& locationTag,
                     int step);

// One trapped failure: the step that failed and what the failure said.
struct StepReport {
    int step = 0;
    QString description;
};

// Runs the numbered steps of one reporting operation. A step that fails is
// reported and skipped; a test that fails is reported and counts as passed, so
// the guarded block still runs. The operation never stops early.
class StepTrap {
  public:
    StepTrap(Prompts& prompts, QString locationTag)
        : prompts_(prompts), locationTag_(std::move(locationTag)) {}

    template <typename Body>
    void step(int number, Body&& body) {
        current_ = number;
        try {
            std::forward<Body>(body)();
        } catch (...) {
            report();
        }
    }

    template <typename Condition>
    bool test(int number, Condition&& condition) {
        current_ = number;
        try {
            return std::forward<Condition>(condition)();
        } catch (...) {
            report();
            return true;
        }
    }

    int current() const { return current_; }
    // How many failures this operation has reported so far.
    int failures() const { return int(reports_.size()); }
    // Every failure reported so far, in order, kept whether or not the user saw it.
    const QList<StepReport>& reports() const { return reports_; }
    const QString& locationTag() const { return locationTag_; }
    Prompts& prompts() { return prompts_; }

  private:
    void report();

    Prompts& prompts_;
    QString locationTag_;
    int current_ = 0;
    QList<StepReport> reports_;
};
