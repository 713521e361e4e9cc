#include "util/readwholefile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QFile>
#include <cerrno>
#include <cstring>

#include "util/failure.h"
#include "util/ownedfd.h"

WholeFileRead ReadWholeFile(const QString& path, std::vector<unsigned char>& contents,
                            qint64 limit) {
    WholeFileRead result;
    OwnedFd file(::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    struct stat status;
    if (!file.valid() || ::fstat(file.get(), &status) != 0) {
        result.error = errno;
        return result;
    }
    if (!S_ISREG(status.st_mode) || status.st_size > limit) {
        result.kind = WholeFileRead::NotRegular;
        result.error = S_ISDIR(status.st_mode) ? EISDIR : 0;
        return result;
    }
    contents.resize(size_t(status.st_size));
    size_t done = 0;
    while (done < contents.size()) {
        const ssize_t got = ::read(file.get(), contents.data() + done, contents.size() - done);
        if (got < 0) {
            if (errno == EINTR) continue;
            throw Failure(QString::fromLocal8Bit(std::strerror(errno)));
        }
        if (got == 0) break;  // shortened while being read: what is there is the file
        done += size_t(got);
    }
    contents.resize(done);
    result.kind = WholeFileRead::Read;
    return result;
}
