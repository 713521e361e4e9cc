#include "util/nativepath.h"

#include <fcntl.h>

#include <QFile>
#include <cerrno>

bool NativePath(const QString& path, QByteArray& native) {
    if (path.contains(QChar(0))) return false;
    native = QFile::encodeName(path);
    return true;
}

// Reads the entries with getdents64 straight into our buffer: opendir would
// add a stat of the folder that a scan of many small folders pays for twice.
DirStream::DirStream(const char* path) : fd_(::open(path, O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {}

const dirent* DirStream::next() {
    for (;;) {
        if (position_ >= filled_) {
            if (!buffer_) buffer_ = std::make_unique_for_overwrite<char[]>(BufferSize);
            const ssize_t got = ::getdents64(fd_.get(), buffer_.get(), BufferSize);
            if (got <= 0) {
                errno = got == 0 ? 0 : errno;
                return nullptr;
            }
            filled_ = static_cast<size_t>(got);
            position_ = 0;
        }
        const auto* entry = reinterpret_cast<const dirent*>(buffer_.get() + position_);
        position_ += entry->d_reclen;
        const char* name = entry->d_name;
        if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0))) continue;
        errno = 0;
        return entry;
    }
}
