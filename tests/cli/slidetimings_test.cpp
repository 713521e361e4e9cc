#include <gtest/gtest.h>

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "../support/testsupport.h"
#include "../video/support/avidecode.h"
#include "cli/convertoptions.h"
#include "convertrun.h"
#include "video/srtwriter.h"

namespace {
// The fixture as LibreOffice writes it in each format, made once for the suite.
class SlideTimings : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        decks_ = new QTemporaryDir;
        for (const char* format : {"pptx", "ppt", "odp", "pdf"}) {
            QProcess helper;
            helper.start(binDir() + QStringLiteral("/quillmoor-office"),
                         {QStringLiteral("convert"), fixture(QStringLiteral("timednotes.fodp")),
                          deck(format)});
            helper.waitForFinished(120000);
        }
    }
    static void TearDownTestSuite() { delete decks_; }
    static QString deck(const char* format) {
        return decks_->filePath(QStringLiteral("timed-%1.%1").arg(QLatin1String(format)));
    }
    static QTemporaryDir* decks_;
};
QTemporaryDir* SlideTimings::decks_ = nullptr;

QList<SubtitleCue> readSrt(const QString& path) {
    static const QRegularExpression cue(QStringLiteral(
        "\\d+\\n(\\d\\d):(\\d\\d):(\\d\\d),(\\d{3}) --> (\\d\\d):(\\d\\d):(\\d\\d),(\\d{3})\\n((?:.+\\n)+)\\n"));
    const QString text = QString::fromUtf8(readFile(path));
    QList<SubtitleCue> cues;
    auto ms = [](const QRegularExpressionMatch& m, int first) {
        return ((m.captured(first).toLongLong() * 60 + m.captured(first + 1).toLongLong()) * 60 +
                m.captured(first + 2).toLongLong()) *
                   1000 +
               m.captured(first + 3).toLongLong();
    };
    for (const QRegularExpressionMatch& m : cue.globalMatch(text))
        cues << SubtitleCue{ms(m, 1), ms(m, 5), m.captured(9).chopped(1)};
    return cues;
}

const QString FirstNote = QStringLiteral("First note, line one\nline two");
const QString LastNote = QStringLiteral("Fourth & last");
}  // namespace

TEST(ConvertArguments, TakesTheAuthorsTimingAndWordsForPresentationsOnly) {
    const ConvertRequest request = ParseConvertArguments(
        {"quillmoor-convert", "--use-timings", "--skip-hidden", "--subtitles", "a.pptx"});
    ASSERT_TRUE(request.error.isEmpty()) << request.error.toStdString();
    EXPECT_TRUE(request.slides.useTimings && request.slides.skipHidden && request.slides.subtitles);
    for (const char* option : {"--use-timings", "--skip-hidden", "--subtitles"}) {
        const ConvertRequest frames = ParseConvertArguments(
            {"quillmoor-convert", "--frames", "f", "--fps", "1", "--output", "o.avi", option});
        EXPECT_TRUE(frames.error.contains(QLatin1String("does not apply to a --frames run")))
            << option;
    }
}

// Hidden slides left out, each slide its own time (the click-advanced one the
// seconds asked), and the notes as cues over each slide's time, alike from
// every format as LibreOffice reads it (a .ppt's 2 s read back as 2.048 s).
TEST_F(SlideTimings, EachFormatGivesItsSlidesTheirOwnTimesAndNotes) {
    QTemporaryDir out;
    ASSERT_TRUE(out.isValid());
    const ConvertRun run = RunConvert({"--separate", "--output-dir", out.path(), "--use-timings",
                                       "--skip-hidden", "--subtitles", "--seconds-per-slide", "4",
                                       deck("pptx"), deck("ppt"), deck("odp")});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const struct {
        const char* format;
        qint64 first, last;  // the two timed slides' milliseconds
    } expected[] = {{"pptx", 2000, 2000}, {"ppt", 2048, 2048}, {"odp", 2000, 1500}};
    for (const auto& deck : expected) {
        const QString base = out.filePath(QStringLiteral("timed-%1").arg(deck.format));
        const DecodedVideo video = DecodeVideo(base + QStringLiteral(".avi"), false);
        ASSERT_TRUE(video.ok()) << deck.format << video.error.toStdString();
        const qint64 total = deck.first + 4000 + deck.last;
        EXPECT_EQ(video.nonEmptyPackets(), 3) << deck.format;
        EXPECT_NEAR(video.seconds, total / 1000.0, 1e-9) << deck.format;
        for (int i = 0; i < video.packetSizes.size(); ++i)
            EXPECT_TRUE(video.packetSizes[i] == 0 || video.packetKeys[i]) << deck.format;
        const QList<SubtitleCue> cues{{0, deck.first, FirstNote},
                                      {deck.first + 4000, total, LastNote}};
        EXPECT_EQ(readSrt(base + QStringLiteral(".srt")), cues) << deck.format;
    }
}

