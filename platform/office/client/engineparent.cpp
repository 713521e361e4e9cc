#include "platform/office/client/engineparent.h"

#include <sys/socket.h>

#include <QFile>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <stdexcept>
#include <vector>

#include "platform/office/protocol.h"
#include "util/failure.h"
#include "util/systemerror.h"

static QString seconds(int ms) {
    return QString::number((ms + 999) / 1000);
}

// The parent process and the requests made to it, one at a time.
struct EngineParent::Link {
    // Requests and their answers, one at a time; never held while the
    // parent's first start is awaited.
    std::mutex mutex;
    std::condition_variable startedOrFailed;
    // Not started: nobody has asked for an engine yet.
    enum class State { NotStarted, Starting, Ready, Failed };
    State state = State::NotStarted;
    QString startFailure;
    std::unique_ptr<HelperProcess> process;
    pid_t spawned = -1;
    HelperLimits limits;

    // Why the parent is gone, as the end of an engine's description.
    std::string gone() { return "its parent process ended: " + process->waitForExit(1000); }

    // The answer's value; a refusal or a failure throws Failure, and a
    // failure ends the parent.
    std::string answer(const char* call, int limitMs) {
        std::string line;
        switch (process->readLine(line, limitMs)) {
            case HelperProcess::Read::TimedOut:
                process->kill();
                throw Failure(
                    QStringLiteral(
                        "%1: the presentation engine gave no answer within %2 seconds and was stopped")
                        .arg(QLatin1String(call), seconds(limitMs)));
            case HelperProcess::Read::Ended:
                throw Failure(QStringLiteral("%1: the presentation engine ended unexpectedly (%2)")
                                  .arg(QLatin1String(call), QString::fromStdString(gone())));
            case HelperProcess::Read::Line:
                break;
        }
        std::vector<std::string> fields;
        if (!DecodeLine(line, fields) || fields.empty() ||
            (fields[0] != "ok" && fields[0] != "ready" && fields[0] != "error")) {
            process->kill();
            throw Failure(QStringLiteral("%1: the presentation engine gave an unreadable answer")
                              .arg(QLatin1String(call)));
        }
        if (fields[0] == "error") {
            const QString description =
                fields.size() > 1 ? QString::fromStdString(fields[1]) : QString();
            throw Failure(
                description.isEmpty()
                    ? QStringLiteral("%1: the presentation engine failed").arg(QLatin1String(call))
                    : description);
        }
        return fields.size() > 1 ? fields[1] : std::string();
    }

    // Waits for the parent's first answer without holding `mutex`: one
    // caller reads it, the others wait for what it found. `lock` holds `mutex`.
    void awaitReady(std::unique_lock<std::mutex>& lock) {
        startedOrFailed.wait(lock, [&] { return state != State::Starting; });
        if (state == State::Ready) return;
        if (state == State::Failed) throw Failure(startFailure);
        state = State::Starting;
        lock.unlock();
        QString failure;
        try {
            answer("Start", limits.startMs);
        } catch (const Failure& error) {
            // A parent that cannot start is no use: a later request starts another.
            process->kill();
            failure = error.description();
        }
        lock.lock();
        state = failure.isEmpty() ? State::Ready : State::Failed;
        startFailure = failure;
        startedOrFailed.notify_all();
        if (state == State::Failed) throw Failure(startFailure);
    }

    // Whether it may still serve: not failed nor found ended. Takes `mutex`.
    bool serving() {
        const std::lock_guard<std::mutex> lock(mutex);
        if (state == State::Failed) return false;
        return state != State::Ready ? true : process->running();
    }

    std::string reap(pid_t pid) {
        const std::lock_guard<std::mutex> lock(mutex);
        if (!process->running() || !process->sendLine(EncodeLine({"reap", std::to_string(pid)})))
            return gone();
        try {
            const std::string status = answer("Reap", limits.quitMs);
            size_t used = 0;
            const int value = std::stoi(status, &used);
            return used == status.size() ? DescribeWaitStatus(value) : std::string("ended");
        } catch (const std::exception&) {
            return process->running() ? std::string("ended") : gone();
        }
    }
};

EngineParent::EngineParent(const HelperOptions& options) : options_(options) {
    if (options_.program.isEmpty()) options_.program = DefaultHelperProgram();
    try {
        const std::lock_guard<std::mutex> lock(mutex_);
        pid();
    } catch (const Failure&) {
        // Said again by the first engine asked for.
    }
}

EngineParent::~EngineParent() = default;

pid_t EngineParent::pid() {
    if (link_ && link_->serving()) return link_->spawned;
    auto link = std::make_shared<Link>();
    link->limits = options_.limits;
    std::vector<std::string> arguments{"parent"};
    for (const QString& argument : options_.arguments)
        arguments.push_back(QFile::encodeName(argument).toStdString());
    try {
        link->process = std::make_unique<HelperProcess>(
            QFile::encodeName(options_.program).toStdString(), arguments);
    } catch (const std::exception& error) {
        link_.reset();
        throw Failure(QStringLiteral("The presentation engine helper %1 cannot be started: %2")
                          .arg(options_.program, QString::fromLocal8Bit(error.what())));
    }
    link->spawned = link->process->pid();
    link_ = std::move(link);
    return link_->spawned;
}

std::unique_ptr<HelperProcess> EngineParent::fork(const std::string& deck,
                                                  const std::string& staging) {
    // A parent that ended since its last engine is replaced once.
    for (int attempt = 0;; ++attempt) {
        std::shared_ptr<Link> link;
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            pid();
            link = link_;
        }
        OwnedFd ours;
        int pid = 0;
        pid_t parentPid = -1;
        {
            std::unique_lock<std::mutex> lock(link->mutex);
            if (link->state == Link::State::Ready && !link->process->running() && attempt == 0)
                continue;
            link->awaitReady(lock);
            parentPid = link->process->pid();
            int pair[2];
            if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0)
                throw Failure(QStringLiteral("Start: no socket for the presentation engine: %1")
                                  .arg(QString::fromLocal8Bit(SystemErrorText(errno))));
            ours.reset(pair[0]);
            OwnedFd theirs(pair[1]);
            const bool sent =
                link->process->sendLineWithFd(EncodeLine({"fork", deck, staging}), theirs.get());
            theirs.reset();
            std::string answer;
            try {
                if (!sent)
                    throw Failure(
                        QStringLiteral("Start: the presentation engine ended unexpectedly (%1)")
                            .arg(QString::fromStdString(link->gone())));
                // A started parent answers a fork at once.
                answer = link->answer("Start", link->limits.engineStartMs);
            } catch (const Failure&) {
                if (attempt == 0 && !link->process->running()) continue;
                throw;
            }
            size_t used = 0;
            try {
                pid = std::stoi(answer, &used);
            } catch (const std::exception&) {
            }
            if (pid <= 0 || used != answer.size()) {
                link->process->kill();
                throw Failure(
                    QStringLiteral("Start: the presentation engine gave an unreadable answer"));
            }
        }
        try {
            return std::make_unique<HelperProcess>(
                pid, parentPid, std::move(ours),
                [link](pid_t engine) { return link->reap(engine); });
        } catch (const std::exception& error) {
            throw Failure(QStringLiteral("Start: %1").arg(QString::fromLocal8Bit(error.what())));
        }
    }
}
