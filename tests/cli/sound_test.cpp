#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <cmath>
#include <cstdio>

#include "../support/testsupport.h"
#include "../support/tones.h"
#include "../video/support/audiodecode.h"
#include "../video/support/avidecode.h"
#include "../video/support/playback.h"
#include "../video/support/writeframes.h"
#include "convertrun.h"
#include "platform/office/engine/zippackage.h"

namespace {
// `fixtureName` turned by LibreOffice into `deck` (its extension says the format).
bool convertFixture(const QString& fixturePath, const QString& deck) {
    QProcess helper;
    helper.start(binDir() + QStringLiteral("/quillmoor-office"),
                 {QStringLiteral("convert"), fixturePath, deck});
    return helper.waitForFinished(120000) && helper.exitCode() == 0 && QFile::exists(deck);
}

// The seconds each slide's own picture starts at, and where the pictures end.
QList<double> pictureStarts(const DecodedVideo& video) {
    QList<double> starts;
    for (qsizetype i = 0; i < video.packetSizes.size(); ++i)
        if (video.packetSizes[i] > 0) starts << video.packetSeconds[i];
    return starts;
}

// The cues' start and end seconds, in order.
QList<double> cueTimes(const QByteArray& srt) {
    QList<double> times;
    static const QRegularExpression time(QStringLiteral("(\\d\\d):(\\d\\d):(\\d\\d),(\\d\\d\\d)"));
    for (auto match = time.globalMatch(QString::fromUtf8(srt)); match.hasNext();) {
        const auto m = match.next();
        times << m.captured(1).toInt() * 3600 + m.captured(2).toInt() * 60 + m.captured(3).toInt() +
                     m.captured(4).toInt() / 1000.0;
    }
    return times;
}

// The .pptx LibreOffice saved with a link to `sound`, made to hold the sound
// itself, as PowerPoint stores a recorded narration.
bool embedLinkedSound(const QString& deck, const QString& sound) {
    ZipPackage package(deck.toStdString());
    static const QRegularExpression link(
        QStringLiteral("Target=\"file:[^\"]*\" TargetMode=\"External\""));
    int linked = 0;
    for (const std::string& name : package.entries()) {
        QString part = QString::fromStdString(package.read(name));
        if (name == "[Content_Types].xml")
            package.replace(name,
                            part.replace(QStringLiteral("</Types>"),
                                         QStringLiteral("<Default Extension=\"wav\" "
                                                        "ContentType=\"audio/wav\"/></Types>"))
                                .toStdString());
        if (name.starts_with("ppt/slides/_rels/") && part.contains(link)) {
            linked += int(part.count(link));
            package.replace(name,
                            part.replace(link, QStringLiteral("Target=\"../media/narration.wav\""))
                                .toStdString());
        }
    }
    package.replace("ppt/media/narration.wav", readFile(sound).toStdString());
    return linked > 0 && package.write().empty();
}

const struct {
    const char* container;
    const char* codec;
} containers[] = {{"mp4", "aac"}, {"mkv", "aac"}, {"avi", "pcm_s16le"}};

}  // namespace

