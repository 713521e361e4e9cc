#include "cli/reportvideo.h"

#include <cstdio>

void ReportVideo(const QString& path, const VideoOutcome& outcome) {
    if (outcome.kind != VideoOutcome::Written) return;
    const QByteArray name = path.toLocal8Bit();
    std::printf("Written: %s\n", name.constData());
    std::fflush(stdout);
    if (outcome.droppedFrames > 0)
        std::fprintf(stderr, "Written without %d refused frame(s): %s (missing: %s)\n",
                     outcome.droppedFrames, name.constData(),
                     outcome.missingFrames.join(QStringLiteral(", ")).toLocal8Bit().constData());
}
