#include "platform/office/helperpool.h"

#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstdio>
#include <optional>

#include "platform/office/embeddedpictures.h"
#include "platform/office/slidefactsfile.h"
#include "util/failure.h"

// Resident bytes of process `pid` from /proc/<pid>/statm ("size resident ..."
// in pages); nothing when it cannot be read.
static std::optional<long long> residentBytes(pid_t pid) {
    if (pid <= 0) return std::nullopt;
    QFile statm(QStringLiteral("/proc/%1/statm").arg(pid));
    if (!statm.open(QIODevice::ReadOnly)) return std::nullopt;
    const QList<QByteArray> fields = statm.readLine(256).simplified().split(' ');
    if (fields.size() < 2) return std::nullopt;
    bool ok = false;
    const long long pages = fields[1].toLongLong(&ok);
    const long pageSize = ::sysconf(_SC_PAGESIZE);
    long long bytes = 0;
    if (!ok || pages < 0 || pageSize <= 0 || __builtin_mul_overflow(pages, pageSize, &bytes))
        return std::nullopt;
    return bytes;
}

// The folder a ".bmp" export target names; empty for any other target.
static QString folderOf(const QString& target) {
    if (!target.endsWith(QStringLiteral(".bmp"), Qt::CaseInsensitive) || target.size() < 5)
        return {};
    return QFileInfo(target).absoluteFilePath().chopped(4);
}

int DeliverAhead(AheadRow& ahead, OfficeHelper& helper, const QString& target) {
    const QString from = folderOf(ahead.target);
    const QString to = folderOf(target);
    if (ahead.saveFailure) {
        try {
            std::rethrow_exception(ahead.saveFailure);
        } catch (const Failure& failure) {
            QString description = failure.description();
            if (!from.isEmpty() && !to.isEmpty()) description.replace(from, to);
            throw Failure(description);
        }
    }
    bool moved = !from.isEmpty() && !to.isEmpty() && (QDir(to).exists() || QDir().mkdir(to));
    for (int slide = 1; moved && slide <= ahead.saved; ++slide) {
        const QString name = QStringLiteral("/Slide%1.bmp").arg(slide);
        moved = std::rename(QFile::encodeName(from + name).constData(),
                            QFile::encodeName(to + name).constData()) == 0;
    }
    const QString facts = QLatin1Char('/') + QLatin1String(SlideFactsFileName);
    if (moved && QFileInfo::exists(from + facts))
        moved = std::rename(QFile::encodeName(from + facts).constData(),
                            QFile::encodeName(to + facts).constData()) == 0;
    return moved ? ahead.saved : helper.saveAs(target);
}

// Runs on a thread of its own, which owns the row until it is joined.
static void workAhead(AheadRow& row) {
    try {
        row.helper->open(row.path);
    } catch (...) {
        row.openFailure = std::current_exception();
        return;
    }
    try {
        row.saved = row.helper->saveAs(row.target);
    } catch (...) {
        row.saveFailure = std::current_exception();
    }
}

HelperPool::HelperPool(const HelperOptions& options, const PoolLimits& limits)
    : options_(options), limits_(limits) {}

HelperPool::~HelperPool() {
    // Every call ahead ends within its time limit; an interrupt never gets
    // here, it kills the helpers and ends the process.
    for (Ahead& ahead : ahead_)
        if (ahead.worker.joinable()) ahead.worker.join();
}

std::unique_ptr<OfficeHelper> HelperPool::obtain() {
    if (!idle_.empty()) {
        std::unique_ptr<OfficeHelper> helper = std::move(idle_.back());
        idle_.pop_back();
        return helper;
    }
    return std::make_unique<OfficeHelper>(options_);
}

std::unique_ptr<OfficeHelper> HelperPool::take() {
    std::unique_ptr<OfficeHelper> helper = obtain();
    ++lent_;
    return helper;
}

void HelperPool::giveBack(std::unique_ptr<OfficeHelper> helper) {
    if (!helper) return;
    --lent_;
    keep(std::move(helper));
}

void HelperPool::keep(std::unique_ptr<OfficeHelper> helper) {
    if (!helper->running()) return;
    if (helper->hasPresentation()) {
        try {
            helper->close();
        } catch (const Failure&) {
            return;  // a helper that cannot close a presentation serves no more rows
        }
    }
    // LibreOffice keeps picture caches from one document to the next, and
    // the next row's photos would come out a few pixels different from what
    // a fresh helper paints: a row with pictures is its helper's last.
    if (!helper->lastOpened().isEmpty() &&
        MayHoldPictures(QFile::encodeName(helper->lastOpened()).toStdString()))
        return;
    if (helper->opens() >= limits_.rowsPerHelper) return;
    const std::optional<long long> resident = residentBytes(helper->pid());
    if (!resident || *resident > limits_.residentBytes) return;
    idle_.push_back(std::move(helper));
}

void HelperPool::startAhead(int row, const QString& path, const QString& target) {
    if (row <= lastAheadRow_) return;
    if (lent_ + static_cast<int>(ahead_.size()) >= limits_.helpers) return;
    lastAheadRow_ = row;
    auto work = std::make_unique<AheadRow>();
    work->path = path;
    work->target = target;
    try {
        // Started here, not on the thread: a helper ends with the thread
        // that started it.
        work->helper = obtain();
    } catch (...) {
        work->openFailure = std::current_exception();
        ahead_.push_back({std::move(work), std::thread()});
        return;
    }
    AheadRow* const working = work.get();
    try {
        std::thread worker([working] { workAhead(*working); });
        ahead_.push_back({std::move(work), std::move(worker)});
    } catch (const std::system_error&) {
        keep(std::move(work->helper));  // the row opens in its turn instead
    }
}

std::unique_ptr<AheadRow> HelperPool::takeAhead(const QString& path) {
    if (ahead_.empty()) return nullptr;
    Ahead ahead = std::move(ahead_.front());
    ahead_.pop_front();
    if (ahead.worker.joinable()) ahead.worker.join();
    if (ahead.row->path != path) {
        if (ahead.row->helper) keep(std::move(ahead.row->helper));
        return nullptr;
    }
    if (ahead.row->helper) ++lent_;
    return std::move(ahead.row);
}
