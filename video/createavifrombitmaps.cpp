#include "video/createavifrombitmaps.h"

#include <QHash>

#include "platform/avifile/avifile.h"
#include "util/folderscan.h"
#include "util/host.h"
#include "util/prompts.h"
#include "util/slidename.h"
#include "video/cdib.h"
#include "video/framedeleter.h"
#include "video/frameloader.h"
#include "video/slideplan.h"
#include "video/srtwriter.h"
#include "video/transitionframes.h"

namespace {
const void* address(quintptr value) {
    return reinterpret_cast<const void*>(value);
}

// Deletes a written frame as KillFile would (after a yield), by its exact name:
// KillFile reads "*" and "?" as wildcards and could take other frames with it.
void deleteFrame(Host& host, FrameDeleter& deleter, const QString& path) {
    host.yield();
    deleter.remove(path);
}

// Steps up to the last frame; returns the status of the last AVIFile call and
// leaves in `outcome` what became of the video if the file completes.
int writeVideo(Host& host, Prompts& prompts, const QString& frameFolder,
               const QString& scratchBitmap, const QString& outputPath, FrameTiming timing,
               FrameOwner owner, const SlidePlan* plan, const QList<SubtitleCue>& subtitles,
               AviFile& file, AviStream& stream, AviStream& compressed, AviOutcome& outcome) {
    int status = AVIFileOpen(file, outputPath, OF_WRITE | OF_CREATE);
    if (status != 0) return status;

    cDIB dib(prompts);
    FrameLoader loader(dib, scratchBitmap);
    if (!loader.loadFirst(SlidePath(frameFolder, 1))) {
        prompts.message(QStringLiteral("Could not load first bitmap file in list"));
        return status;
    }
    BitmapFormat format;
    ParseBitmapFormat(address(dib.PointerToBitmapInfo()), dib.SizeBitmapInfo(), format);

    AviStreamInfo info;
    info.fccType = mmioStringToFOURCC("vids", 0);
    info.fccHandler = 0;
    info.dwScale = timing.scale;
    info.dwRate = timing.rate;
    info.dwSuggestedBufferSize = quint32(dib.SizeImage());
    SetRect(info.rcFrame, 0, 0, dib.Width(), dib.Height());
    status = AVIFileCreateStream(file, stream, info);
    if (status != 0) return status;
    if (!subtitles.isEmpty()) {
        QList<TimedText> texts;
        for (const SubtitleCue& cue : subtitles)
            texts << TimedText{cue.startMs, cue.endMs, CueLines(cue.text).toUtf8()};
        status = AVIFileSetTexts(file, texts);
        if (status != 0) return status;
    }

    CompressOptions options;
    options.container = ContainerForPath(outputPath);
    status = prompts.compressionOptionsFor(outputPath, options);
    if (status == 0) outcome.kind = AviOutcome::Cancelled;
    if (status != 1) return status;
    // A planned slide is one picture and its repeats: the picture is a key frame.
    if (plan != nullptr) options.keyFrameEvery = 1;
    status = AVIMakeCompressedStream(compressed, stream, options);
    if (status != 0) return status;
    status =
        AVIStreamSetFormat(compressed, 0, address(dib.PointerToBitmapInfo()), dib.SizeBitmapInfo());
    if (status != 0) return status;

    QHash<int, PlannedSlide> planned;
    if (plan != nullptr)
        for (const PlannedSlide& slide : plan->slides) planned.insert(slide.frameNumber, slide);
    const FileList frames = GetFrameList(frameFolder, QStringLiteral("*.bmp"));
    FrameDeleter deleter;
    TransitionFrames leadIns(format.width, format.height, format.bitCount, format.topDown);
    const auto addLeadIn = [&](const unsigned char* pixels, qint64 size, qint64 start,
                               qint64 positions) {
        status = AVIStreamWriteHeld(compressed, qint32(start), qint32(positions), pixels,
                                    qint32(size), 0);
        return status == 0;
    };
    const int count = frames.upperIndex();
    host.setProgressMaximum(count);
    host.setProgressValue(0);
    for (int i = 1; i <= count; ++i) {
        host.yield();
        host.setProgressValue(i);
        const QString name = frames.at(i);
        if (name.startsWith(QLatin1Char('~'))) continue;
        PlannedSlide slide{0, i - 1, 1};
        if (plan != nullptr) {
            const auto found = planned.constFind(SlideNumber(name));
            if (found == planned.constEnd()) continue;  // no slide of this video
            slide = *found;
        }
        const QString path = frameFolder + QLatin1Char('/') + name;
        // A frame the reader refuses (it has said why) stays a dropped frame, so
        // the frames after it keep their times.
        if (!loader.load(path, format)) {
            ++outcome.droppedFrames;
            outcome.missingFrames << name;
            continue;
        }
        const auto* pixels = static_cast<const unsigned char*>(address(dib.PointerToBits()));
        if (plan != nullptr && !leadIns.lead(slide, pixels, dib.SizeImage(), addLeadIn)) break;
        status =
            plan != nullptr
                ? AVIStreamWriteHeld(compressed, qint32(slide.start), qint32(slide.frames),
                                     address(dib.PointerToBits()), dib.SizeImage(), AVIIF_KEYFRAME)
                : AVIStreamWrite(compressed, qint32(slide.start), 1, address(dib.PointerToBits()),
                                 dib.SizeImage(), AVIIF_KEYFRAME);
        if (status != 0) break;
        if (plan != nullptr) leadIns.keep(pixels, dib.SizeImage());
        if (owner == FrameOwner::Program) deleteFrame(host, deleter, path);
    }
    if (status == 0) outcome.kind = AviOutcome::Written;
    return status;
}

AviOutcome writeAndRelease(Host& host, Prompts& prompts, const QString& frameFolder,
                           const QString& scratchBitmap, const QString& outputPath,
                           FrameTiming timing, FrameOwner owner, const SlidePlan* plan,
                           const QList<SubtitleCue>& subtitles = {}) {
    AviFile file;
    AviStream stream;
    AviStream compressed;
    AviOutcome outcome;
    int status = writeVideo(host, prompts, frameFolder, scratchBitmap, outputPath, timing, owner,
                            plan, subtitles, file, stream, compressed, outcome);
    AVIStreamRelease(stream);
    AVIStreamRelease(compressed);
    // Completing the file can still fail (the last data reaches the disk here).
    const int released = AVIFileRelease(file);
    if (status == 0) status = released;
    if (status != 0) {
        // Where and why below the message's own line.
        QString text = QStringLiteral("There was an error writing to file") +
                       QStringLiteral("\r\n") + outputPath;
        const QString reason = AVIFileErrorReason(file);
        if (!reason.isEmpty()) text += QStringLiteral("\r\n") + reason;
        prompts.message(text);
        outcome.kind = AviOutcome::Failed;
    }
    return outcome;
}
}  // namespace

AviOutcome CreateAviFromBitmaps(Host& host, Prompts& prompts, const QString& frameFolder,
                                const QString& scratchBitmap, const QString& outputPath,
                                qint16 framesPerSecond, FrameOwner owner) {
    return CreateAviFromBitmaps(host, prompts, frameFolder, scratchBitmap, outputPath,
                                FrameTimingForRate(framesPerSecond), owner);
}

AviOutcome CreateAviFromBitmaps(Host& host, Prompts& prompts, const QString& frameFolder,
                                const QString& scratchBitmap, const QString& outputPath,
                                FrameTiming timing, FrameOwner owner) {
    return writeAndRelease(host, prompts, frameFolder, scratchBitmap, outputPath, timing, owner,
                           nullptr);
}

AviOutcome CreateAviFromBitmaps(Host& host, Prompts& prompts, const QString& frameFolder,
                                const QString& scratchBitmap, const QString& outputPath,
                                const SlidePlan& plan, const QList<SubtitleCue>& subtitles) {
    return writeAndRelease(host, prompts, frameFolder, scratchBitmap, outputPath, plan.timing,
                           FrameOwner::Program, &plan, subtitles);
}
