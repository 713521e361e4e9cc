#pragma once

#include <dirent.h>
#include <unistd.h>

#include <QByteArray>
#include <QString>
#include <memory>

#include "util/ownedfd.h"

// The on-disk bytes of a path. False for a path that cannot name a file: the
// C interfaces would silently cut it at an embedded NUL and reach another one.
bool NativePath(const QString& path, QByteArray& native);

// The entries of one folder, read in large blocks; closed on every way out.
class DirStream {
  public:
    // Opens `path` (on-disk bytes); check valid() and errno.
    explicit DirStream(const char* path);

    bool valid() const { return fd_.valid(); }
    int fd() const { return fd_.get(); }
    // The next entry other than "." and "..", or nullptr at the end or on a
    // failure (errno tells which: 0 at the end).
    const dirent* next();

  private:
    static constexpr size_t BufferSize = 32768;
    OwnedFd fd_;
    std::unique_ptr<char[]> buffer_;
    size_t filled_ = 0;
    size_t position_ = 0;
};
