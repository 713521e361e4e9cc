#include "cli/convertpresentations.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QHash>
#include <QSaveFile>
#include <QSet>
#include <cerrno>
#include <cstdio>
#include <functional>

#include "app/videosettingsstore.h"
#include "cli/clihost.h"
#include "cli/cliprompts.h"
#include "cli/compressionchoice.h"
#include "cli/convertoptions.h"
#include "cli/progressline.h"
#include "cli/reportvideo.h"
#include "cli/runreport.h"
#include "cli/storeddefaults.h"
#include "engine/batchconversion.h"
#include "engine/outputnaming.h"
#include "joblist/droppedfiles.h"
#include "util/failure.h"
#include "util/fsfailure.h"
#include "util/numbers.h"
#include "util/paths.h"
#include "util/programfolder.h"
#include "util/settingsstore.h"
#include "util/storedoptions.h"
#include "video/compressoptions.h"

namespace {
RowAccount accountOf(const RowResult& row, const QStringList& messages) {
    RowAccount account{row.path,
                       row.outcome(),
                       {},
                       {},
                       row.slides,
                       row.seconds,
                       row.engineRetries,
                       0,
                       {},
                       row.linksLeftOut,
                       row.video ? row.video->audioSeconds : 0.0};
    const bool written = !row.keptVideo().isEmpty();
    // A video lacking frames is kept, though its row failed.
    if (written) {
        account.videos << row.video->path;
        account.transitions = row.video->transitions;
        account.chapters = row.video->chapters;
    }
    QList<StepReport> reports = row.reports;
    if (row.video && !row.stepFailed) reports << row.video->reports;
    for (const StepReport& report : reports) account.reasons << OneLine(report.description);
    for (const QString& message : messages) account.reasons << OneLine(message);
    for (const QString& note : row.notes) account.warnings << OneLine(note);
    if (account.reasons.isEmpty() && account.outcome != RowResult::Outcome::Written)
        account.reasons << (account.outcome == RowResult::Outcome::NotConverted
                                ? QStringLiteral("no slides were exported")
                            : written ? QStringLiteral("written without the frames %1")
                                            .arg(row.video->outcome.missingFrames.join(", "))
                                      : QStringLiteral("the video was not written"));
    return account;
}

void printLine(CliPrompts& prompts, const QString& path, const QString& text) {
    if (prompts.line != nullptr) prompts.line->clear();
    std::fprintf(stderr, "quillmoor-convert: %s: %s\n", path.toLocal8Bit().constData(),
                 text.toLocal8Bit().constData());
    std::fflush(stderr);
}

// A failed row is told once, by its first reason: what follows from it (a
// presentation that never opened cannot be saved or closed) is left out.
// Other rows pass on what they were told, one line each.
void tell(CliPrompts& prompts, const RowAccount& account) {
    for (const QString& warning : account.warnings) printLine(prompts, account.input, warning);
    if (account.outcome == RowResult::Outcome::Written) {
        for (const QString& reason : account.reasons) printLine(prompts, account.input, reason);
    } else {
        printLine(prompts, account.input, account.reasons.value(0));
    }
}

bool writeReport(const QString& file, const QList<RowAccount>& rows, double seconds) {
    if (file == QLatin1String("-")) {
        const QByteArray json = RunReportJson(rows, seconds);
        if (std::fwrite(json.constData(), 1, size_t(json.size()), stdout) == size_t(json.size()) &&
            std::fflush(stdout) == 0)
            return true;
        std::fprintf(stderr, "quillmoor-convert: the report cannot be written to stdout: %s\n",
                     SystemReason(errno).toLocal8Bit().constData());
        return false;
    }
    QSaveFile out(file);
    if (out.open(QIODevice::WriteOnly) && out.write(RunReportJson(rows, seconds)) >= 0 &&
        out.commit())
        return true;
    std::fprintf(stderr, "quillmoor-convert: %s: the report cannot be written: %s\n",
                 file.toLocal8Bit().constData(), out.errorString().toLocal8Bit().constData());
    return false;
}

// With -n, the rows whose video is there already are taken off the run and
// told as kept; a combined video keeps all of them.
QList<RowAccount> keepEarlierVideos(CliHost& host) {
    QList<RowAccount> skipped;
    const auto videoOf = [&](const QString& row) {
        return VideoPath(host.options[3] ? ExtractFolder(row) : host.outputFolder, row,
                         host.video.container);
    };
    const bool combined = host.options[0];
    const QString combinedVideo =
        combined && !host.rows.isEmpty() ? videoOf(host.rows.first()) : QString();
    QStringList kept;
    for (const QString& row : std::as_const(host.rows)) {
        const QString video = combined ? combinedVideo : videoOf(row);
        if (QFileInfo::exists(video)) {
            RowAccount account;
            account.input = row;
            account.reasons << QStringLiteral("skipped: the earlier video %1 is kept").arg(video);
            skipped << account;
        } else
            kept << row;
    }
    host.rows = kept;
    return skipped;
}

// Runs the batch, telling each video as it is complete and each failed row as
// it is done (a combined video's rows when it is), then the report.
int RunAndTell(BatchConversion& batch, CliHost& host, CliPrompts& prompts,
               const ConvertRequest& request, const QList<RowAccount>& skipped) {
    const QString& reportFile = request.reportFile;
    // With the report on stdout, stdout carries nothing else.
    FILE* const written = reportFile == QLatin1String("-") ? stderr : stdout;
    QElapsedTimer clock;
    clock.start();
    QHash<int, QStringList> rowMessages;
    QSet<int> told;
    batch.rowFinished = [&](const RowResult& row) {
        rowMessages[row.row] = prompts.takeHeld();
        // A combined video is still to come for the rows that did not fail.
        if (!row.stepFailed && !row.video) return;
        tell(prompts, accountOf(row, rowMessages[row.row]));
        told.insert(row.row);
    };
    batch.videoFinished = [&](const VideoResult& video) {
        if (prompts.line != nullptr) prompts.line->clear();
        // A closed stdout is no reader for the rest: the run ends after the row in hand.
        if (!request.quiet && !ReportVideo(written, video.path, video.outcome))
            host.outputClosed = true;
    };
    for (const RowAccount& account : skipped) tell(prompts, account);
    prompts.holding = true;
    batch.PushButton2_Click();
    prompts.holding = false;

    QStringList left = prompts.takeHeld();
    left.removeAll(QStringLiteral("Done."));
    QList<RowAccount> accounts = skipped;
    for (const RowResult& row : batch.rowResults()) {
        // What the combined video's writer said belongs to every row in it.
        const QStringList messages =
            rowMessages.value(row.row) + (told.contains(row.row) ? QStringList() : left);
        accounts << accountOf(row, messages);
        if (!told.contains(row.row)) tell(prompts, accounts.last());
    }
    if (batch.rowResults().isEmpty() || !batch.lastRunStarted())
        for (const QString& message : left) prompts.message(message);
    for (int row = int(accounts.size() - skipped.size()) + 1; row <= host.rowCount(); ++row)
        accounts << RowAccount{host.rows.at(row - 1),
                               RowResult::Outcome::NotConverted,
                               {},
                               {QStringLiteral("the run did not reach it")},
                               0,
                               0,
                               0,
                               0,
                               {},
                               {}};

    if (host.outputClosed)
        std::fputs("quillmoor-convert: stdout is closed: the run ended after the row in hand\n",
                   stderr);
    bool reported = true;
    if (!reportFile.isEmpty())
        reported = writeReport(reportFile, accounts, clock.elapsed() / 1000.0);
    if (!batch.lastRunStarted()) return 1;
    return batch.failures().isEmpty() && reported && !host.outputClosed ? 0 : 1;
}

// Fills the window's controls from the request and the store; says why the run
// cannot start ("" when it can).
QString fillOptions(const ConvertRequest& request, const RunDefaults& defaults, CliHost& host) {
    using Mode = ConvertRequest::Mode;
    using Destination = ConvertRequest::Destination;
    const OptionButtons& stored = defaults.options;
    host.options[0] = request.mode == Mode::Stored ? stored[0] : request.mode == Mode::Combine;
    host.options[1] = request.mode == Mode::Stored ? stored[1] : request.mode == Mode::Separate;
    host.options[2] = request.destination == Destination::Stored
                          ? stored[2]
                          : request.destination == Destination::Folder;
    host.options[3] = request.destination == Destination::Stored
                          ? stored[3]
                          : request.destination == Destination::Beside;
    host.outputFolder = request.destination == Destination::Folder
                            ? QFileInfo(request.outputFolder).absoluteFilePath()
                            : defaults.outputFolder;
    host.frameRate = request.frameRateText.isEmpty() ? defaults.frameRate : request.frameRateText;
    // Checked before any engine starts, not when the first video is due.
    if (request.slideMilliseconds == 0 && !IsInteger16(host.frameRate))
        return QStringLiteral(
                   "The stored frame rate \"%1\" is not a number from -32768 to 32767; give --fps N")
            .arg(host.frameRate);
    // The window would convert nothing and say "Done."; a script must hear why.
    if (!host.options[0] && !host.options[1])
        return QStringLiteral(
            "No mode is selected: the stored settings select neither \"Combine to 1 AVI\" nor \"Separate AVI for each PowerPoint\"; give --combine or --separate");
    if (!host.options[2] && !host.options[3])
        return QStringLiteral(
            "No save location is selected: the stored settings select neither \"Save results to this folder:\" nor \"Save results in folder of original file\"; give --output-dir DIR or --beside");
    return {};
}
}  // namespace

