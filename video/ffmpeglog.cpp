#include "video/ffmpeglog.h"

#include <atomic>
#include <cstdarg>
#include <mutex>
#include <string>

extern "C" {
#include <libavutil/log.h>
}

namespace {
std::atomic<FfmpegLogSink> currentSink{nullptr};

void forward(void* context, int level, const char* format, va_list arguments) {
    const FfmpegLogSink sink = currentSink.load();
    if (sink == nullptr || level > AV_LOG_WARNING) return;
    // FFmpeg may give a line in pieces; each thread gathers its own.
    thread_local std::string pending;
    thread_local int prefix = 1;
    char piece[1024];
    av_log_format_line2(context, level, format, arguments, piece, sizeof piece, &prefix);
    pending += piece;
    for (size_t end; (end = pending.find('\n')) != std::string::npos;) {
        sink(level, QString::fromUtf8(pending.data(), qsizetype(end)));
        pending.erase(0, end + 1);
    }
}
}  // namespace

void SetFfmpegLogSink(FfmpegLogSink sink) {
    RouteFfmpegLog();
    currentSink.store(sink);
}

void RouteFfmpegLog() {
    static std::once_flag routed;
    std::call_once(routed, [] { av_log_set_callback(forward); });
}
