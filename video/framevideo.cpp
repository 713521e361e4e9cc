#include "video/framevideo.h"

#include <QHash>
#include <algorithm>
#include <vector>

#include "util/folderscan.h"
#include "util/host.h"
#include "util/prompts.h"
#include "util/slidename.h"
#include "video/cdib.h"
#include "video/compressoptions.h"
#include "video/framedeleter.h"
#include "video/frameloader.h"
#include "video/transitionframes.h"
#include "video/videowriter.h"

namespace {
// Deletes a written frame as KillFile would (after a yield), by its exact name:
// KillFile reads "*" and "?" as wildcards and could take other frames with it.
void deleteFrame(Host& host, FrameDeleter& deleter, const QString& path) {
    host.yield();
    deleter.remove(path);
}

// The sound goes in as the frames it plays with are written, so the file
// keeps picture and sound together.
class SoundFeed {
  public:
    SoundFeed(const SoundSource& sound, FrameTiming timing) : sound_(sound), timing_(timing) {}

    // Everything up to where `position` starts.
    bool upTo(VideoWriter& writer, qint64 position) {
        if (timing_.rate == 0) return true;
        const __int128 at = __int128(position) * timing_.scale * AudioSampleRate / timing_.rate;
        return feed(writer, qint64(std::min<__int128>(at, sound_.frames)));
    }
    bool rest(VideoWriter& writer) { return feed(writer, sound_.frames); }

  private:
    // Pieces of a second, so the samples in hand stay few.
    bool feed(VideoWriter& writer, qint64 until) {
        while (fed_ < until && sound_.render) {
            const qint64 count = std::min<qint64>(until - fed_, AudioSampleRate);
            piece_.resize(size_t(count) * AudioChannels);
            sound_.render(fed_, piece_);
            if (!writer.addAudio(piece_)) return false;
            fed_ += count;
        }
        return true;
    }

    const SoundSource& sound_;
    FrameTiming timing_;
    qint64 fed_ = 0;  // sample frames given so far
    std::vector<float> piece_;
};

// The streams, chapters and cues before the first frame.
bool openStreams(VideoWriter& writer, const FrameVideo& video, const QByteArrayView& bitmapInfo,
                 const CompressOptions& options, FrameTiming timing) {
    if (!writer.addVideoStream({bitmapInfo, timing.rate, timing.scale, options})) return false;
    if (video.audio && !writer.addAudioStream(*video.audio)) return false;
    if (!video.subtitles.isEmpty() && !writer.addSubtitleStream()) return false;
    if (!video.chapters.isEmpty() && !writer.setChapters(video.chapters)) return false;
    for (const SubtitleCue& cue : video.subtitles)
        if (!writer.addCue(cue.startMs, cue.endMs, CueLines(cue.text).toUtf8())) return false;
    return true;
}

// Steps up to the last frame; false when the video failed, with or without a
// reason to tell (a cancelled dialog or a refused first image has none).
bool writeFrames(Host& host, Prompts& prompts, const FrameVideo& video, VideoWriter& writer,
                 VideoOutcome& outcome, bool& tell) {
    tell = true;
    if (!writer.ok()) return false;
    cDIB dib(prompts);
    FrameLoader loader(dib, video.scratchBitmap);
    if (!loader.loadFirst(SlidePath(video.frameFolder, 1))) {
        prompts.message(QStringLiteral("Could not load first bitmap file in list"));
        tell = false;
        return false;
    }
    const QByteArrayView bitmapInfo(reinterpret_cast<const char*>(dib.PointerToBitmapInfo()),
                                    dib.SizeBitmapInfo());
    BitmapFormat format;
    ParseBitmapFormat(bitmapInfo.data(), bitmapInfo.size(), format);

    CompressOptions options;
    options.container = writer.container();
    const int answer = prompts.compressionOptionsFor(video.outputPath, options);
    if (answer == 0) {
        outcome.kind = VideoOutcome::Cancelled;
        tell = false;
    }
    if (answer != 1) return false;
    // A planned slide is one picture and its repeats: the picture is a key frame.
    if (video.plan) options.keyFrameEvery = 1;
    const FrameTiming timing = video.plan ? video.plan->timing : video.timing;
    if (!openStreams(writer, video, bitmapInfo, options, timing)) return false;

    QHash<int, PlannedSlide> planned;
    if (video.plan)
        for (const PlannedSlide& slide : video.plan->slides)
            planned.insert(slide.frameNumber, slide);
    SoundFeed sound(video.sound, timing);
    const FileList frames = GetFrameList(video.frameFolder, QStringLiteral("*.bmp"));
    FrameDeleter deleter;
    TransitionFrames leadIns(format.width, format.height, format.bitCount, format.topDown);
    const auto addLeadIn = [&](const unsigned char* pixels, qint64 size, qint64 start,
                               qint64 positions) {
        return writer.addFrame(pixels, size, start, positions, false) &&
               sound.upTo(writer, start + positions);
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
        if (video.plan) {
            const auto found = planned.constFind(SlideNumber(name));
            if (found == planned.constEnd()) continue;  // no slide of this video
            slide = *found;
        }
        const QString path = video.frameFolder + QLatin1Char('/') + name;
        // A frame the reader refuses (it has said why) stays a dropped frame, so
        // the frames after it keep their times.
        if (!loader.load(path, format)) {
            ++outcome.droppedFrames;
            outcome.missingFrames << name;
            continue;
        }
        const auto* pixels = reinterpret_cast<const unsigned char*>(dib.PointerToBits());
        if (video.plan && !leadIns.lead(slide, pixels, dib.SizeImage(), addLeadIn)) return false;
        if (!writer.addFrame(pixels, dib.SizeImage(), slide.start, slide.frames) ||
            !sound.upTo(writer, slide.start + slide.frames))
            return false;
        if (video.plan) leadIns.keep(pixels, dib.SizeImage());
        if (video.owner == FrameOwner::Program) deleteFrame(host, deleter, path);
    }
    return sound.rest(writer);
}
}  // namespace

VideoOutcome WriteFrameVideo(Host& host, Prompts& prompts, const FrameVideo& video) {
    VideoWriter writer(video.outputPath,
                       video.container.value_or(ContainerForPath(video.outputPath)));
    VideoOutcome outcome;
    bool tell = true;
    VideoWriterResult result;
    if (writeFrames(host, prompts, video, writer, outcome, tell)) {
        result = writer.finish();
        if (result.written) outcome.kind = VideoOutcome::Written;
    } else {
        result.reason = writer.reason();
        writer.finish();
    }
    if (!result.written && tell) {
        // Where and why below the message's own line.
        QString text = QStringLiteral("There was an error writing to file") +
                       QStringLiteral("\r\n") + video.outputPath;
        if (!result.reason.isEmpty()) text += QStringLiteral("\r\n") + result.reason;
        prompts.message(text);
        outcome.kind = VideoOutcome::Failed;
    }
    return outcome;
}

VideoOutcome CreateAviFromBitmaps(Host& host, Prompts& prompts, const QString& frameFolder,
                                  const QString& scratchBitmap, const QString& outputPath,
                                  qint16 framesPerSecond) {
    FrameVideo video;
    video.frameFolder = frameFolder;
    video.scratchBitmap = scratchBitmap;
    video.outputPath = outputPath;
    video.timing = FrameTimingForRate(framesPerSecond);
    return WriteFrameVideo(host, prompts, video);
}
