#pragma once

#include <QElapsedTimer>
#include <QString>
#include <QStringList>

#include "util/host.h"
#include "util/runestimate.h"
#include "video/videosettings.h"

class ProgressLine;

// The window's part without a window: rows and options as given, progress on
// the terminal's progress line (when there is one): the row in hand of all,
// its file name, the frames written of its video, the time so far and, once
// rows have finished, how long the rest will take.
class CliHost : public Host {
  public:
    explicit CliHost(ProgressLine* line = nullptr);

    void yield() override;
    int rowCount() const override { return int(rows.size()); }
    QString rowText(int row) const override;
    bool option(int number) const override;
    QString text1() const override { return frameRate; }
    QString text2() const override { return outputFolder; }
    VideoSettings videoSettings() const override { return video; }
    bool stopRequested() const override { return outputClosed; }
    int pointer() const override { return pointer_; }
    void setPointer(int state) override { pointer_ = state; }
    void setProgressMaximum(int maximum) override;
    void setProgressValue(int value) override;
    void setProgressText(const QString& text) override;

    QStringList rows;
    bool options[4] = {true, false, true, false};
    QString frameRate = QStringLiteral("1");
    QString outputFolder;
    VideoSettings video;
    // Set when stdout takes no more: the run then ends after the row in hand.
    bool outputClosed = false;

  private:
    void show();

    ProgressLine* line_;
    QElapsedTimer clock_;
    qint64 shownAt_ = -1;
    int pointer_ = Default;
    int row_ = 0;
    qint64 rowStartedAt_ = 0;
    RunEstimate estimate_;
    QString name_;
    // The writer announces its frame count with a maximum followed by 0; the
    // window's row percentages are not frames and are not shown.
    int pendingMaximum_ = -1;
    int frames_ = 0;
    int frame_ = 0;
};
