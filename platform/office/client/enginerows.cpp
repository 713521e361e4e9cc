#include "platform/office/client/enginerows.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cstdio>

#include "platform/office/client/engineparent.h"
#include "util/failure.h"

// The folder a ".bmp" export target names; empty for any other target.
static QString folderOf(const QString& target) {
    if (!target.endsWith(QStringLiteral(".bmp"), Qt::CaseInsensitive) || target.size() < 5)
        return {};
    return QFileInfo(target).absoluteFilePath().chopped(4);
}

static bool renamed(const QString& from, const QString& to) {
    return std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
}

// Moves every file of `from` into `to`: the folder itself when `to` is
// missing or empty (one rename for all), else file by file.
static bool moveSlides(const QString& from, const QString& to) {
    if (from.isEmpty() || to.isEmpty() || !QFileInfo(from).isDir()) return false;
    if (renamed(from, to)) return true;
    if (!QDir(to).exists() && !QDir().mkdir(to)) return false;
    bool moved = true;
    for (const QString& name : QDir(from).entryList(QDir::Files | QDir::Hidden | QDir::System))
        moved = renamed(from + QLatin1Char('/') + name, to + QLatin1Char('/') + name) && moved;
    return moved;
}

bool DeliverAhead(AheadRow& ahead, const QString& target) {
    const QString from = folderOf(ahead.target);
    const QString to = folderOf(target);
    const bool moved = moveSlides(from, to);
    if (ahead.saveFailure) {
        try {
            std::rethrow_exception(ahead.saveFailure);
        } catch (const Failure& failure) {
            QString description = failure.description();
            if (!from.isEmpty() && !to.isEmpty()) description.replace(from, to);
            throw Failure(description);
        }
    }
    return moved;
}

EngineRows::EngineRows(EngineParent& parent, int jobs, std::function<QString(int)> aheadTarget)
    : parent_(parent), jobs_(jobs < 1 ? 1 : jobs), aheadTarget_(std::move(aheadTarget)) {}

EngineRows::~EngineRows() {
    // Out of the queue at once, so no row's thread starts another meanwhile.
    std::deque<std::unique_ptr<Work>> left;
    {
        const std::lock_guard lock(mutex_);
        left.swap(ahead_);
    }
    for (auto& work : left) stop(std::move(work));
    collectStopped(true);
}

void EngineRows::collectStopped(bool all) {
    std::vector<std::unique_ptr<Work>> ended;
    {
        std::unique_lock lock(mutex_);
        if (all)
            doneChanged_.wait(lock, [&] {
                return std::all_of(stopped_.begin(), stopped_.end(),
                                   [](const auto& work) { return work->done.load(); });
            });
        for (auto it = stopped_.begin(); it != stopped_.end();) {
            if ((*it)->done) {
                ended.push_back(std::move(*it));
                it = stopped_.erase(it);
            } else {
                ++it;
            }
        }
    }
    // Joined without the lock: a thread ends by taking it once more.
    for (const auto& work : ended)
        if (work->thread.joinable()) work->thread.join();
}

int EngineRows::enginesInUse() const {
    // A row done holds an engine only when its export failed and kept it.
    const auto holds = [](const std::unique_ptr<Work>& work) {
        return work->started && (!work->done || work->row->helper);
    };
    return held_ + static_cast<int>(std::count_if(stopped_.begin(), stopped_.end(), holds) +
                                    std::count_if(ahead_.begin(), ahead_.end(), holds));
}

qint64 EngineRows::bytesWaiting() const {
    qint64 waiting = 0;
    for (const auto& work : ahead_)
        if (work->done) waiting += work->row->stagedBytes;
    return waiting;
}

bool EngineRows::full() {
    collectStopped(false);
    const std::lock_guard lock(mutex_);
    startQueued();
    return bytesWaiting() >= BytesWaitingAhead ||
           static_cast<int>(ahead_.size() + stopped_.size()) >= jobs_ + RowsWaitingAhead;
}

void EngineRows::startQueued() {
    for (const auto& work : ahead_) {
        if (work->started) continue;
        if (enginesInUse() >= jobs_ || bytesWaiting() >= BytesWaitingAhead) return;
        startLocked(*work);
    }
}

void EngineRows::startLocked(Work& work) {
    work.started = true;
    try {
        work.thread = std::thread([this, &work] { run(work); });
    } catch (const std::system_error&) {
        work.noThread = true;  // the row is opened in its own turn instead
        work.done = true;
    }
}

// On a thread of its own, which owns the row until it is done.
void EngineRows::run(Work& work) {
    runRow(work);
    {
        const std::lock_guard lock(mutex_);
        work.done = true;
        ++finished_;
        startQueued();
    }
    doneChanged_.notify_all();
}

