#pragma once

#include <QElapsedTimer>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

#include "engine/outputnaming.h"
#include "engine/stagedslides.h"
#include "platform/office/client/officeclient.h"
#include "util/prompts.h"
#include "util/steptrap.h"
#include "video/framevideo.h"

class EngineParent;
class Speaker;
class EngineRows;
class Presentation;
class Host;
class Presentation;

// What became of one video of a run: its final path (" (2)" included) and the writer's outcome.
struct VideoResult {
    QString path;
    VideoOutcome outcome;
    // Failures reported at the writer's own step.
    QList<StepReport> reports;
    int transitions = 0;  // slides whose transition it plays
    QList<VideoChapter> chapters;
    double audioSeconds = 0;  // the length of its sound; 0: silent
};

// What became of one row: whether a step of its own work failed (and was
// reported), and the video its slides went into, if one was made.
struct RowResult {
    QString path;
    bool stepFailed = false;
    std::optional<VideoResult> video;
    int row = 0;     // its place in the list when its turn came
    int slides = 0;  // as the engine counted them; 0 when it never opened
    double seconds = 0;
    // Its failures in the order they were reported, the first one the cause.
    QList<StepReport> reports;
    int engineRetries = 0;  // engines started again because one gave no answer
    // Links of the presentation left out of its slides, one line each: not failures.
    QStringList linksLeftOut;
    // What it converted without (a sound that could not be heard, a voice not found).
    QStringList notes;
    // A presentation succeeded when its video was written with all its frames.
    bool succeeded() const { return !stepFailed && video && video->outcome.complete(); }
    // The video holding this row's slides, kept also when it lacks frames; ""
    // when nothing was written or a step of the row failed (its slides are not in it).
    QString keptVideo() const {
        return !stepFailed && video && video->outcome.kind == VideoOutcome::Written ? video->path
                                                                                    : QString();
    }
    enum class Outcome { Written, Failed, NotConverted };
    // Failed when a step failed or its video failed or lacks frames; not
    // converted when nothing was written and nothing failed (no slides, or the
    // dialog was cancelled).
    Outcome outcome() const;
};

// What "Start Converting" does: every job-list row in list order becomes
// slides in the staging folders, and the frame folder becomes AVI files (one
// for the whole list, or one per presentation). It reads the window's
// controls through Host at the moments it needs them and talks to the user
// through Prompts, so the window and the command line run the same code.
class BatchConversion {
  public:
    BatchConversion(Host& host, Prompts& prompts);
    ~BatchConversion();

    void PushButton2_Click();
    // How the engines of later runs are started; the host's slide height is added.
    void setEngineOptions(const HelperOptions& options) { engineOptions_ = options; }
    // Starts the engine parent now, for the host's video settings as they
    // are, so the first row finds it ready; a run starts it otherwise. It
    // ends with the run that used it.
    void startEngine();
    // Presentations opened and exported at once; below 1, one for each core and one more.
    void setJobs(int jobs);
    // Every frame of later runs lasting as `timing` says, instead of the frame rate box
    // and the host's seconds per slide.
    void setFrameTiming(std::optional<FrameTiming> timing) { frameTiming_ = timing; }

    bool IsConverting() const { return isConverting_; }
    // Whether the last run got past validation (a refused run shows one message only).
    bool lastRunStarted() const { return lastRunStarted_; }
    // The last run's rows and videos, in the order they were done.
    const QList<RowResult>& rowResults() const { return rows_; }
    const QList<VideoResult>& videos() const { return videos_; }
    // Presentations of the last run that did not end in a written video.
    QStringList failures() const;

    // Told as each row is done and as each video is done, while the run goes on.
    std::function<void(const RowResult&)> rowFinished;
    std::function<void(const VideoResult&)> videoFinished;

  private:
    void runCombined(StepTrap& trap, const QString& t);
    void runSeparate(StepTrap& trap, const QString& t);
    // One writer call with the library started and ended around it.
    VideoResult writeVideo(StepTrap& trap, int firstStep, const QString& t,
                           const QString& outputPath);
    void showRowProgress(StepTrap& trap, int firstStep, int row, const QString& path);
    void recordRow(const StepTrap& trap, int failuresBefore, int row, const QString& path,
                   int slides, const std::optional<VideoResult>& video, int engineRetries,
                   const QStringList& linksLeftOut);
    // The engine's options for a run: its slide height, and the slides' facts when needed.
    HelperOptions runEngineOptions() const;
    // Exports the row's slides to `target` (into `folder`) and, when the run needs
    // them, returns their facts, hidden slides left out when asked; an export that
    // fails then leaves no slides behind.
    struct Exported {
        QList<SlideFact> facts;
        QList<SlideAudio> audio;
    };
    Exported exportSlides(Presentation& presentation, const QString& target, const QString& folder,
                          const QString& deckPath);
    // The run's speaker and music, as its sound settings ask.
    void prepareSound();
    // Starts rows from `row` on opening and exporting ahead, as many as may work at once.
    void lookAhead(EngineRows& engines, int row, int rows);
    // The job list's first `rows` rows, taken as the run starts: what the list
    // shows later changes nothing of the run in hand.
    void takeRows(int rows);
    // The job list's row count at step `step`, its rows taken with it.
    int takeRunRows(StepTrap& trap, int step);
    // The steps a row takes, as each kind of run numbers them.
    struct RowSteps {
        int yield, take, progress, settle, open, activate, exportSlides, close, quit,
            dropPresentation, dropApplication, finish;
    };
    // What a kind of run does with a row, around the steps all rows share.
    struct RowMode {
        RowSteps steps;
        QString target, folder;  // where the slides are exported
        std::function<void()> beforeExport;
        std::function<void(const Exported&)> exported;  // within the export step
        // With the engine still open: the row's own video, if it gets one.
        std::function<std::optional<VideoResult>(const QString& path)> whileOpen;
        std::function<void(const QString& path, const Exported&)> afterClose;
        std::function<void()> finish;  // the last step
    };
    void convertRow(StepTrap& trap, EngineRows& engines, int row, int rows, const RowMode& mode);
    // The video's path for `row`'s presentation as the save options say, from
    // step `firstStep` on; empty when neither option is set.
    QString outputPathFor(StepTrap& trap, int firstStep, const QString& row);
    // Row `row` (from 1) of those; Failure when the run took no such row.
    QString takenRow(int row) const;
    EngineParent& engineParent();

    Host& host_;
    Prompts& prompts_;
    bool isConverting_ = false;
    bool lastRunStarted_ = false;
    QList<RowResult> rows_;
    QList<VideoResult> videos_;
    RunOutputs outputs_;
    HelperOptions engineOptions_;
    std::unique_ptr<EngineParent> parent_;
    int jobs_ = 0;
    std::optional<FrameTiming> frameTiming_;
    StagedSlides staged_;  // the current video's frames
    // The run's sound: the notes' speaker, the music, and what could not be had.
    std::unique_ptr<Speaker> speaker_;
    SharedPcm music_;
    QStringList runNotes_;
    QStringList rowNotes_;  // the row in hand's
    // The host's video settings as the run in hand started with them.
    VideoSettings video_;
    std::optional<FrameTiming> runTiming_;
    QElapsedTimer rowClock_;
    QStringList takenRows_;
};

// The slides of an open presentation, 0 when none is open.
int SlidesOf(const Presentation& presentation);
