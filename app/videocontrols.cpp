#include "app/videocontrols.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGridLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QStyle>

namespace {
QLabel* newLabel(const QString& text, const char* name, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    return label;
}

QCheckBox* newTick(const QString& text, const char* name, QWidget* parent) {
    auto* tick = new QCheckBox(text, parent);
    tick->setObjectName(QLatin1String(name));
    return tick;
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
    // 0 means each slide lasts one frame, so the frame rate alone decides.
    seconds_->setRange(0, LongestSlideMilliseconds / 1000.0);
    seconds_->setDecimals(1);
    seconds_->setSingleStep(1);
    seconds_->setSpecialValueText(QStringLiteral("Frame rate"));
    // The box's own width hint leaves the special text out, which cut it.
    seconds_->setMinimumWidth(seconds_->fontMetrics().horizontalAdvance(
                                  seconds_->specialValueText() + QStringLiteral("  ")) +
                              seconds_->style()->pixelMetric(QStyle::PM_ScrollBarExtent) * 2);

    useTimings_ = newTick(QStringLiteral("Use the slides' own timings"), "UseTimings", frame);
    skipHidden_ = newTick(QStringLiteral("Leave hidden slides out"), "SkipHidden", frame);
    subtitles_ = newTick(QStringLiteral("Notes as subtitles"), "Subtitles", frame);
    transitions_ = newTick(QStringLiteral("Play the slides' transitions"), "Transitions", frame);
    chapters_ = newTick(QStringLiteral("Mark each slide as a chapter"), "Chapters", frame);
    deckSounds_ = newTick(QStringLiteral("Play the deck's sounds"), "DeckSounds", frame);
    narrate_ = newTick(QStringLiteral("Speak the speaker notes"), "Narrate", frame);
    music_ = newTick(QString(), "Music", frame);
    showMusic(QString());
    deckSounds_->setToolTip(QStringLiteral(
        "Each slide's sound, and the sound of its video, from its start; it lasts at least that "
        "long"));
    narrate_->setToolTip(
        QStringLiteral("Each slide's notes spoken with eSpeak NG in their language; it lasts at "
                       "least that long"));
    transitions_->setToolTip(
        QStringLiteral("Each slide comes in with its own transition, played before it"));
    chapters_->setToolTip(
        QStringLiteral("MP4 and Matroska: one chapter a slide, named by its title (AVI has none)"));

    connect(container_, &QComboBox::currentIndexChanged, this, &VideoControls::changed);
    for (QCheckBox* tick : ticks())
        if (tick != music_) connect(tick, &QCheckBox::toggled, this, &VideoControls::changed);
    connect(music_, &QCheckBox::clicked, this, &VideoControls::musicClicked);
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
    settings.slides = {useTimings_->isChecked(),  skipHidden_->isChecked(), subtitles_->isChecked(),
                       transitions_->isChecked(), chapters_->isChecked(),   false};
    settings.sound.deckSounds = deckSounds_->isChecked();
    settings.sound.narrate = narrate_->isChecked();
    settings.sound.music = music_->isChecked() ? musicFile_ : QString();
    return settings;
}

void VideoControls::show(const VideoSettings& settings) {
    const QSignalBlocker a(container_);
    const QSignalBlocker b(height_);
    const QSignalBlocker c(seconds_);
    container_->setCurrentIndex(std::max(0, container_->findData(int(settings.container))));
    height_->setCurrentIndex(std::max(0, height_->findData(settings.slideHeight)));
    seconds_->setValue(settings.slideMilliseconds / 1000.0);
    const QSignalBlocker d(useTimings_);
    const QSignalBlocker e(skipHidden_);
    const QSignalBlocker f(subtitles_);
    useTimings_->setChecked(settings.slides.useTimings);
    skipHidden_->setChecked(settings.slides.skipHidden);
    subtitles_->setChecked(settings.slides.subtitles);
    const QSignalBlocker g(transitions_);
    const QSignalBlocker h(chapters_);
    transitions_->setChecked(settings.slides.transitions);
    chapters_->setChecked(settings.slides.chapters);
    const QSignalBlocker i(deckSounds_);
    const QSignalBlocker j(narrate_);
    deckSounds_->setChecked(settings.sound.deckSounds);
    narrate_->setChecked(settings.sound.narrate);
    showMusic(settings.sound.music);
}

void VideoControls::musicClicked(bool on) {
    const QString file = on && chooseMusic_ ? chooseMusic_() : QString();
    showMusic(file);
    // A dialog cancelled changes nothing that was stored.
    if (on && file.isEmpty()) return;
    emit changed();
}

// The tick names the file it plays; its tip gives the whole path.
void VideoControls::showMusic(const QString& file) {
    const QSignalBlocker blocker(music_);
    musicFile_ = file;
    music_->setChecked(!file.isEmpty());
    const QString text = QStringLiteral("Play music under the video");
    // A chosen file is named in no more room than the unticked text takes, so
    // the ticks keep their columns.
    const QFontMetrics metrics = music_->fontMetrics();
    const QString shown = QStringLiteral("Play music (%1)");
    const QString name =
        metrics.elidedText(QFileInfo(file).fileName(), Qt::ElideMiddle,
                           metrics.horizontalAdvance(text) - metrics.horizontalAdvance(shown));
    music_->setText(file.isEmpty() ? text : shown.arg(name));
    music_->setToolTip(file.isEmpty()
                           ? QStringLiteral("A sound file of your choice under the whole video, "
                                            "looped, lowered under the slides' sounds")
                           : file);
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
    return {containerLabel_, heightLabel_, secondsLabel_, useTimings_, skipHidden_, subtitles_,
            transitions_,    chapters_,    deckSounds_,   narrate_,    music_};
}