int ConvertPresentations(const ConvertRequest& request, CliHost& host, CliPrompts& prompts) {
    ConvertRequest effective = request;
    if (request.action == ConvertRequest::Action::Samples) {
        effective.paths = SampleFilePaths(ProgramFolder());
        if (request.destination != ConvertRequest::Destination::Folder) {
            effective.destination = ConvertRequest::Destination::Folder;
            effective.outputFolder = QDir::currentPath();
        }
    }
    // What the command line leaves open, the window's video settings decide.
    const RunDefaults defaults = LoadRunDefaults(request);
    if (!defaults.changed.isEmpty() && !request.quiet)
        std::fprintf(stderr,
                     "quillmoor-convert: the window's stored settings give this run: %s "
                     "(--no-settings ignores them)\n",
                     defaults.changed.join(QStringLiteral(", ")).toLocal8Bit().constData());
    const VideoSettings& stored = defaults.video;
    const VideoContainer container = request.container.value_or(stored.container);
    const int slideHeight = request.slideHeight > 0 ? request.slideHeight : stored.slideHeight;
    const int slideMilliseconds = request.slideMilliseconds > 0     ? request.slideMilliseconds
                                  : request.frameRateText.isEmpty() ? stored.slideMilliseconds
                                                                    : 0;
    const ChosenCompression compression = CompressionFor(request, defaults.compression);
    QString refusal = compression.error;
    if (refusal.isEmpty()) refusal = fillOptions(effective, defaults, host);
    if (!refusal.isEmpty()) {
        std::fprintf(stderr, "quillmoor-convert: %s\n", OneLine(refusal).toLocal8Bit().constData());
        return 2;
    }
    prompts.compression = compression.options;

    // LibreOffice loads while the folders are scanned.
    // The window's ticks would leave no way to turn these off here: only the flags count.
    host.video = VideoSettings{container,      slideHeight,        slideMilliseconds,
                               request.slides, request.allowLinks, request.sound};
    BatchConversion batch(host, prompts);
    batch.setJobs(request.jobs);
    batch.startEngine();

    host.rows.clear();
    QList<RowAccount> skipped;
    for (const QString& path : effective.paths) {
        const QString absolute = QFileInfo(path).absoluteFilePath();
        const QStringList rows = IsFolder(absolute) ? FolderPresentations(absolute, prompts)
                                                    : DroppedEntryRows(absolute, prompts);
        // A path that is not there still becomes a row, so it is reported by name.
        host.rows << (rows.isEmpty() && !IsFolder(absolute) ? QStringList{absolute} : rows);
    }

    if (!request.replace) skipped = keepEarlierVideos(host);
    if (host.rows.isEmpty() && !skipped.isEmpty()) {
        for (const RowAccount& account : skipped) tell(prompts, account);
        return request.reportFile.isEmpty() || writeReport(request.reportFile, skipped, 0) ? 0 : 1;
    }
    return RunAndTell(batch, host, prompts, request, skipped);
}
