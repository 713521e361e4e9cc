#include "engine/batchconversion.h"

#include <algorithm>
#include <thread>

#include "audio/audiodecoder.h"
#include "audio/speaker.h"
#include "engine/powerpoint1.h"
#include "engine/slidesounds.h"
#include "engine/staging.h"

#include "platform/office/client/engineparent.h"
#include "platform/office/client/enginerows.h"
#include "util/host.h"
#include "util/numbers.h"
#include "util/paths.h"
#include "util/steptrap.h"
#include "video/chapterlist.h"
#include "video/srtwriter.h"

namespace {
const QString LocationTag = HandlerLocationTag("PushButton2_Click");
constexpr qint64 LongestMusicMilliseconds = 3'600'000;
}  // namespace

BatchConversion::BatchConversion(Host& host, Prompts& prompts) : host_(host), prompts_(prompts) {
    setJobs(0);
}

BatchConversion::~BatchConversion() = default;

void BatchConversion::prepareSound() {
    speaker_.reset();
    music_.reset();
    runNotes_.clear();
    const SoundOptions& sound = video_.sound;
    if (sound.narrate) {
        speaker_ = std::make_unique<Speaker>(SpeechOptions{sound.voice, sound.wordsPerMinute});
        if (!speaker_->error().isEmpty()) {
            runNotes_ << QStringLiteral("The notes are not spoken: ") + speaker_->error();
            speaker_.reset();
        }
    }
    if (!sound.music.isEmpty()) {
        // Music longer than an hour loops from there: memory stays bounded.
        DecodedAudio decoded = DecodeAudioFile(sound.music, LongestMusicMilliseconds);
        if (!decoded.ok() || decoded.pcm.frames() == 0)
            runNotes_ << QStringLiteral("The music %1 is left out: %2")
                             .arg(sound.music, decoded.ok() ? QStringLiteral("it holds no sound")
                                                            : decoded.error);
        else
            music_ = std::make_shared<const Pcm>(std::move(decoded.pcm));
    }
}

void BatchConversion::setJobs(int jobs) {
    // LibreOffice's painting hands its work to a worker thread and waits for it, and an
    // engine starts and ends on one thread: one engine more than the cores keeps them busy
    // through those waits.
    const int cores = static_cast<int>(std::thread::hardware_concurrency());
    jobs_ = std::clamp(jobs > 0 ? jobs : std::max(cores, 1) + 1, 1, 64);
}

void BatchConversion::startEngine() {
    video_ = host_.videoSettings();
    engineParent();
}

EngineParent& BatchConversion::engineParent() {
    const HelperOptions options = runEngineOptions();
    // Started for other settings than the run's: those engines paint other slides.
    if (parent_ && (parent_->options().arguments != options.arguments ||
                    parent_->options().slideFacts != options.slideFacts))
        parent_.reset();
    if (!parent_) parent_ = std::make_unique<EngineParent>(options);
    return *parent_;
}

void BatchConversion::PushButton2_Click() {
    if (isConverting_) return;
    StepTrap trap(prompts_, LocationTag);
    trap.step(102, [&] { isConverting_ = true; });
    lastRunStarted_ = false;
    rows_.clear();
    videos_.clear();
    outputs_.clear();

    if (!trap.test(104, [&] { return host_.rowCount() > 0; })) {
        trap.step(292, [&] { prompts_.message(QStringLiteral("No files added.")); });
        trap.step(294, [&] { isConverting_ = false; });
        return;
    }
    if (!trap.test(106, [&] { return IsFolder(host_.text2()) || host_.option(4); })) {
        trap.step(290, [&] {
            prompts_.message(
                QStringLiteral("Folder does not exist. Please select another folder."));
        });
        trap.step(294, [&] { isConverting_ = false; });
        return;
    }

    // Frames go to a private folder of this instance.
    QString t;
    try {
        t = AcquireStagingFolder();
    } catch (const StagingRefused& refused) {
        prompts_.message(refused.description(), Prompts::Icon::Critical);
        isConverting_ = false;
        return;
    }
    lastRunStarted_ = true;
    video_ = host_.videoSettings();
    if (!frameTiming_ && video_.slideMilliseconds > 0)
        runTiming_ = FrameTimingForDuration(quint32(video_.slideMilliseconds));
    else
        runTiming_ = frameTiming_;
    // LibreOffice loads while the run gets ready.
    engineParent();
    prepareSound();

    trap.step(108, [&] { host_.setPointer(Host::Hourglass); });
    // Frames of a run that was cut off never enter this run's video. Emptying
    // yields, so it comes after the pointer that keeps the rows in the list.
    EmptyStagingFolders(t);
    if (trap.test(110, [&] { return host_.option(1); })) {
        runCombined(trap, t);
    } else if (trap.test(198, [&] { return host_.option(2); })) {
        runSeparate(trap, t);
    }
    // No engine outlives the run, and no slide exported ahead stays.
    parent_.reset();
    speaker_.reset();
    music_.reset();
    EmptyAheadFolders(t);

    trap.step(278, [&] { host_.setPointer(Host::Default); });
    trap.step(280, [&] { host_.setProgressValue(0); });
    trap.step(282, [&] { host_.setProgressText(QStringLiteral("Progress Bar")); });
    trap.step(288, [&] { prompts_.message(QStringLiteral("Done.")); });
    trap.step(294, [&] { isConverting_ = false; });
}

