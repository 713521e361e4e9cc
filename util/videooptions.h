#pragma once

#include <QString>
#include <QtGlobal>
#include <optional>

// The file kinds a video can be written as; AVI unless the user chose another.
enum class VideoContainer { Avi, Mp4, Matroska };

// ".avi", ".mp4" or ".mkv".
QString ContainerExtension(VideoContainer container);
// The container a video path's extension names (any case); AVI for any other name.
VideoContainer ContainerForPath(const QString& path);
// "avi", "mp4" or "mkv" (any case), as the command line and the settings store write it.
std::optional<VideoContainer> ContainerNamed(const QString& text);
QString ContainerKey(VideoContainer container);

// What the user chose in the compression dialog for one stream. All fields start
// "empty"; the dialog fills them.
struct CompressOptions {
    QString codec;          // encoder name as offered by the dialog; "": the container's default
    int quality = 0;        // 0..100, 0 = the encoder's default
    int keyFrameEvery = 1;  // key frame every N frames
    qint64 dataRateBitsPerSecond = 0;  // 0 = no data-rate limit
    // Which container the compressor is for: the writer says, the dialog offers its compressors.
    VideoContainer container = VideoContainer::Avi;
};

// The dialog counts data rates in kilobytes (1024 bytes) a second, the command
// line in kilobits (1000 bits) a second.
inline constexpr qint64 BitsPerDialogKilobyte = 8 * 1024;
inline constexpr qint64 BitsPerKilobit = 1000;
inline constexpr qint64 DialogKilobytes(qint64 bitsPerSecond) {
    return (bitsPerSecond + BitsPerDialogKilobyte / 2) / BitsPerDialogKilobyte;
}

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
    SoundOptions sound = {};    // the same
    // Whether the export must leave the slides' facts beside them.
    bool needsFacts() const { return slides.any() || sound.any(); }
};

// The settings group the window keeps them in; the program's own group keeps its nine keys.
inline constexpr const char* VideoSettingsGroup = "Video";
// The heights the window offers besides the slide's own size.
inline constexpr int OfferedSlideHeights[] = {480, 720, 1080, 1440, 2160};

// The stored settings; what is missing or unreadable falls back to the default.
VideoSettings LoadVideoSettings();
// Stores them; throws Failure when the store cannot be written.
void SaveVideoSettings(const VideoSettings& settings);
// The longest slide the window and the command line take, in milliseconds.
inline constexpr int LongestSlideMilliseconds = 3'600'000;
