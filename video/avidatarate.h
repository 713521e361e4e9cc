#pragma once

#include <QtGlobal>
#include <map>

// The data rate an AVI main header states (dwMaxBytesPerSec): the most bytes
// any one second of the stream holds, from the packets as they are written.
class AviDataRate {
  public:
    // Positions last scale / rate seconds each.
    void setTiming(qint64 rate, qint64 scale);
    void add(qint64 position, qint64 bytes);
    // Bytes a second, rounded up; 0 before any packet.
    quint32 maxBytesPerSecond() const;

  private:
    qint64 rate_ = 1;
    qint64 scale_ = 1;
    std::map<qint64, qint64> bytes_;  // by position
};

struct AVIOContext;

// Writes `bytesPerSecond` into the main header of a complete AVI file that
// libavformat's AVI muxer wrote through `io`; false when that fails.
bool PatchAviMaxBytesPerSecond(AVIOContext* io, quint32 bytesPerSecond);
