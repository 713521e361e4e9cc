#pragma once

#include <QDialog>

#include "video/compressoptions.h"

class QCheckBox;
class QComboBox;
class QDialogButtonBox;
class QLabel;
class QSlider;
class QSpinBox;

// The video compression dialog: the encoders this build has, quality, key-frame
// interval and data rate, each greyed out when the chosen encoder ignores it.
class CompressionDialog : public QDialog {
    Q_OBJECT
  public:
    explicit CompressionDialog(const CompressOptions& initial, QWidget* parent = nullptr);
    CompressOptions options() const;

    // Names the video the choice is for, above the choices.
    void setVideoPath(const QString& path);
    // Offers to keep the choice for every later video of the run (unticked).
    void offerForEveryVideo();
    bool forEveryVideo() const;

  private:
    void codecChanged();
    void qualityChanged(int value);

    QComboBox* codec_;
    QSlider* quality_;
    QLabel* qualityValue_;
    QSpinBox* keyFrameEvery_;
    QSpinBox* dataRate_;
    VideoContainer container_;
    QLabel* video_;
    QCheckBox* forEveryVideo_;
};

// Shows the dialog for one video file of options.container, starting from the
// last choice for that container: 1 on OK (the choice is in `options` and
// remembered), 0 on cancel (`options` untouched).
int ShowCompressionDialog(QWidget* parent, CompressOptions& options);

// The same for the video at `videoPath`, named in the dialog. With `everyVideo`
// the dialog offers to keep the choice for the rest of the run, and sets it
// when the user took that offer.
int ShowCompressionDialogFor(QWidget* parent, const QString& videoPath, CompressOptions& options,
                             bool* everyVideo);
