#pragma once

#include <QString>
#include <QtGlobal>

#include "video/videocontainer.h"

// The author's own timing and words, each asked for or not.
struct SlideOptions {
    bool useTimings = false;   // a slide lasts its automatic advance time
    bool skipHidden = false;   // hidden slides are left out
    bool subtitles = false;    // the notes become subtitles
    bool transitions = false;  // each slide's transition is played before it
    bool chapters = false;     // each slide is a chapter (MP4 and Matroska)
    bool chapterList = false;  // and the chapters are listed beside the video
    bool any() const { return useTimings || skipHidden || subtitles || transitions || chapters; }
};

// The video's sound, each source asked for or not; silent unless one is.
struct SoundOptions {
    bool deckSounds = false;  // the deck's own sounds
    bool narrate = false;     // the speaker notes spoken
    QString voice;            // eSpeak NG's voice name; "": the notes' language's
    int wordsPerMinute = 0;   // 0: eSpeak NG's usual pace
    QString music;            // a file under the whole video; "": none
    bool any() const { return deckSounds || narrate || !music.isEmpty(); }
};

// The window's video settings, beside its frame rate.
struct VideoSettings {
    VideoContainer container = VideoContainer::Avi;
    int slideHeight = 0;        // 0: 96 pixels per inch of the slide
    int slideMilliseconds = 0;  // 0: the frame rate decides
    SlideOptions slides = {};   // the command line sets them by its flags only
    // A presentation's links may reach every local file, not only its own folder.
    bool allowLinks = false;
    SoundOptions sound = {};  // the command line sets them by its flags only
    // Whether the export must leave the slides' facts beside them.
    bool needsFacts() const { return slides.any() || sound.any(); }
};

// The settings group the window keeps them in; the program's own group keeps its nine keys.
inline constexpr const char* VideoSettingsGroup = "Video";
// And the sound's, in a group of its own.
inline constexpr const char* SoundSettingsGroup = "Sound";
// The heights the window offers besides the slide's own size.
inline constexpr int OfferedSlideHeights[] = {480, 720, 1080, 1440, 2160};

// The longest slide the window and the command line take, in milliseconds.
inline constexpr int LongestSlideMilliseconds = 3'600'000;
