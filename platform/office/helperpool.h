#pragma once

#include <QString>
#include <deque>
#include <exception>
#include <memory>
#include <thread>
#include <vector>

#include "platform/office/officeclient.h"

// When a helper has served long enough: it is ended and a fresh one serves on.
struct PoolLimits {
    int rowsPerHelper = 40;
    long long residentBytes = 1536LL * 1024 * 1024;
    int helpers = 2;  // at work at once: the current row's and those ahead
};

// One row opened and exported ahead: the helper holding it open, and what
// became of the open and of the export into `target`.
struct AheadRow {
    QString path;
    QString target;
    std::unique_ptr<OfficeHelper> helper;
    std::exception_ptr openFailure;
    std::exception_ptr saveFailure;
    int saved = 0;
};

// Gives the slides exported ahead to `target` as if `helper` had exported
// them there just now: they are moved over, or a failure met ahead is thrown
// naming `target`. Exports afresh when they cannot be moved.
int DeliverAhead(AheadRow& ahead, OfficeHelper& helper, const QString& target);

// The engine helpers of one run. A helper serves rows in turn; up to
// `helpers` of them work at once, the others opening and exporting later rows
// ahead on threads of their own. Every helper ends with the pool.
class HelperPool {
  public:
    explicit HelperPool(const HelperOptions& options = {}, const PoolLimits& limits = {});
    ~HelperPool();
    HelperPool(const HelperPool&) = delete;
    HelperPool& operator=(const HelperPool&) = delete;

    // A helper for one row: an idle one, else a new one whose start is
    // awaited by its first call. Throws Failure when none can be started.
    std::unique_ptr<OfficeHelper> take();
    // The row is done with `helper`: its presentation is closed and it waits
    // for the next row, unless it failed, served its rows, grew past the
    // memory limit or last opened a presentation that may hold pictures,
    // when it ends.
    void giveBack(std::unique_ptr<OfficeHelper> helper);

    // Opens `path` and exports its slides into `target` in the background,
    // unless a row numbered `row` or later was started ahead already or every
    // helper is at work. Rows are taken up in the order they were started.
    void startAhead(int row, const QString& path, const QString& target);
    // The earliest row started ahead, finished, when it is `path`; null when
    // none is waiting (one for another path is dropped).
    std::unique_ptr<AheadRow> takeAhead(const QString& path);

  private:
    struct Ahead {
        std::unique_ptr<AheadRow> row;
        std::thread worker;
    };
    std::unique_ptr<OfficeHelper> obtain();
    void keep(std::unique_ptr<OfficeHelper> helper);

    HelperOptions options_;
    PoolLimits limits_;
    std::vector<std::unique_ptr<OfficeHelper>> idle_;
    std::deque<Ahead> ahead_;
    int lent_ = 0;
    int lastAheadRow_ = 0;
};