// The notes of the first and last of three shown slides spoken, each cue while its
// paragraph is; the slide without notes silent; the sound as long as the pictures.
TEST(Sound, NarratedNotesInEachContainer) {
    QTemporaryDir out;
    ASSERT_TRUE(out.isValid());
    const QString deck = out.filePath(QStringLiteral("deck.odp"));
    ASSERT_TRUE(convertFixture(fixture(QStringLiteral("timednotes.fodp")), deck));
    double pictureSeconds = 0;  // the MP4's: Matroska keeps no video length
    for (const auto& c : containers) {
        SCOPED_TRACE(c.container);
        const ConvertRun run = RunConvert({"--separate", "-o", out.path(), "--container",
                                           c.container, "--seconds-per-slide", "1", "--skip-hidden",
                                           "--narrate", "--subtitles", deck});
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
        const QString video = out.filePath(QStringLiteral("deck.") + QLatin1String(c.container));
        const DecodedAudio audio = DecodeAudio(video);
        ASSERT_TRUE(audio.ok()) << audio.error.toStdString();
        EXPECT_EQ(audio.codecName, QLatin1String(c.codec));
        EXPECT_EQ(audio.sampleRate, 48000);
        EXPECT_EQ(audio.channels, 2);
        const DecodedVideo pictures = DecodeVideo(video, false);
        const QList<double> starts = pictureStarts(pictures);
        ASSERT_EQ(starts.size(), 3);
        if (pictures.seconds > 0) pictureSeconds = pictures.seconds;
        // Within a frame at 30 a second (AAC in Matroska keeps its encoder's lead-in).
        EXPECT_NEAR(audio.seconds, pictureSeconds, 0.03);
        // Two paragraphs, then one: the second follows the first, the third starts its slide.
        const QList<double> cues = cueTimes(readFile(out.filePath(QStringLiteral("deck.srt"))));
        ASSERT_EQ(cues.size(), 6);
        EXPECT_NEAR(cues[0], 0, 0.001);
        EXPECT_NEAR(cues[2], cues[1], 0.001);
        EXPECT_LE(cues[3], starts[1]);
        EXPECT_NEAR(cues[4], starts[2], 0.01);
        EXPECT_GT(audio.loudnessBetween(cues[0], cues[3]), 0.01);
        EXPECT_LT(audio.loudnessBetween(starts[1] + 0.1, starts[2] - 0.1), 0.001);
        EXPECT_GT(audio.loudnessBetween(cues[4], cues[5]), 0.01);
        // GStreamer's own demuxer and decoder hear the same.
        const QString wav = out.filePath(QStringLiteral("gstreamer.wav"));
        const std::optional<QString> failed = PlayInGStreamer(video, wav);
        if (!failed) {
            std::printf("GStreamer not checked: gst-launch-1.0 is not installed\n");
            continue;
        }
        ASSERT_TRUE(failed->isEmpty()) << failed->toStdString();
        const DecodedAudio played = DecodeAudio(wav);
        ASSERT_TRUE(played.ok()) << played.error.toStdString();
        EXPECT_NEAR(played.seconds, audio.seconds, 0.05);
        EXPECT_GT(played.loudnessBetween(cues[0], cues[3]), 0.01);
        EXPECT_LT(played.loudnessBetween(starts[1] + 0.1, starts[2] - 0.1), 0.001);
    }
}

