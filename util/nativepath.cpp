#include "util/nativepath.h"

#include <fcntl.h>
#include <QFile>
#include <cerrno>

bool NativePath(const QString& path, QByteArray& native) {
    if (path.contains(QChar(0))) return false;
    native = QFile::encodeName(path);
    return true;
}

DirStream::DirStream(const char* path) {
    const int fd = ::open(path, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    dir_ = ::fdopendir(fd);
    if (!dir_) {
        const int saved = errno;
        ::close(fd);
        errno = saved;
    }
}

DirStream::~DirStream() {
    if (dir_) ::closedir(dir_);
}

const dirent* DirStream::next() {
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(dir_);
        if (!entry) return nullptr;
        const char* name = entry->d_name;
        if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0))) continue;
        return entry;
    }
}