HelperOptions BatchConversion::runEngineOptions() const {
    HelperOptions options = engineOptions_;
    if (video_.slideHeight > 0 && !options.arguments.contains(QStringLiteral("--height")))
        options.arguments << QStringLiteral("--height") << QString::number(video_.slideHeight);
    options.slideFacts = video_.needsFacts();
    if (video_.allowLinks && !options.arguments.contains(QStringLiteral("--allow-links")))
        options.arguments << QStringLiteral("--allow-links");
    // Engines side by side share the cores: each one's LibreOffice gets its share for
    // its worker threads. A pool of one a core in every engine leaves cores idle
    // while each engine waits for its own pool's work.
    const int cores = std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
    if (jobs_ > 1 && !options.arguments.contains(QStringLiteral("--threads")))
        options.arguments << QStringLiteral("--threads")
                          << QString::number(std::max(1, cores / jobs_));
    return options;
}

void BatchConversion::showRowProgress(StepTrap& trap, int firstStep, int row, const QString& path) {
    rowClock_.start();
    trap.step(firstStep, [&] {
        const int rows = int(takenRows_.size());
        if (rows <= 0) throw Failure(QStringLiteral("Division by zero"));
        // The writer leaves its frame count as the maximum; percentages need 100.
        host_.setProgressMaximum(100);
        host_.setProgressValue(static_cast<int>(qint64(row) * 100 / rows));
    });
    trap.step(firstStep + 2, [&] {
        host_.setProgressText(QStringLiteral("Processing: ") + ExtractFileName(path));
    });
}

void BatchConversion::lookAhead(EngineRows& engines, int row, int rows) {
    const int taken = std::min(rows, int(takenRows_.size()));
    for (int next = std::max(row, engines.lastStarted() + 1); next <= taken && !engines.full();
         ++next)
        engines.startAhead(next, takenRows_[next - 1]);
}

void BatchConversion::takeRows(int rows) {
    takenRows_.clear();
    for (int row = 1; row <= rows; ++row) takenRows_ << host_.rowText(row);
}

QString BatchConversion::takenRow(int row) const {
    if (row < 1 || row > takenRows_.size()) throw Failure(QStringLiteral("Index out of bounds"));
    return takenRows_[row - 1];
}

BatchConversion::Exported BatchConversion::exportSlides(Presentation& presentation,
                                                        const QString& target,
                                                        const QString& folder,
                                                        const QString& deckPath) {
    if (!video_.needsFacts()) {
        presentation.SaveAs(target, ppSaveAsBMP, msoFalse);
        return {};
    }
    try {
        presentation.SaveAs(target, ppSaveAsBMP, msoFalse);
    } catch (...) {
        DropExportedSlides(folder);
        throw;
    }
    Exported exported;
    const SoundChoice choice{video_.sound.deckSounds, speaker_.get(), video_.allowLinks};
    PackageReader reader;
    if (choice.any())
        reader = [&](const DeckPackage& package, const QString& packagePath,
                     const QList<SlideFact>& slides, const QList<int>& numbers) {
            exported.audio = LoadSlideAudio(package, packagePath, deckPath, slides, numbers, choice,
                                            folder, rowNotes_);
        };
    exported.facts = TakeExportedSlideFacts(folder, video_.slides.skipHidden, deckPath, reader);
    return exported;
}

