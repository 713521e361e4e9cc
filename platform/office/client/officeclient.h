#pragma once

#include <QString>
#include <QStringList>
#include <memory>
#include <string>

#include "platform/office/client/helperprocess.h"

// How long each call to the helper may take before it is killed, in
// milliseconds. Open and save-as are generous; save-as grows with the slides.
struct HelperLimits {
    int startMs = 120'000;  // the first start on a new profile creates it
    // An engine forked from a started parent is warm in a fraction of a
    // second; one that does not answer is replaced once.
    int engineStartMs = 10'000;
    int warmMs = 60'000;
    int openMs = 300'000;
    int saveAsBaseMs = 120'000;
    int saveAsPerSlideMs = 20'000;
    int closeMs = 60'000;
    int quitMs = 15'000;
};

struct HelperOptions {
    QString program;  // empty: quillmoor-office beside the running program
    QStringList arguments;
    // Each export also leaves the presentation's slide facts beside its slides.
    bool slideFacts = false;
    HelperLimits limits;
};

// The helper beside the running program.
QString DefaultHelperProgram();

class EngineParent;

// One engine process holding at most one presentation. Calls block
// until the answer comes or the call's time limit passes; a time-out or a
// crash kills the helper and throws Failure saying so. Failures the engine
// reports (a file that is no presentation...) throw Failure with its
// description and leave the helper running.
class OfficeHelper {
  public:
    // Starts a process of its own; its start-up is awaited by the first call.
    explicit OfficeHelper(const HelperOptions& options = {});
    // Has `parent` fork one, warmed before it answers; its start-up is
    // awaited by the first call, and one that gives no answer within the
    // engine start limit is ended and replaced once. Throws Failure when
    // none can be had. It can read only `deck`'s folder and write only
    // `staging` (and its own profile); without a deck it opens only the
    // built-in presentation.
    explicit OfficeHelper(EngineParent& parent, const QString& deck = {},
                          const QString& staging = {});
    ~OfficeHelper();
    OfficeHelper(const OfficeHelper&) = delete;
    OfficeHelper& operator=(const OfficeHelper&) = delete;

    // Queues loading the built-in presentation, so the engine is warm when
    // the first real file comes; the answer is awaited by the next call.
    void warm();
    // Waits for start-up and any queued warming; throws Failure on failure.
    void ready();

    int open(const QString& path);
    int slideCount();
    int saveAs(const QString& target);
    void close();
    void quit();
    void kill();

    bool running() const { return process_ && process_->running(); }
    bool hasPresentation() const { return open_; }
    // Slides of the open presentation, as counted when it was opened.
    int openSlides() const { return open_ ? slides_ : 0; }
    // The absolute path of the last presentation it opened, closed since or
    // not; empty before the first.
    const QString& lastOpened() const { return lastOpened_; }
    // One line for each link the last presentation opened lost: its target and why.
    const QStringList& linksLeftOut() const { return linksLeftOut_; }
    // Presentations it was asked to open, refused ones included.
    int opens() const { return opens_; }
    // Engines started again because the first gave no answer: 0 or 1.
    int startRetries() const { return startRetries_; }
    pid_t pid() const { return process_ ? process_->pid() : -1; }
    // Its place in the table of live processes, for InterruptHelper.
    int listing() const { return process_ ? process_->listing() : -1; }

  private:
    struct Pending {
        std::string call;
        int limitMs;
    };
    std::string call(const std::string& name, const std::string& command,
                     const std::string& argument, int limitMs, const QString& subject,
                     const std::string& option = {});
    std::string answer(const std::string& name, int limitMs, const QString& subject);
    void drainPending();
    [[noreturn]] void fail(const QString& description);
    int countFrom(const std::string& value, const char* call);
    void requireRunning(const std::string& name);

    HelperOptions options_;
    EngineParent* parent_ = nullptr;
    std::string deck_;  // as the fork request names them
    std::string staging_;
    std::unique_ptr<HelperProcess> process_;
    std::vector<Pending> pending_;
    bool open_ = false;
    int slides_ = 0;
    QString lastOpened_;
    QStringList linksLeftOut_;
    std::vector<std::string> further_;  // the last answer's fields after its value
    int opens_ = 0;
    int startRetries_ = 0;
    bool timedOut_ = false;  // the last answer did not come in time
};

// Starts the engine parent, has it fork an engine that loads and paints the
// built-in presentation, and ends both: throws Failure with the reason when
// the engine cannot be used.
void ProbeHelper(const HelperOptions& options = {});