// The second slide's sound, linked beside the deck or recorded into it, or a
// video's sound, from that slide's start: the slide lasts as long as the sound,
// the others stay silent.
TEST(Sound, TheDecksOwnSoundPlaysOnItsSlide) {
    QTemporaryDir out;
    ASSERT_TRUE(out.isValid());
    const QString flat = out.filePath(QStringLiteral("flat.fodp"));
    const QString tone = out.filePath(QStringLiteral("tone.wav"));
    ASSERT_TRUE(QFile::copy(fixture(QStringLiteral("slidesound.fodp")), flat));
    writeFile(tone, ToneWav(22050, 2.5));
    const QString pptx = out.filePath(QStringLiteral("recorded.pptx"));
    ASSERT_TRUE(convertFixture(flat, pptx));
    ASSERT_TRUE(embedLinkedSound(pptx, tone));
    // The same tone as the sound of a clip of one black picture.
    const QString withVideo = out.filePath(QStringLiteral("clip.fodp"));
    writeFile(withVideo, readFile(flat).replace("tone.wav", "clip.mp4"));
    QImage black(64, 48, QImage::Format_RGB32);
    black.fill(Qt::black);
    ASSERT_TRUE(WriteFrames(out.filePath(QStringLiteral("clip.mp4")), {MakeDib(black, 24)}, 2, 5,
                            CompressOptions{}, {}, StereoTone(2.5, 12000.0f / 32768))
                    .written);
    const QString report = out.filePath(QStringLiteral("report.json"));
    for (const QString& deck : {flat, out.filePath(QStringLiteral("deck.odp")), withVideo, pptx}) {
        SCOPED_TRACE(deck.toStdString());
        if (deck.endsWith(QLatin1String(".odp"))) {
            ASSERT_TRUE(convertFixture(flat, deck));
        }
        // The recording is heard from inside the deck.
        if (deck == pptx) QFile::remove(tone);
        const ConvertRun run =
            RunConvert({"--separate", "-o", out.path(), "--container", "mp4", "--seconds-per-slide",
                        "1", "--sound", "--report", report, deck});
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
        const QString video = out.filePath(QFileInfo(deck).completeBaseName() + ".mp4");
        const DecodedAudio audio = DecodeAudio(video);
        ASSERT_TRUE(audio.ok()) << audio.error.toStdString();
        const QList<double> starts = pictureStarts(DecodeVideo(video, false));
        ASSERT_EQ(starts, (QList<double>{0, 1, 3.5}));
        EXPECT_NEAR(audio.seconds, 4.5, 0.03);
        EXPECT_LT(audio.loudnessBetween(0, 0.9), 0.001);
        // The mono tone's RMS, 12000 / 32768 of full scale at its peaks, on both sides.
        EXPECT_NEAR(audio.loudnessBetween(1.1, 3.4), 0.366 / std::sqrt(2.0), 0.03);
        EXPECT_LT(audio.loudnessBetween(3.6, 4.5), 0.001);
        const QJsonObject row =
            QJsonDocument::fromJson(readFile(report)).object()["rows"].toArray()[0].toObject();
        EXPECT_NEAR(row["audioSeconds"].toDouble(), 4.5, 0.001);
        EXPECT_TRUE(row["warnings"].toArray().isEmpty());
        QFile::remove(video);
    }
}

// Music loops under the whole video, heard alone where nothing is said and faded
// out at its end; music that is no sound costs the run only that, in one line.
TEST(Sound, MusicPlaysUnderTheVideoAndFadesOut) {
    QTemporaryDir out;
    ASSERT_TRUE(out.isValid());
    const QString deck = out.filePath(QStringLiteral("deck.fodp"));
    ASSERT_TRUE(QFile::copy(fixture(QStringLiteral("timednotes.fodp")), deck));
    const QString music = out.filePath(QStringLiteral("music.wav"));
    writeFile(music, ToneWav(22050, 0.7));
    const QString video = out.filePath(QStringLiteral("deck.mp4"));
    // Three seconds a slide: the silent second slide ends before the fade begins.
    const QStringList options{"--separate",          "-o", out.path(),      "--container", "mp4",
                              "--seconds-per-slide", "3",  "--skip-hidden", "--narrate"};
    ConvertRun run = RunConvert(options + QStringList{"--music", music, deck});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    DecodedAudio audio = DecodeAudio(video);
    ASSERT_TRUE(audio.ok()) << audio.error.toStdString();
    QList<double> starts = pictureStarts(DecodeVideo(video, false));
    ASSERT_EQ(starts.size(), 3);
    // The tone's RMS at the music's level, half of full.
    const double alone = audio.loudnessBetween(starts[1] + 0.3, starts[2] - 0.3);
    EXPECT_NEAR(alone, 0.5 * 0.366 / std::sqrt(2.0), 0.03);
    EXPECT_LT(audio.loudnessBetween(audio.seconds - 0.2, audio.seconds), alone / 2);

    const QString notSound = out.filePath(QStringLiteral("music.txt"));
    writeFile(notSound, "no sound at all");
    QFile::remove(video);
    run = RunConvert(options + QStringList{"--music", notSound, deck});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.err.count(QStringLiteral("The music ") + notSound + " is left out"), 1)
        << run.err.toStdString();
    audio = DecodeAudio(video);
    starts = pictureStarts(DecodeVideo(video, false));
    ASSERT_EQ(starts.size(), 3);
    EXPECT_LT(audio.loudnessBetween(starts[1] + 0.3, starts[2] - 0.3), 0.001);
}