void EngineRows::runRow(Work& work) {
    AheadRow& row = *work.row;
    try {
        row.helper = std::make_unique<OfficeHelper>(parent_, row.path, staging());
        work.listing = row.helper->listing();
        work.pid = row.helper->pid();
        if (work.stopped) throw Failure(QStringLiteral("Open: stopped"));
        row.slides = row.helper->open(row.path);
        row.linksLeftOut = row.helper->linksLeftOut();
    } catch (...) {
        row.openFailure = std::current_exception();
        if (row.helper) row.startRetries = row.helper->startRetries();
        // A presentation it refused leaves it idle: no engine outlives its row.
        row.helper.reset();
        return;
    }
    try {
        if (work.stopped) throw Failure(QStringLiteral("SaveAs: stopped"));
        row.saved = row.helper->saveAs(row.target);
    } catch (...) {
        row.saveFailure = std::current_exception();
    }
    if (const QString folder = folderOf(row.target); !folder.isEmpty())
        for (const QFileInfo& file : QDir(folder).entryInfoList(QDir::Files | QDir::Hidden))
            row.stagedBytes += file.size();
    if (row.saveFailure) return;
    try {
        row.helper->close();
    } catch (...) {
        row.closeFailure = std::current_exception();
    }
    try {
        row.helper->quit();
    } catch (...) {
        row.quitFailure = std::current_exception();
    }
    row.startRetries = row.helper->startRetries();
    row.helper.reset();
    row.ended = true;
}

void EngineRows::startAhead(int row, const QString& path) {
    if (row <= lastStarted_) return;
    lastStarted_ = row;
    auto work = std::make_unique<Work>();
    work->row = std::make_unique<AheadRow>();
    work->row->row = row;
    work->row->path = path;
    work->row->target = aheadTarget_(row);
    const std::lock_guard lock(mutex_);
    ahead_.push_back(std::move(work));
    startQueued();
}

void EngineRows::stop(std::unique_ptr<Work> work) {
    work->stopped = true;
    {
        const std::lock_guard lock(mutex_);
        // One still queued never starts.
        if (!work->started) {
            work->started = true;
            work->done = true;
        }
        stopped_.push_back(std::move(work));
        Work& stopping = *stopped_.back();
        if (!stopping.done) InterruptHelper(stopping.listing, stopping.pid);
    }
    doneChanged_.notify_all();
}

std::unique_ptr<AheadRow> EngineRows::take(int row, const QString& path) {
    Work* front = nullptr;
    for (;;) {
        std::unique_ptr<Work> passed;
        {
            const std::lock_guard lock(mutex_);
            if (ahead_.empty() || ahead_.front()->row->row > row) return nullptr;
            if (ahead_.front()->row->row == row && ahead_.front()->row->path == path) {
                front = ahead_.front().get();
                break;
            }
            passed = std::move(ahead_.front());
            ahead_.pop_front();
        }
        // Rows dragged during the run: nobody waits for an export of another file.
        const bool dragged = passed->row->row == row;
        stop(std::move(passed));
        if (dragged) return nullptr;
    }
    // Still in the queue while it works, so it keeps its place among the engines.
    waitFor(*front);
    std::unique_ptr<Work> work;
    {
        const std::lock_guard lock(mutex_);
        work = std::move(ahead_.front());
        ahead_.pop_front();
        if (work->row->helper) ++held_;
    }
    if (work->thread.joinable()) work->thread.join();
    if (work->noThread) return nullptr;
    startRetries_ += work->row->startRetries;
    return std::move(work->row);
}

void EngineRows::waitFor(Work& work) {
    std::unique_lock lock(mutex_);
    // The row in turn goes first, free engine or not.
    if (!work.started) startLocked(work);
    while (!work.done) {
        const int seen = finished_;
        lock.unlock();
        if (refill_) refill_();
        lock.lock();
        doneChanged_.wait(lock, [&] { return work.done || finished_ != seen; });
    }
}

// Every export target of a run lies in its staging slot, beside the ahead ones.
QString EngineRows::staging() const {
    return QFileInfo(aheadTarget_(1)).absolutePath();
}

std::unique_ptr<OfficeHelper> EngineRows::engine(const QString& path) {
    auto helper = std::make_unique<OfficeHelper>(parent_, path, staging());
    const std::lock_guard lock(mutex_);
    ++held_;
    return helper;
}

void EngineRows::release(std::unique_ptr<OfficeHelper> helper) {
    if (!helper) return;
    startRetries_ += helper->startRetries();
    helper->kill();
    const std::lock_guard lock(mutex_);
    --held_;
    startQueued();
}
