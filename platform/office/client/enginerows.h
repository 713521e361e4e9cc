#pragma once

#include <QString>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/office/client/officeclient.h"

class EngineParent;

// One row opened and exported ahead on an engine of its own, and what
// became of the open, of the export into `target`, and of closing and
// quitting: an engine whose export was complete is ended at once, so it
// holds no memory while the row waits; otherwise `helper` keeps it (when
// the open worked), as the failure left it.
struct AheadRow {
    int row = 0;
    QString path;
    QString target;
    std::unique_ptr<OfficeHelper> helper;
    std::exception_ptr openFailure;
    std::exception_ptr saveFailure;
    int slides = 0;  // as counted at open
    QStringList linksLeftOut;
    int saved = 0;
    qint64 stagedBytes = 0;  // of the slides it left in its folder
    // Engines started again for the row because one gave no answer, counted
    // here once the row's engine is ended ahead.
    int startRetries = 0;
    bool ended = false;  // closed and quit after a complete export
    std::exception_ptr closeFailure;
    std::exception_ptr quitFailure;
};

// Gives the slides exported ahead to `target` as if the row's engine had
// exported them there just now: they are renamed into place, whole or as far
// as the export got, and a failure met ahead is thrown naming `target`.
// False when they could not be moved, so they must be exported afresh.
bool DeliverAhead(AheadRow& ahead, const QString& target);

// The engines of one run's rows: each row gets a fresh engine forked from
// `parent`, and up to `jobs` of them work at once, rows ahead of the one in
// hand each opened and exported on a thread of their own into the folder
// `aheadTarget(row)` names. Rows are taken up in list order; a row exported
// ahead and waiting for its turn holds no engine, and a few of those may wait.
// Rows started ahead beyond the free engines queue, and an engine that ends
// hands its place to the next of them at once, whatever the program is doing.
class EngineRows {
  public:
    EngineRows(EngineParent& parent, int jobs, std::function<QString(int row)> aheadTarget);
    // Engines of rows nobody took up are stopped, not waited for.
    ~EngineRows();
    EngineRows(const EngineRows&) = delete;
    EngineRows& operator=(const EngineRows&) = delete;

    // Whether no other row may be started ahead now.
    bool full();
    // Called while take() waits for its row, whenever an engine ahead is done,
    // so the place it frees is taken by the next row at once.
    void setRefill(std::function<void()> refill) { refill_ = std::move(refill); }
    // The last row started ahead, or 0.
    int lastStarted() const { return lastStarted_; }
    // Starts opening and exporting row `row` (after lastStarted()) ahead, at
    // once or as soon as an engine is free.
    void startAhead(int row, const QString& path);
    // Row `row`'s work when it was started for `path`, finished; null when
    // it was not started, or was started for another path (that one is
    // stopped and dropped without waiting).
    std::unique_ptr<AheadRow> take(int row, const QString& path);
    // A fresh engine for a row done in turn, for the presentation `path`.
    // Throws Failure.
    std::unique_ptr<OfficeHelper> engine(const QString& path);
    // The row is done with `helper`: it is ended.
    void release(std::unique_ptr<OfficeHelper> helper);
    // Engines started again so far because one gave no answer, counted for
    // each row when it is taken up or its engine released.
    int startRetries() const { return startRetries_; }

  private:
    // Rows done ahead wait for their turn with their slides on disk: enough of
    // them for the other engines to go on past a row that takes long, within
    // a bound on the disk they take.
    static constexpr int RowsWaitingAhead = 16;
    static constexpr qint64 BytesWaitingAhead = qint64(1) << 30;
    struct Work {
        std::unique_ptr<AheadRow> row;
        std::thread thread;
        bool started = false;   // under mutex_
        bool noThread = false;  // none could be started: the row is opened in its turn
        std::atomic<bool> done{false};
        std::atomic<bool> stopped{false};
        std::atomic<int> listing{-1};
        std::atomic<pid_t> pid{0};
    };
    void run(Work& work);
    void runRow(Work& work);
    // Under mutex_: engines in use, and the slides of rows done and waiting.
    int enginesInUse() const;
    qint64 bytesWaiting() const;
    // Under mutex_: starts queued rows while engines are free.
    void startQueued();
    void startLocked(Work& work);
    // Waits until `work` is done, refilling the places rows ahead free meanwhile.
    void waitFor(Work& work);
    void stop(std::unique_ptr<Work> work);
    void collectStopped(bool all);
    QString staging() const;

    EngineParent& parent_;
    int jobs_;
    std::function<QString(int)> aheadTarget_;
    // The rows' threads start queued rows, so what they look at is under mutex_.
    mutable std::mutex mutex_;
    std::deque<std::unique_ptr<Work>> ahead_;
    std::vector<std::unique_ptr<Work>> stopped_;
    int held_ = 0;  // engines given to rows and not yet released
    int lastStarted_ = 0;
    int startRetries_ = 0;
    std::function<void()> refill_;
    std::condition_variable doneChanged_;
    int finished_ = 0;  // rows ahead done so far
};
