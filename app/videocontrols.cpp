#include "app/videocontrols.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QLabel>
#include <QSignalBlocker>

namespace {
QLabel* newLabel(const QString& text, const char* name, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    return label;
}
}  // namespace

VideoControls::VideoControls(QWidget* frame) : QObject(frame) {
    containerLabel_ = newLabel(QStringLiteral("File type:"), "ContainerLabel", frame);
    container_ = new QComboBox(frame);
    container_->setObjectName(QStringLiteral("Container"));
    container_->addItem(QStringLiteral("AVI"), int(VideoContainer::Avi));
    container_->addItem(QStringLiteral("MP4"), int(VideoContainer::Mp4));
    container_->addItem(QStringLiteral("Matroska"), int(VideoContainer::Matroska));

    heightLabel_ = newLabel(QStringLiteral("Video height:"), "HeightLabel", frame);
    height_ = new QComboBox(frame);
    height_->setObjectName(QStringLiteral("VideoHeight"));
    height_->addItem(QStringLiteral("Slide size"), 0);
    for (int height : OfferedSlideHeights) height_->addItem(QString::number(height), height);

    secondsLabel_ = newLabel(QStringLiteral("Seconds per slide:"), "SecondsLabel", frame);
    seconds_ = new QDoubleSpinBox(frame);
    seconds_->setObjectName(QStringLiteral("SecondsPerSlide"));
    // 0 shows the special text: the frame rate decides, as written.
    seconds_->setRange(0, LongestSlideMilliseconds / 1000.0);
    seconds_->setDecimals(1);
    seconds_->setSingleStep(1);
    seconds_->setSpecialValueText(QStringLiteral("Frame rate"));

    connect(container_, &QComboBox::currentIndexChanged, this, &VideoControls::changed);
    connect(height_, &QComboBox::currentIndexChanged, this, &VideoControls::changed);
    connect(seconds_, &QDoubleSpinBox::valueChanged, this, &VideoControls::changed);
}

VideoSettings VideoControls::settings() const {
    VideoSettings settings;
    settings.container = VideoContainer(container_->currentData().toInt());
    settings.slideHeight = height_->currentData().toInt();
    const int milliseconds = qRound(seconds_->value() * 1000);
    // Below a tenth of a second the box has only the special value.
    settings.slideMilliseconds = milliseconds >= 100 ? milliseconds : 0;
    return settings;
}

void VideoControls::show(const VideoSettings& settings) {
    const QSignalBlocker a(container_);
    const QSignalBlocker b(height_);
    const QSignalBlocker c(seconds_);
    container_->setCurrentIndex(std::max(0, container_->findData(int(settings.container))));
    height_->setCurrentIndex(std::max(0, height_->findData(settings.slideHeight)));
    seconds_->setValue(settings.slideMilliseconds / 1000.0);
}

void VideoControls::addTo(QGridLayout& grid, int column) {
    QWidget* const controls[][2] = {
        {containerLabel_, container_}, {heightLabel_, height_}, {secondsLabel_, seconds_}};
    for (int row = 0; row < 3; ++row) {
        grid.addWidget(controls[row][0], row, column);
        grid.addWidget(controls[row][1], row, column + 1);
    }
}

QList<QWidget*> VideoControls::labels() const {
    return {containerLabel_, heightLabel_, secondsLabel_};
}
