#include "app/compressiondialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>

#include "video/codeclist.h"

CompressionDialog::CompressionDialog(const CompressOptions& initial, QWidget* parent)
    : QDialog(parent), container_(initial.container) {
    setWindowTitle(QStringLiteral("Video Compression"));

    codec_ = new QComboBox(this);
    codec_->setObjectName(QStringLiteral("codec"));
    codec_->addItems(AvailableCodecNames(initial.container));
    // No choice yet for this container: its default (H.264 for MP4) is the first entry.
    const int chosen = codec_->findText(initial.codec);
    codec_->setCurrentIndex(chosen >= 0 ? chosen : 0);

    quality_ = new QSlider(Qt::Horizontal, this);
    quality_->setObjectName(QStringLiteral("quality"));
    quality_->setRange(0, 100);
    quality_->setValue(initial.quality);
    qualityValue_ = new QLabel(this);
    qualityValue_->setMinimumWidth(
        qualityValue_->fontMetrics().horizontalAdvance(QStringLiteral("Default")));
    auto* qualityRow = new QHBoxLayout;
    qualityRow->addWidget(quality_);
    qualityRow->addWidget(qualityValue_);

    keyFrameEvery_ = new QSpinBox(this);
    keyFrameEvery_->setObjectName(QStringLiteral("keyFrameEvery"));
    keyFrameEvery_->setRange(1, 9999);
    keyFrameEvery_->setValue(std::max(1, initial.keyFrameEvery));
    keyFrameEvery_->setSuffix(QStringLiteral(" frames"));

    dataRate_ = new QSpinBox(this);
    dataRate_->setObjectName(QStringLiteral("dataRate"));
    dataRate_->setRange(0, 1000000);
    dataRate_->setSpecialValueText(QStringLiteral("No limit"));
    dataRate_->setValue(int(DialogKilobytes(initial.dataRateBitsPerSecond)));
    dataRate_->setSuffix(QStringLiteral(" KB/s"));

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Compressor:"), codec_);
    form->addRow(QStringLiteral("Compression quality:"), qualityRow);
    form->addRow(QStringLiteral("Key frame every"), keyFrameEvery_);
    form->addRow(QStringLiteral("Data rate"), dataRate_);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    video_ = new QLabel(this);
    video_->setObjectName(QStringLiteral("video"));
    video_->setTextFormat(Qt::PlainText);
    video_->hide();
    forEveryVideo_ =
        new QCheckBox(QStringLiteral("Use these settings for every video of this run"), this);
    forEveryVideo_->setObjectName(QStringLiteral("forEveryVideo"));
    forEveryVideo_->hide();

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(video_);
    layout->addLayout(form);
    layout->addWidget(forEveryVideo_);
    layout->addWidget(buttons);

    connect(codec_, &QComboBox::currentIndexChanged, this, [this] { codecChanged(); });
    connect(quality_, &QSlider::valueChanged, this, [this](int value) { qualityChanged(value); });
    qualityChanged(quality_->value());
    codecChanged();
}

void CompressionDialog::codecChanged() {
    const CodecEntry* entry = FindCodec(codec_->currentText(), container_);
    quality_->setEnabled(entry != nullptr && entry->usesQuality);
    qualityValue_->setEnabled(quality_->isEnabled());
    keyFrameEvery_->setEnabled(entry != nullptr && entry->usesKeyFrames);
    dataRate_->setEnabled(entry != nullptr && entry->usesDataRate);
}

void CompressionDialog::qualityChanged(int value) {
    qualityValue_->setText(value == 0 ? QStringLiteral("Default") : QString::number(value));
}

CompressOptions CompressionDialog::options() const {
    CompressOptions chosen;
    chosen.codec = codec_->currentText();
    chosen.quality = quality_->value();
    chosen.keyFrameEvery = keyFrameEvery_->value();
    chosen.dataRateBitsPerSecond = dataRate_->value() * BitsPerDialogKilobyte;
    chosen.container = container_;
    return chosen;
}

void CompressionDialog::setVideoPath(const QString& path) {
    const QFileInfo file(path);
    // The name first: a long folder must not push it out of sight.
    video_->setText(QStringLiteral("Video: %1\nIn: %2")
                        .arg(file.fileName(), QDir::toNativeSeparators(file.path())));
    video_->setToolTip(path);
    video_->show();
}

void CompressionDialog::offerForEveryVideo() {
    forEveryVideo_->setChecked(false);
    forEveryVideo_->show();
}

bool CompressionDialog::forEveryVideo() const {
    return !forEveryVideo_->isHidden() && forEveryVideo_->isChecked();
}

int ShowCompressionDialogFor(QWidget* parent, const QString& videoPath, CompressOptions& options,
                             bool* everyVideo) {
    CompressionDialog dialog(LoadCompressOptions(options.container), parent);
    if (!videoPath.isEmpty()) dialog.setVideoPath(videoPath);
    if (everyVideo != nullptr) dialog.offerForEveryVideo();
    if (dialog.exec() != QDialog::Accepted) return 0;
    options = dialog.options();
    SaveCompressOptions(options);
    if (everyVideo != nullptr) *everyVideo = dialog.forEveryVideo();
    return 1;
}

int ShowCompressionDialog(QWidget* parent, CompressOptions& options) {
    return ShowCompressionDialogFor(parent, QString(), options, nullptr);
}
