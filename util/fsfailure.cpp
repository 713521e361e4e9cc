#include "util/fsfailure.h"

#include <cerrno>
#include <cstring>

#include "util/systemerror.h"

QString SystemReason(int error) {
    return QString::fromLocal8Bit(SystemErrorText(error));
}

Failure FileSystemFailure(int error) {
    switch (error) {
        case ENOENT:
        case ENOTDIR:
            return Failure(QStringLiteral("Path not found"));
        case EACCES:
        case EPERM:
            return Failure(QStringLiteral("Permission denied"));
        default:
            return Failure(SystemReason(error));
    }
}
