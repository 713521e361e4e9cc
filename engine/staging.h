#pragma once

#include <QString>

#include "util/failure.h"

// The staging folder T of this program instance and the operations on the
// fixed paths under it. T is a slot folder inside a private root
// <temp>/quillmoor-<uid> (0700, ours, no symbolic link), held locked for the
// instance's life, so two instances never share frames.

// The staging root cannot be used safely; the description is the whole
// message the user sees.
class StagingRefused : public Failure {
  public:
    StagingRefused(const QString& path, const QString& reason);
    const QString& path() const { return path_; }
    const QString& reason() const { return reason_; }

  private:
    QString path_;
    QString reason_;
};

// "The temporary folder cannot be used safely:", the path and the reason, on three lines.
QString StagingRefusedText(const QString& path, const QString& reason);

// $TEMP when set and not empty, else $TMPDIR, else /tmp; read afresh each time.
QString TemporaryFolder();
// TemporaryFolder() + "/quillmoor-<uid>".
QString StagingRoot();
// T: the first free slot folder of the root ("0", "1", ...), taken on first
// use and held until the process ends; later calls give the same folder while
// it stays valid. Throws StagingRefused.
QString AcquireStagingFolder();

// The fixed paths under T.
QString FrameFolder(const QString& t);   // T/temp: the frames the writer reads
QString ExportFolder(const QString& t);  // T/temp2: one presentation's slides, combined mode
QString FrameTarget(
    const QString& t);  // T/temp.bmp: export target in separate mode, writer's scratch
QString ExportTarget(const QString& t);  // T/temp2.bmp: export target in combined mode
// T/ahead<n>.bmp: a later row opened and exported ahead into a folder of its
// own; numbers repeat only far beyond the rows that can be at work at once.
inline constexpr int AheadFolders = 128;
QString AheadTarget(const QString& t, int row);

// Combined mode, once at the start: creates T/temp unless an entry of that name exists.
void PrepareFrameFolder(const QString& t);
// Combined mode, after each presentation: moves the exported slides (numeric
// order, "~" names left alone) into the frame folder as Slide<n>.bmp with the
// running slide number, which each slide uses up even when its copy fails.
void StageExportedSlides(const QString& t, int& runningSlideNumber);
// Whether T/temp holds Slide1.bmp, whatever the case of its name.
bool FirstFrameExists(const QString& t);
// Separate mode, after each row: deletes the frames ("~" names stay) and T/temp.bmp.
void PurgeAfterRow(const QString& t);
// Combined mode, at the end: deletes T/temp.bmp and every file in both folders.
void PurgeAfterCombinedRun(const QString& t);
// At the start of every run: frames of a run that was cut off never enter a new video.
void EmptyStagingFolders(const QString& t);
// At the end of every run too: slides exported ahead that no row took up.
void EmptyAheadFolders(const QString& t);
