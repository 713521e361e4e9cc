#include "cli/reportvideo.h"

bool ReportVideo(FILE* out, const QString& path, const VideoOutcome& outcome) {
    if (outcome.kind != VideoOutcome::Written) return true;
    const QByteArray name = path.toLocal8Bit();
    const bool told = std::fprintf(out, "Written: %s\n", name.constData()) >= 0 &&
                      std::fflush(out) == 0 && !std::ferror(out);
    if (outcome.droppedFrames > 0)
        std::fprintf(stderr,
                     "quillmoor-convert: %s: written without %d refused frame(s) (missing: %s)\n",
                     name.constData(), outcome.droppedFrames,
                     outcome.missingFrames.join(QStringLiteral(", ")).toLocal8Bit().constData());
    return told;
}
