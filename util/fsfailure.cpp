#include "util/fsfailure.h"

#include <cerrno>
#include <cstring>

Failure FileSystemFailure(int error) {
    switch (error) {
        case ENOENT:
        case ENOTDIR:
            return Failure(QStringLiteral("Path not found"));
        case EACCES:
        case EPERM:
            return Failure(QStringLiteral("Permission denied"));
        default:
            return Failure(QString::fromLocal8Bit(std::strerror(error)));
    }
}
