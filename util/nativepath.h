#pragma once

#include <dirent.h>
#include <unistd.h>

#include <QByteArray>
#include <QString>
#include <memory>

// The on-disk bytes of a path. False for a path that cannot name a file: the
// C interfaces would silently cut it at an embedded NUL and reach another one.
bool NativePath(const QString& path, QByteArray& native);

// An open file descriptor, closed on every way out.
class UniqueFd {
  public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : fd_(fd) {}
    UniqueFd(UniqueFd&& other) noexcept : fd_(other.release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    ~UniqueFd() { reset(); }

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    int release() {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }
    void reset(int fd = -1) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = fd;
    }

  private:
    int fd_ = -1;
};

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
    UniqueFd fd_;
    std::unique_ptr<char[]> buffer_;
    size_t filled_ = 0;
    size_t position_ = 0;
};
