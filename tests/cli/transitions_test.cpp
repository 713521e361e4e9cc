#include <gtest/gtest.h>

#include <QColor>
#include <QProcess>
#include <QTemporaryDir>
#include <cmath>

#include "../support/testsupport.h"
#include "../video/support/avidecode.h"
#include "convertrun.h"

namespace {
double light(int v) {
    const double s = v / 255.0;
    return s <= 0.04045 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
}
int stored(double l) {
    return int(
        std::lround(255 * (l <= 0.0031308 ? l * 12.92 : 1.055 * std::pow(l, 1 / 2.4) - 0.055)));
}
}  // namespace

// The fixture's four 2 s slides with a 1 s fade, a 0.5 s push from the right and
// a 1.5 s wipe: each transition's pictures before its slide, the slides' own
// times kept, chapters from each transition's start.
TEST(Transitions, PlayBeforeTheirSlidesInEachContainer) {
    QTemporaryDir out;
    ASSERT_TRUE(out.isValid());
    const QString deck = out.filePath(QStringLiteral("deck.odp"));
    QProcess helper;
    helper.start(binDir() + QStringLiteral("/quillmoor-office"),
                 {QStringLiteral("convert"), fixture(QStringLiteral("transitions.fodp")), deck});
    ASSERT_TRUE(helper.waitForFinished(120000));
    const struct {
        const char* container;
        const char* seconds;
        qint64 pictures;            // decoded
        double total;               // seconds
        QList<double> slideStarts;  // each slide's own picture
    } cases[] = {
        {"mp4", "2", 94, 11, {0, 3, 5.5, 9}},
        {"mkv", "2", 94, 0, {0, 3, 5.5, 9}},  // its last frame's length is not read back
        // Two pictures a second: 2, 1 and 3 pictures.
        {"avi", "0.5", 10, 5, {0, 1.5, 2.5, 4.5}},
    };
    for (const auto& c : cases) {
        const ConvertRun run = RunConvert({"--separate", "-o", out.path(), "--container",
                                           c.container, "--seconds-per-slide", c.seconds,
                                           "--transitions", "--chapters", "--chapter-list", deck});
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
        const QString video = out.filePath(QStringLiteral("deck.") + QLatin1String(c.container));
        const DecodedVideo decoded = DecodeVideo(video);
        ASSERT_TRUE(decoded.ok()) << decoded.error.toStdString();
        EXPECT_EQ(decoded.frames.size(), c.pictures) << c.container;
        ASSERT_FALSE(decoded.packetSeconds.isEmpty());
        if (c.total > 0) {
            EXPECT_NEAR(decoded.packetSeconds.last() + decoded.packetDurations.last(), c.total,
                        0.05)
                << c.container;
        }
        const QList<QRgb> colours = {qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255),
                                     qRgb(255, 255, 0)};
        for (int slide = 0; slide < 4; ++slide) {
            const qsizetype at = decoded.packetSeconds.indexOf(
                *std::find_if(decoded.packetSeconds.cbegin(), decoded.packetSeconds.cend(),
                              [&](double s) { return s > c.slideStarts[slide] - 0.01; }));
            EXPECT_NEAR(decoded.packetSeconds[at], c.slideStarts[slide], 0.01) << c.container;
        }
        if (QLatin1String(c.container) == QLatin1String("avi")) {
            EXPECT_FALSE(QFile::exists(out.filePath(QStringLiteral("deck.chapters.txt"))));
            EXPECT_TRUE(decoded.chapterTitles.isEmpty());
            continue;
        }
        // The chapters are in the file itself too, each from its transition's start.
        EXPECT_EQ(decoded.chapterTitles,
                  (QStringList{QStringLiteral("Opening"), QStringLiteral("Second thoughts"),
                               QStringLiteral("Slide 3"), QStringLiteral("Close")}))
            << c.container;
        EXPECT_EQ(decoded.chapterMs, (QList<qint64>{0, 2000, 5000, 7500})) << c.container;
        EXPECT_EQ(readFile(out.filePath(QStringLiteral("deck.chapters.txt"))),
                  QByteArray("00:00 Opening\n00:02 Second thoughts\n00:05 Slide 3\n00:07 Close\n"));
        QFile::remove(out.filePath(QStringLiteral("deck.chapters.txt")));
        // The 16th of the fade's 30 pictures (16/31 of the way) in light, red to green,
        // within what the YUV round trip of a mixed colour costs.
        const QImage fade = decoded.frames[16];
        const QColor middle = fade.pixelColor(fade.width() / 2, fade.height() / 2);
        const double p = 16.0 / 31;
        EXPECT_NEAR(middle.red(), stored(light(255) * (1 - p)), 12) << c.container;
        EXPECT_NEAR(middle.green(), stored(light(255) * p), 12) << c.container;
        EXPECT_LE(middle.blue(), 6) << c.container;
        // The push's 8th of 15 pictures: halfway, green on the left and blue come in from the
        // right.
        const QImage push = decoded.frames[1 + 30 + 1 + 7];
        const int y = push.height() / 2;
        const int half = push.width() / 2;
        EXPECT_GT(QColor(push.pixel(half - 4, y)).green(), 240) << c.container;
        EXPECT_GT(QColor(push.pixel(half + 4, y)).blue(), 240) << c.container;
        EXPECT_LT(QColor(push.pixel(half + 4, y)).green(), 16) << c.container;
    }
}
