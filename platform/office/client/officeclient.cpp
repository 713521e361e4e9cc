#include "platform/office/client/officeclient.h"

#include <QFile>
#include <QFileInfo>
#include <vector>

#include "platform/office/client/engineparent.h"
#include "platform/office/protocol.h"
#include "util/failure.h"
#include "util/programfolder.h"

QString DefaultHelperProgram() {
    return ProgramFolder() + QStringLiteral("/quillmoor-office");
}

static std::string encoded(const QString& text) {
    return QFile::encodeName(text).toStdString();
}

static QString seconds(int ms) {
    return QString::number((ms + 999) / 1000);
}

// The file a failed call was about, as the end of its description.
static QString aboutSubject(const QString& subject) {
    return subject.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(subject);
}

static QString absolute(const QString& path) {
    return path.isEmpty() ? path : QFileInfo(path).absoluteFilePath();
}

OfficeHelper::OfficeHelper(const HelperOptions& options) : options_(options) {
    if (options_.program.isEmpty()) options_.program = DefaultHelperProgram();
    std::vector<std::string> arguments;
    for (const QString& argument : options_.arguments) arguments.push_back(encoded(argument));
    try {
        process_ = std::make_unique<HelperProcess>(encoded(options_.program), arguments);
    } catch (const std::exception& error) {
        throw Failure(QStringLiteral("The presentation engine helper %1 cannot be started: %2")
                          .arg(options_.program, QString::fromLocal8Bit(error.what())));
    }
    pending_.push_back({"Start", options_.limits.startMs});
}

OfficeHelper::OfficeHelper(EngineParent& parent, const QString& deck, const QString& staging)
    : options_(parent.options()),
      parent_(&parent),
      deck_(deck.isEmpty() ? std::string() : encoded(absolute(deck))),
      staging_(staging.isEmpty() ? std::string() : encoded(absolute(staging))) {
    process_ = parent.fork(deck_, staging_);
    pending_.push_back({"Start", options_.limits.engineStartMs});
}

OfficeHelper::~OfficeHelper() = default;

// The number an "ok" answer carries; anything else means the helper is not ours.
int OfficeHelper::countFrom(const std::string& value, const char* call) {
    try {
        size_t used = 0;
        const int count = std::stoi(value, &used);
        if (used == value.size() && count >= 0) return count;
    } catch (const std::exception&) {
    }
    fail(QStringLiteral("%1: the presentation engine gave an unreadable answer")
             .arg(QLatin1String(call)));
}

void OfficeHelper::fail(const QString& description) {
    if (process_) process_->kill();
    open_ = false;
    throw Failure(description);
}

// Reads the answer to one call; "ok" gives its value, "error" throws Failure
// with the engine's description.
std::string OfficeHelper::answer(const std::string& name, int limitMs, const QString& subject) {
    const QString call = QString::fromStdString(name);
    const QString about = aboutSubject(subject);
    std::string line;
    timedOut_ = false;
    switch (process_->readLine(line, limitMs)) {
        case HelperProcess::Read::TimedOut:
            timedOut_ = true;
            fail(
                QStringLiteral(
                    "%1: the presentation engine gave no answer within %2 seconds and was stopped%3")
                    .arg(call, seconds(limitMs), about));
        case HelperProcess::Read::Ended: {
            const QString ending = QString::fromStdString(process_->waitForExit(1000));
            fail(QStringLiteral("%1: the presentation engine ended unexpectedly (%2)%3")
                     .arg(call, ending, about));
        }
        case HelperProcess::Read::Line:
            break;
    }
    std::vector<std::string> fields;
    if (!DecodeLine(line, fields) || fields.empty())
        fail(QStringLiteral("%1: the presentation engine gave an unreadable answer").arg(call));
    if (fields[0] == "error") {
        const QString description =
            fields.size() > 1 ? QString::fromStdString(fields[1]) : QString();
        throw Failure(description.isEmpty()
                          ? QStringLiteral("%1: the presentation engine failed").arg(call)
                          : description);
    }
    if (fields[0] != "ok" && fields[0] != "ready")
        fail(QStringLiteral("%1: the presentation engine gave an unreadable answer").arg(call));
    further_.assign(fields.size() > 2 ? fields.begin() + 2 : fields.end(), fields.end());
    return fields.size() > 1 ? fields[1] : std::string();
}

