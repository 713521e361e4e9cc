#include "video/ffmpegversion.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/avutil.h>
#include <libswscale/swscale.h>
}

namespace {
QString library(const char* name, unsigned version) {
    return QStringLiteral("%1 %2.%3.%4")
        .arg(QLatin1String(name))
        .arg(AV_VERSION_MAJOR(version))
        .arg(AV_VERSION_MINOR(version))
        .arg(AV_VERSION_MICRO(version));
}
}  // namespace

QString FfmpegVersionLine() {
    return QStringLiteral("FFmpeg libraries: ") + library("libavformat", avformat_version()) +
           QStringLiteral(", ") + library("libavcodec", avcodec_version()) + QStringLiteral(", ") +
           library("libavutil", avutil_version()) + QStringLiteral(", ") +
           library("libswscale", swscale_version());
}