VideoResult BatchConversion::writeVideo(StepTrap& trap, int firstStep, const QString& t,
                                        const QString& outputPath) {
    // Failed unless the writer says otherwise: a step that fails wrote nothing.
    VideoResult video{outputs_.free(outputPath), VideoOutcome(), {}, 0, {}};
    const int before = trap.failures();
    trap.step(firstStep, [&] {
        FrameVideo request;
        request.frameFolder = FrameFolder(t);
        request.scratchBitmap = FrameTarget(t);
        request.outputPath = video.path;
        request.timing =
            runTiming_ ? *runTiming_ : FrameTimingForRate(TextToInteger16(host_.text1()));
        if (!video_.needsFacts()) {
            video.outcome = WriteFrameVideo(host_, prompts_, request);
            return;
        }
        // Transition pictures come 30 a second, or at the frame rate where it is higher;
        // an AVI stream has one rate for all.
        const bool avi = video_.container == VideoContainer::Avi;
        const int transitionRate =
            avi ? 0
                : std::max<int>(30, int(request.timing.rate / std::max(1u, request.timing.scale)));
        request.plan = staged_.plan(request.timing, video_.slides.useTimings,
                                    video_.slides.transitions, transitionRate);
        if (!request.plan->ok())
            throw Failure(QStringLiteral("Cannot time the slides: ") + request.plan->error);
        video.transitions = request.plan->transitions();
        if (video_.slides.chapters && !avi) video.chapters = staged_.chapters(*request.plan);
        request.chapters = video.chapters;
        if (video_.slides.subtitles) request.subtitles = staged_.cues(*request.plan);
        // Asked for, the sound is there even when nothing on the slides is heard.
        const AudioMix mix = staged_.mix(*request.plan, music_);
        if (video_.sound.any()) {
            request.audio = AudioStreamFormat{};
            request.sound = {mix.length(), [&mix](qint64 first, std::span<float> out) {
                                 mix.render(first, out);
                             }};
            video.audioSeconds = double(mix.length()) / PcmRate;
        }
        video.outcome = WriteFrameVideo(host_, prompts_, request);
        if (video.outcome.kind != VideoOutcome::Written) return;
        if (video_.slides.chapterList && !video.chapters.isEmpty()) {
            const QString list = ChapterListPath(video.path);
            const QString error = WriteTextBesideVideo(list, ChapterListText(video.chapters));
            if (!error.isEmpty())
                throw Failure(
                    QStringLiteral("Cannot write the chapter list %1: %2").arg(list, error));
        }
        if (!video_.slides.subtitles) return;
        const QString subtitles = SubtitlePath(video.path);
        const QString error = WriteSrtFile(subtitles, request.subtitles);
        if (!error.isEmpty())
            throw Failure(
                QStringLiteral("Cannot write the subtitles %1: %2").arg(subtitles, error));
    });
    if (video.outcome.kind == VideoOutcome::Written) outputs_.markWritten(video.path);
    video.reports = trap.reports().mid(before);
    videos_ << video;
    if (videoFinished) videoFinished(video);
    return video;
}

void BatchConversion::recordRow(const StepTrap& trap, int failuresBefore, int row,
                                const QString& path, int slides,
                                const std::optional<VideoResult>& video, int engineRetries,
                                const QStringList& linksLeftOut) {
    RowResult result{path,
                     trap.failures() != failuresBefore,
                     video,
                     row,
                     slides,
                     rowClock_.isValid() ? rowClock_.elapsed() / 1000.0 : 0.0,
                     trap.reports().mid(failuresBefore),
                     engineRetries,
                     linksLeftOut,
                     runNotes_ + rowNotes_};
    rowNotes_.clear();
    rows_ << result;
    if (rowFinished) rowFinished(result);
}

RowResult::Outcome RowResult::outcome() const {
    if (succeeded()) return Outcome::Written;
    if (stepFailed || (video && video->outcome.kind != VideoOutcome::Cancelled))
        return Outcome::Failed;
    return Outcome::NotConverted;
}

int SlidesOf(const Presentation& presentation) {
    try {
        return presentation.SlideCount();
    } catch (...) {
        return 0;
    }
}

QStringList BatchConversion::failures() const {
    QStringList failed;
    for (const RowResult& row : rows_)
        if (!row.succeeded() && !failed.contains(row.path)) failed << row.path;
    return failed;
}

int BatchConversion::takeRunRows(StepTrap& trap, int step) {
    int rows = 0;
    trap.step(step, [&] {
        takenRows_.clear();
        rows = host_.rowCount();
        takeRows(rows);
    });
    return rows;
}

QString BatchConversion::outputPathFor(StepTrap& trap, int firstStep, const QString& row) {
    QString outputPath;
    if (trap.test(firstStep, [&] { return host_.option(3); })) {
        trap.step(firstStep + 2,
                  [&] { outputPath = VideoPath(host_.text2(), row, video_.container); });
    } else if (trap.test(firstStep + 4, [&] { return host_.option(4); })) {
        trap.step(firstStep + 6,
                  [&] { outputPath = VideoPath(ExtractFolder(row), row, video_.container); });
    }
    return outputPath;
}

