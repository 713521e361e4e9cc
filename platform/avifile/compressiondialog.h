#pragma once

#include <QDialog>

#include "platform/avifile/compressoptions.h"

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

  private:
    void codecChanged();
    void qualityChanged(int value);

    QComboBox* codec_;
    QSlider* quality_;
    QLabel* qualityValue_;
    QSpinBox* keyFrameEvery_;
    QSpinBox* dataRate_;
    VideoContainer container_;
};

// Shows the dialog for one video file of options.container, starting from the
// last choice for that container: 1 on OK (the choice is in `options` and
// remembered), 0 on cancel (`options` untouched).
int ShowCompressionDialog(QWidget* parent, CompressOptions& options);