// Without --skip-hidden every slide is a frame; the cues follow the one video's timeline.
TEST_F(SlideTimings, CombinedCuesFollowTheCombinedTimeline) {
    QTemporaryDir out;
    ASSERT_TRUE(out.isValid());
    const ConvertRun run = RunConvert({"--combine", "--output-dir", out.path(), "--subtitles",
                                       "--fps", "2", deck("odp"), deck("pptx")});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const DecodedVideo video = DecodeVideo(out.filePath(QStringLiteral("timed-odp.avi")), false);
    ASSERT_TRUE(video.ok()) << video.error.toStdString();
    EXPECT_EQ(video.nonEmptyPackets(), 8);
    EXPECT_DOUBLE_EQ(video.seconds, 4.0);
    QList<SubtitleCue> cues;
    for (const qint64 deckStart : {0, 2000})
        cues << SubtitleCue{deckStart, deckStart + 500, FirstNote}
             << SubtitleCue{deckStart + 1000, deckStart + 1500, QStringLiteral("Hidden note")}
             << SubtitleCue{deckStart + 1500, deckStart + 2000, LastNote};
    EXPECT_EQ(readSrt(out.filePath(QStringLiteral("timed-odp.srt"))), cues);
}

// MP4 and Matroska hold one frame a slide lasting its time, and the notes also as
// a text stream of their own.
TEST_F(SlideTimings, Mp4AndMatroskaHoldOneFrameASlideAndTheNotesAsAStream) {
    QTemporaryDir out;
    ASSERT_TRUE(out.isValid());
    // Matroska keeps a video frame's length only as the time to the next one (and
    // the file's duration for the last).
    const struct {
        const char* container;
        const char* textCodec;
        bool frameDurations;
    } cases[] = {{"mp4", "mov_text", true}, {"mkv", "subrip", false}};
    for (const auto& c : cases) {
        const ConvertRun run = RunConvert({"--separate", "--output-dir", out.path(), "--container",
                                           c.container, "--use-timings", "--skip-hidden",
                                           "--subtitles", "--seconds-per-slide", "4", deck("odp")});
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
        const QString base = out.filePath(QStringLiteral("timed-odp."));
        const DecodedVideo video = DecodeVideo(base + QLatin1String(c.container), false);
        ASSERT_TRUE(video.ok()) << c.container << video.error.toStdString();
        EXPECT_EQ(video.packetSeconds, (QList<double>{0, 2, 6})) << c.container;
        if (c.frameDurations) {
            EXPECT_EQ(video.packetDurations, (QList<double>{2, 4, 1.5})) << c.container;
        }
        EXPECT_EQ(video.textCodec, QLatin1String(c.textCodec));
        EXPECT_EQ(video.texts, (QStringList{FirstNote, LastNote})) << c.container;
        EXPECT_EQ(video.textSeconds, (QList<double>{0, 6})) << c.container;
        EXPECT_EQ(video.textDurations, (QList<double>{2, 1.5})) << c.container;
        EXPECT_EQ(readSrt(base + QStringLiteral("srt")).size(), 2) << c.container;
    }
}

// A PDF opens as a drawing: its pages (LibreOffice left the hidden slide out of
// it), none hidden, none timed, no notes.
TEST_F(SlideTimings, ADrawingHasItsPagesAndNothingElse) {
    QTemporaryDir out;
    ASSERT_TRUE(out.isValid());
    const ConvertRun run = RunConvert({"--separate", "--output-dir", out.path(), "--use-timings",
                                       "--skip-hidden", "--subtitles", "--fps", "2", deck("pdf")});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const DecodedVideo video = DecodeVideo(out.filePath(QStringLiteral("timed-pdf.avi")), false);
    ASSERT_TRUE(video.ok()) << video.error.toStdString();
    EXPECT_EQ(video.nonEmptyPackets(), 3);
    EXPECT_DOUBLE_EQ(video.seconds, 1.5);
    EXPECT_TRUE(readSrt(out.filePath(QStringLiteral("timed-pdf.srt"))).isEmpty());
}