void BatchConversion::convertRow(StepTrap& trap, EngineRows& engines, int row, int rows,
                                 const RowMode& mode) {
    const RowSteps& steps = mode.steps;
    const int before = trap.failures();
    const int retriesBefore = engines.startRetries();
    QString path;
    trap.step(steps.yield, [&] { host_.yield(); });
    trap.step(steps.take, [&] { path = takenRow(row); });
    showRowProgress(trap, steps.progress, row, path);
    trap.step(steps.settle, [&] { host_.yield(); });

    Application application;
    Presentation presentation;
    lookAhead(engines, row, rows);
    trap.step(steps.open, [&] { application = OpenInPowerPoint(engines, row, path); });
    const QStringList linksLeftOut = application.LinksLeftOut();
    lookAhead(engines, row + 1, rows);
    trap.step(steps.activate, [&] { presentation = application.ActivePresentation(); });
    if (mode.beforeExport) mode.beforeExport();
    Exported exported;
    trap.step(steps.exportSlides, [&] {
        exported = exportSlides(presentation, mode.target, mode.folder, path);
        if (mode.exported) mode.exported(exported);
    });
    const int slides = SlidesOf(presentation);
    const std::optional<VideoResult> video =
        mode.whileOpen ? mode.whileOpen(path) : std::optional<VideoResult>();

    trap.step(steps.close, [&] { presentation.Close(); });
    trap.step(steps.quit, [&] { application.Quit(); });
    trap.step(steps.dropPresentation, [&] { presentation = Presentation(); });
    trap.step(steps.dropApplication, [&] { application = Application(); });
    if (mode.afterClose) mode.afterClose(path, exported);
    lookAhead(engines, row + 1, rows);
    trap.step(steps.finish, mode.finish);
    recordRow(trap, before, row, path, slides, video, engines.startRetries() - retriesBefore,
              linksLeftOut);
}

void BatchConversion::runCombined(StepTrap& trap, const QString& t) {
    int runningSlideNumber = 1;
    staged_.clear();
    trap.step(114, [&] { PrepareFrameFolder(t); });

    const int rows = takeRunRows(trap, 118);
    std::optional<EngineRows> rowEngines;
    EngineRows& engines =
        rowEngines.emplace(engineParent(), jobs_, [&](int row) { return AheadTarget(t, row); });
    engines.setRefill([&] { lookAhead(engines, 1, rows); });
    lookAhead(engines, 1, rows);
    RowMode mode{{120, 122, 124, 128, 132, 134, 136, 148, 150, 152, 154, 156},
                 ExportTarget(t),
                 ExportFolder(t),
                 {},
                 {},
                 {},
                 [&](const QString& path, const Exported& exported) {
                     staged_.stage(runningSlideNumber, exported.facts,
                                   StripExtension(ExtractFileName(path)), exported.audio);
                 },
                 [&] { StageExportedSlides(t, runningSlideNumber); }};
    for (int row = 1; row <= rows && !host_.stopRequested(); ++row)
        convertRow(trap, engines, row, rows, mode);
    // Every row is exported: no engine waits while the video is written.
    rowEngines.reset();
    parent_.reset();

    if (trap.test(174, [&] { return FirstFrameExists(t); })) {
        QString firstPath;
        trap.step(178, [&] { firstPath = takenRow(1); });
        const QString outputPath = outputPathFor(trap, 180, firstPath);
        const VideoResult video = writeVideo(trap, 188, t, outputPath);
        // Every row's slides are in the one video: it is each row's outcome.
        for (RowResult& row : rows_) row.video = video;
    }
    trap.step(192, [&] { PurgeAfterCombinedRun(t); });
}

void BatchConversion::runSeparate(StepTrap& trap, const QString& t) {
    const int rows = takeRunRows(trap, 200);
    EngineRows engines(engineParent(), jobs_, [&](int row) { return AheadTarget(t, row); });
    engines.setRefill([&] { lookAhead(engines, 1, rows); });
    lookAhead(engines, 1, rows);
    const RowMode mode{
        {202, 204, 206, 210, 222, 224, 226, 254, 256, 258, 260, 262},
        FrameTarget(t),
        FrameFolder(t),
        [&] { staged_.clear(); },
        [&](const Exported& exported) { staged_.stage(1, exported.facts, {}, exported.audio); },
        [&](const QString& path) -> std::optional<VideoResult> {
            if (!trap.test(238, [&] { return FirstFrameExists(t); })) return std::nullopt;
            return writeVideo(trap, 250, t, outputPathFor(trap, 242, path));
        },
        {},
        [&] { PurgeAfterRow(t); }};
    for (int row = 1; row <= rows && !host_.stopRequested(); ++row)
        convertRow(trap, engines, row, rows, mode);
}