void OfficeHelper::drainPending() {
    while (!pending_.empty()) {
        const Pending next = pending_.front();
        pending_.erase(pending_.begin());
        try {
            answer(next.call, next.limitMs, QString());
        } catch (const Failure& failure) {
            // A helper that failed to start or warm is no use for the call in hand.
            pending_.clear();
            if (process_) process_->kill();
            if (next.call != "Start" || !parent_) throw;
            // A start that hangs is LibreOffice's, not the presentation's: a
            // fresh engine gets one more try.
            if (startRetries_ == 0 && timedOut_) {
                ++startRetries_;
                process_.reset();
                process_ = parent_->fork(deck_, staging_);
                pending_.push_back({"Start", options_.limits.engineStartMs});
                continue;
            }
            if (startRetries_ == 0) throw;
            throw Failure(failure.description() + QStringLiteral("; the engine was started twice"));
        }
    }
}

void OfficeHelper::requireRunning(const std::string& name) {
    if (!running())
        throw Failure(QStringLiteral("%1: the presentation engine is not running")
                          .arg(QString::fromStdString(name)));
}

std::string OfficeHelper::call(const std::string& name, const std::string& command,
                               const std::string& argument, int limitMs, const QString& subject,
                               const std::string& option) {
    requireRunning(name);
    drainPending();
    std::vector<std::string> fields{command};
    if (!argument.empty()) fields.push_back(argument);
    if (!option.empty()) fields.push_back(option);
    if (!process_->sendLine(EncodeLine(fields))) {
        const QString ending = QString::fromStdString(process_->waitForExit(1000));
        fail(QStringLiteral("%1: the presentation engine ended unexpectedly (%2)%3")
                 .arg(QString::fromStdString(name), ending, aboutSubject(subject)));
    }
    return answer(name, limitMs, subject);
}

void OfficeHelper::warm() {
    requireRunning("Warm");
    if (!process_->sendLine(EncodeLine({"warm"}))) return;  // found out by the next call
    pending_.push_back({"Warm", options_.limits.warmMs});
}

void OfficeHelper::ready() {
    requireRunning("Start");
    drainPending();
}

int OfficeHelper::open(const QString& path) {
    const QString full = absolute(path);
    open_ = false;
    ++opens_;
    const std::string count = call("Open", "open", encoded(full), options_.limits.openMs, full);
    slides_ = countFrom(count, "Open");
    linksLeftOut_.clear();
    for (const std::string& note : further_) linksLeftOut_ << QString::fromStdString(note);
    lastOpened_ = full;
    open_ = true;
    return slides_;
}

int OfficeHelper::slideCount() {
    if (!open_) throw Failure(QStringLiteral("SlideCount: no presentation is open"));
    return countFrom(call("SlideCount", "count", {}, options_.limits.closeMs, {}), "SlideCount");
}

int OfficeHelper::saveAs(const QString& target) {
    if (!open_) throw Failure(QStringLiteral("SaveAs: no presentation is open"));
    const QString full = absolute(target);
    const int limit = options_.limits.saveAsBaseMs + options_.limits.saveAsPerSlideMs * slides_;
    return countFrom(call("SaveAs", "saveas", encoded(full), limit, full,
                          options_.slideFacts ? "facts" : std::string()),
                     "SaveAs");
}

void OfficeHelper::close() {
    if (!open_) throw Failure(QStringLiteral("Close: no presentation is open"));
    open_ = false;
    call("Close", "close", {}, options_.limits.closeMs, {});
}

void OfficeHelper::quit() {
    requireRunning("Quit");
    open_ = false;
    // Whatever is still queued needs no answer any more.
    pending_.clear();
    if (process_->sendLine(EncodeLine({"quit"}))) {
        std::string line;
        process_->readLine(line, options_.limits.quitMs);
    }
    process_->waitForExit(options_.limits.quitMs);
}

void OfficeHelper::kill() {
    open_ = false;
    if (process_) process_->kill();
}

void ProbeHelper(const HelperOptions& options) {
    EngineParent parent(options);
    OfficeHelper helper(parent);
    helper.ready();
    helper.quit();
}
