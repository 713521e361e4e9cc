#include "video/avidatarate.h"

#include <algorithm>
#include <deque>
#include <limits>

extern "C" {
#include <libavformat/avio.h>
}

void AviDataRate::setTiming(qint64 rate, qint64 scale) {
    rate_ = std::max<qint64>(1, rate);
    scale_ = std::max<qint64>(1, scale);
}

void AviDataRate::add(qint64 position, qint64 bytes) {
    bytes_[position] += bytes;
}

quint32 AviDataRate::maxBytesPerSecond() const {
    // A window of whole positions lasting about a second, at least one position.
    const qint64 window = std::max<qint64>(1, rate_ / scale_);
    qint64 most = 0;
    qint64 inWindow = 0;
    std::deque<std::pair<qint64, qint64>> held;
    for (const auto& [position, bytes] : bytes_) {
        held.emplace_back(position, bytes);
        inWindow += bytes;
        while (held.front().first <= position - window) {
            inWindow -= held.front().second;
            held.pop_front();
        }
        most = std::max(most, inWindow);
    }
    // bytes / (window * scale / rate seconds), rounded up.
    const qint64 seconds = window * scale_;
    const qint64 perSecond = (most * rate_ + seconds - 1) / seconds;
    return quint32(std::min<qint64>(perSecond, std::numeric_limits<quint32>::max()));
}

bool PatchAviMaxBytesPerSecond(AVIOContext* io, quint32 bytesPerSecond) {
    // The muxer's header begins "RIFF" size "AVI " "LIST" size "hdrl" "avih" size,
    // then dwMicroSecPerFrame and dwMaxBytesPerSec.
    constexpr int64_t RateOffset = 36;
    const int64_t end = avio_tell(io);
    if (avio_seek(io, RateOffset, SEEK_SET) != RateOffset) return false;
    avio_wl32(io, bytesPerSecond);
    if (avio_seek(io, end, SEEK_SET) != end) return false;
    avio_flush(io);
    return io->error >= 0;
}
