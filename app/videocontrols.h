#pragma once

#include <QObject>

#include <QList>
#include <functional>

#include "video/videosettings.h"

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QGridLayout;
class QLabel;
class QWidget;

// The window's video settings beside the frame rate: container, slide height,
// seconds per slide, the author's timings, hidden slides and notes, and the
// video's sound (the deck's own, the notes spoken, music under it). `changed`
// fires on every change the user makes.
class VideoControls : public QObject {
    Q_OBJECT
  public:
    explicit VideoControls(QWidget* frame);

    VideoSettings settings() const;
    // Shows `settings` without firing `changed`.
    void show(const VideoSettings& settings);
    // Asked for the music file when the music tick is ticked; "" leaves it unticked.
    void setMusicChooser(std::function<QString()> choose) { chooseMusic_ = std::move(choose); }
    // Label and control in a column of three rows.
    void addTo(QGridLayout& grid, int column);
    // The ticks, which the Options' tick panel places.
    QList<QCheckBox*> ticks() const {
        return {useTimings_, skipHidden_, subtitles_, transitions_,
                chapters_,   deckSounds_, narrate_,   music_};
    }

    // The labels and ticks, which take the frame's look.
    QList<QWidget*> labels() const;

  signals:
    void changed();

  private:
    void musicClicked(bool on);
    void showMusic(const QString& file);

    QLabel* containerLabel_;
    QComboBox* container_;
    QLabel* heightLabel_;
    QComboBox* height_;
    QLabel* secondsLabel_;
    QDoubleSpinBox* seconds_;
    QCheckBox* useTimings_;
    QCheckBox* skipHidden_;
    QCheckBox* subtitles_;
    QCheckBox* transitions_;
    QCheckBox* chapters_;
    QCheckBox* deckSounds_;
    QCheckBox* narrate_;
    QCheckBox* music_;
    QString musicFile_;
    std::function<QString()> chooseMusic_;
};
