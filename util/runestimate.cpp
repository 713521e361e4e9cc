#include "util/runestimate.h"

#include <algorithm>
#include <cmath>

namespace {
// One finished row says little about the next: a deck of two slides after one of two hundred.
constexpr int RowsBeforeAnEstimate = 2;
}  // namespace

void RunEstimate::start(int rows) {
    rows_ = std::max(0, rows);
    finished_ = 0;
    seconds_ = 0;
}

void RunEstimate::rowDone(double seconds) {
    if (finished_ >= rows_) return;
    ++finished_;
    if (std::isfinite(seconds)) seconds_ += std::max(0.0, seconds);
}

std::optional<double> RunEstimate::secondsLeft() const {
    if (finished_ < RowsBeforeAnEstimate) return std::nullopt;
    return seconds_ / finished_ * (rows_ - finished_);
}

QString RunEstimate::text() const {
    const std::optional<double> left = secondsLeft();
    if (!left) return QString();
    if (finished_ >= rows_)
        return QStringLiteral("%1 of %2 presentations").arg(finished_).arg(rows_);
    const qint64 minutes = std::max<qint64>(1, qint64(std::ceil(*left / 60.0)));
    return QStringLiteral("%1 of %2 presentations, about %3 min left")
        .arg(finished_)
        .arg(rows_)
        .arg(minutes);
}
