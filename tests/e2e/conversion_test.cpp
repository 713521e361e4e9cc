#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "engine/batchconversion.h"
#include "engine/staging.h"
#include "tests/platform/office/officetesting.h"
#include "tests/support/fakehost.h"
#include "tests/support/scriptedprompts.h"
#include "tests/video/support/avidecode.h"

namespace {

// Converts real presentations end to end with the engine, the staging folders
// and the AVI writer, from a window stand-in.
class Conversion : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(temp.isValid());
        qputenv("TEMP", QFile::encodeName(temp.filePath(QStringLiteral("tmp"))));
        QDir().mkpath(temp.filePath(QStringLiteral("tmp")));
        QDir().mkpath(out());
        host.outputFolder = out() + QLatin1Char('/');
    }
    void separate() {
        host.options[0] = false;
        host.options[1] = true;
    }
    void besideOriginals() {
        host.options[2] = false;
        host.options[3] = true;
    }
    QString out() const { return temp.filePath(QStringLiteral("out")); }
    QString copyIn(const QString& source, const QString& name) {
        const QString target = temp.filePath(name);
        EXPECT_TRUE(QFile::copy(source, target));
        return target;
    }
    // The run left no frame, no export and no engine process behind.
    void expectCleanedUp() {
        const QString t = AcquireStagingFolder();
        EXPECT_TRUE(QDir(FrameFolder(t)).entryList(QDir::Files | QDir::Hidden).isEmpty());
        EXPECT_TRUE(QDir(ExportFolder(t)).entryList(QDir::Files | QDir::Hidden).isEmpty());
        EXPECT_FALSE(QFile::exists(FrameTarget(t)));
        for (const QString& ahead : QDir(t).entryList({QStringLiteral("ahead*")}, QDir::Dirs))
            EXPECT_TRUE(QDir(t + QLatin1Char('/') + ahead).isEmpty()) << ahead.toStdString();
        EXPECT_EQ(childProcessCount(), 0);
        EXPECT_FALSE(batch.IsConverting());
    }
    static unsigned centre(const QImage& frame) {
        return frame.pixel(frame.width() / 2, frame.height() * 3 / 4) & 0xffffff;
    }

    QTemporaryDir temp;
    FakeHost host;
    ScriptedPrompts prompts;
    BatchConversion batch{host, prompts};
};
}  // namespace

TEST_F(Conversion, CombinedModeJoinsEverySlideInListOrderIntoOneVideo) {
    host.rows = {fixture(QStringLiteral("threeslides.fodp")),
                 fixture(QStringLiteral("widescreen.fodp"))};
    host.frameRate = QStringLiteral("12.5");
    batch.PushButton2_Click();

    EXPECT_EQ(prompts.messages(), QStringList{QStringLiteral("Done.")});
    const DecodedVideo video = DecodeVideo(out() + QStringLiteral("/threeslides.avi"));
    ASSERT_TRUE(video.ok()) << video.error.toStdString();
    EXPECT_EQ(video.rateNum * 1.0 / video.rateDen, 12.0);
    ASSERT_EQ(video.frames.size(), 5);
    EXPECT_EQ(video.width, 960);
    EXPECT_EQ(video.height, 720);
    const std::vector<unsigned> colours{0xff0000, 0x00ff00, 0x0000ff, 0xffff00, 0x00ffff};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(centre(video.frames[i]), colours[i]) << "frame " << i + 1;
    // The 16:9 slides keep their shape inside the 4:3 frames.
    EXPECT_EQ(video.frames[3].pixel(480, 10) & 0xffffff, 0u);
    // Row percentages, then the writer's frame count, then the reset.
    EXPECT_EQ(host.progressValues, (QList<int>{50, 100, 0, 1, 2, 3, 4, 5, 0}));
    EXPECT_TRUE(batch.failures().isEmpty());
    expectCleanedUp();
}

TEST_F(Conversion, SeparateModeWritesBesideEachOriginalAndABadDeckCostsOnlyItsRow) {
    separate();
    besideOriginals();
    const QString first =
        copyIn(fixture(QStringLiteral("threeslides.fodp")), QStringLiteral("first deck.fodp"));
    const QString bad = temp.filePath(QStringLiteral("empty.pptx"));
    QFile(bad).open(QIODevice::WriteOnly);
    const QString second =
        copyIn(fixture(QStringLiteral("widescreen.fodp")), QStringLiteral("second.v2.fodp"));
    host.rows = {first, bad, second};
    batch.PushButton2_Click();

    const QStringList messages = prompts.messages();
    ASSERT_EQ(messages.size(), 6);
    EXPECT_TRUE(messages[0].contains(QStringLiteral("empty.pptx"))) << messages[0].toStdString();
    // Found while row 1 was written, reported at row 2's own open step.
    EXPECT_TRUE(messages[0].contains(QStringLiteral("at line 222\r"))) << messages[0].toStdString();
    EXPECT_EQ(messages.last(), QStringLiteral("Done."));
    EXPECT_EQ(batch.failures(), QStringList{bad});
    EXPECT_FALSE(QFile::exists(temp.filePath(QStringLiteral("empty.avi"))));

    const DecodedVideo one = DecodeVideo(temp.filePath(QStringLiteral("first deck.avi")));
    ASSERT_TRUE(one.ok()) << one.error.toStdString();
    EXPECT_EQ(one.frames.size(), 3);
    const DecodedVideo two = DecodeVideo(temp.filePath(QStringLiteral("second.v2.avi")));
    ASSERT_TRUE(two.ok()) << two.error.toStdString();
    ASSERT_EQ(two.frames.size(), 2);
    EXPECT_EQ(two.width, 1280);
    EXPECT_EQ(centre(two.frames[1]), 0x00ffffu);
    EXPECT_EQ(host.progressValues, (QList<int>{33, 0, 1, 2, 3, 66, 100, 0, 1, 2, 0}));
    expectCleanedUp();
}

// A list emptied or changed while the run works on it: the run goes on with
// the rows it took, in either mode, and nothing escapes it.
TEST_F(Conversion, TheRunKeepsTheRowsItTookWhateverTheListDoesMeanwhile) {
    const QString first =
        copyIn(fixture(QStringLiteral("threeslides.fodp")), QStringLiteral("a.fodp"));
    const QString second =
        copyIn(fixture(QStringLiteral("widescreen.fodp")), QStringLiteral("b.fodp"));
    for (const bool combined : {false, true}) {
        SCOPED_TRACE(combined ? "combined" : "separate");
        host.options[0] = combined;
        host.options[1] = !combined;
        host.rows = {first, second};
        host.onYield = [&] { host.rows = {temp.filePath(QStringLiteral("stranger.fodp"))}; };
        batch.PushButton2_Click();
        host.onYield = nullptr;
        EXPECT_TRUE(batch.failures().isEmpty()) << batch.failures().join(u',').toStdString();
        EXPECT_EQ(prompts.messages().last(), QStringLiteral("Done."));
        const QStringList videos =
            combined ? QStringList{QStringLiteral("a.avi")}
                     : QStringList{QStringLiteral("a.avi"), QStringLiteral("b.avi")};
        for (const QString& name : videos) {
            const DecodedVideo video = DecodeVideo(out() + QLatin1Char('/') + name);
            ASSERT_TRUE(video.ok()) << name.toStdString() << video.error.toStdString();
            EXPECT_EQ(video.frames.size(),
                      combined ? 5 : (name == QStringLiteral("a.avi") ? 3 : 2));
            QFile::remove(out() + QLatin1Char('/') + name);
        }
        expectCleanedUp();
    }
}

// One video beside the first row's presentation, from the good rows only; a
// writer that fails or is cancelled leaves an earlier video of that name.
TEST_F(Conversion, CombinedModeBesideTheFirstRowSkipsABadRowAndKeepsAnEarlierVideo) {
    besideOriginals();
    QDir().mkpath(temp.filePath(QStringLiteral("talks")));
    const QString first =
        copyIn(fixture(QStringLiteral("threeslides.fodp")), QStringLiteral("talks/first.fodp"));
    const QString bad = temp.filePath(QStringLiteral("empty.pptx"));
    writeFile(bad, {});
    const QString second =
        copyIn(fixture(QStringLiteral("widescreen.fodp")), QStringLiteral("second.fodp"));
    host.rows = {first, bad, second};
    const QString video = temp.filePath(QStringLiteral("talks/first.avi"));
    const struct {
        const char* writer;
        QString frameRate;
        bool cancel;
        const char* report;  // the writer's, or "" for none
        QStringList failures;
    } cases[] = {
        {"writes", QStringLiteral("1"), false, "", {bad}},
        {"is cancelled", QStringLiteral("1"), true, "", {first, bad, second}},
        {"fails", QStringLiteral("fast"), false, "at line 188\r", {first, bad, second}},
    };
    for (const auto& [writer, frameRate, cancel, report, failures] : cases) {
        SCOPED_TRACE(writer);
        writeFile(video, "an earlier video");
        prompts.shown.clear();
        if (cancel) prompts.compressionAnswers.push_back({0, {}});
        host.frameRate = frameRate;
        batch.PushButton2_Click();
        const QStringList messages = prompts.messages();
        // The bad row's open and the four steps that follow from it, as in separate mode.
        ASSERT_EQ(messages.size(), *report ? 7 : 6) << messages.join("\n").toStdString();
        EXPECT_TRUE(messages[0].contains(QStringLiteral("empty.pptx")));
        EXPECT_TRUE(messages[0].contains(QStringLiteral("at line 132\r")));
        if (*report) {
            EXPECT_TRUE(messages[5].contains(QLatin1String(report))) << messages[5].toStdString();
        }
        EXPECT_EQ(messages.last(), QStringLiteral("Done."));
        EXPECT_EQ(batch.failures(), failures);
        EXPECT_EQ(QDir(temp.filePath(QStringLiteral("talks")))
                      .entryList({QStringLiteral("*.avi"), QStringLiteral(".quillmoor-*")},
                                 QDir::Files | QDir::Hidden),
                  QStringList{QStringLiteral("first.avi")});
        EXPECT_FALSE(QFile::exists(out() + QStringLiteral("/first.avi")));
        if (failures.size() > 1) {
            EXPECT_EQ(readFile(video), QByteArray("an earlier video"));
            continue;
        }
        const DecodedVideo joined = DecodeVideo(video);
        ASSERT_EQ(joined.frames.size(), 5) << joined.error.toStdString();
        const std::vector<unsigned> colours{0xff0000, 0x00ff00, 0x0000ff, 0xffff00, 0x00ffff};
        for (int i = 0; i < 5; ++i) EXPECT_EQ(centre(joined.frames[i]), colours[i]) << i + 1;
    }
    expectCleanedUp();
}

TEST_F(Conversion, TwoRowsOfOneNameKeepBothVideos) {
    separate();
    const QString a =
        copyIn(fixture(QStringLiteral("threeslides.fodp")), QStringLiteral("deck.fodp"));
    QDir().mkpath(temp.filePath(QStringLiteral("other")));
    const QString b =
        copyIn(fixture(QStringLiteral("widescreen.fodp")), QStringLiteral("other/deck.fodp"));
    writeFile(out() + QStringLiteral("/deck.avi"), "an older video");
    host.rows = {a, b};
    host.frameRate = QStringLiteral("fast");
    batch.PushButton2_Click();

    // A frame rate that is no number fails the writer step; the earlier file stays.
    const QStringList messages = prompts.messages();
    ASSERT_EQ(messages.size(), 3);
    EXPECT_TRUE(messages[0].contains(QStringLiteral("at line 250")));
    EXPECT_EQ(readFile(out() + QStringLiteral("/deck.avi")), QByteArray("an older video"));

    // The first video is written without a frame the reader refuses: it is still
    // this run's, so the second gets a name of its own; its row failed.
    const QString secondFrame = FrameFolder(AcquireStagingFolder()) + QStringLiteral("/Slide2.bmp");
    bool spoiled = false;
    host.onYield = [&] {
        if (!spoiled && host.progressMaximum == 3 && QFile::exists(secondFrame))
            spoiled = QFile::resize(secondFrame, 100);
    };
    prompts.shown.clear();
    host.frameRate = QStringLiteral("2");
    batch.PushButton2_Click();
    ASSERT_TRUE(spoiled);
    EXPECT_EQ(prompts.messages().size(), 2);
    const DecodedVideo first = DecodeVideo(out() + QStringLiteral("/deck.avi"));
    EXPECT_EQ(first.packetPts, (QList<qint64>{0, 2}));
    EXPECT_EQ(DecodeVideo(out() + QStringLiteral("/deck (2).avi")).frames.size(), 2);
    EXPECT_EQ(batch.failures(), QStringList{a});
    ASSERT_EQ(batch.videos().size(), 2);
    EXPECT_EQ(batch.videos()[0].outcome.droppedFrames, 1);
    EXPECT_EQ(batch.videos()[0].outcome.missingFrames, QStringList{QStringLiteral("Slide2.bmp")});
    EXPECT_EQ(batch.videos()[1].path, out() + QStringLiteral("/deck (2).avi"));

    // A cancelled dialog writes nothing, so the next video of that name takes it.
    host.onYield = nullptr;
    prompts.compressionAnswers.push_back({0, {}});
    batch.PushButton2_Click();
    EXPECT_EQ(DecodeVideo(out() + QStringLiteral("/deck.avi")).width, 1280);
    EXPECT_EQ(batch.failures(), QStringList{a});
    expectCleanedUp();
}

TEST_F(Conversion, RealDecksBecomeOneFramePerSlide) {
    REQUIRE_SHARED_DECKS();
    const QString decks = sharedDecksDir();
    host.rows = {decks + QStringLiteral("/SampleShow.ppt"),
                 decks + QStringLiteral("/sld-slides.pptx"),
                 decks + QStringLiteral("/txt-text.pptx")};
    batch.PushButton2_Click();
    EXPECT_EQ(prompts.messages(), QStringList{QStringLiteral("Done.")});
    const DecodedVideo combined = DecodeVideo(out() + QStringLiteral("/SampleShow.avi"));
    ASSERT_TRUE(combined.ok()) << combined.error.toStdString();
    ASSERT_EQ(combined.frames.size(), 2 + 3 + 2);

    // The frames are the slides as the engine exports them, pixel for pixel.
    QTemporaryDir exported;
    QProcess helper;
    helper.start(
        binDir() + QStringLiteral("/quillmoor-office"),
        {QStringLiteral("export"), host.rows[1], exported.filePath(QStringLiteral("s.bmp"))});
    ASSERT_TRUE(helper.waitForFinished(120000));
    ASSERT_EQ(helper.exitCode(), 0) << helper.readAllStandardError().toStdString();
    for (int slide = 1; slide <= 3; ++slide) {
        QImage expected(exported.filePath(QStringLiteral("s/Slide%1.bmp").arg(slide)));
        ASSERT_FALSE(expected.isNull());
        // Both decks are 4:3, so no slide is fitted and every pixel compares.
        ASSERT_EQ(expected.size(), combined.frames[1 + slide].size()) << "slide " << slide;
        EXPECT_EQ(MaxChannelDifference(expected.convertToFormat(QImage::Format_RGB32),
                                       combined.frames[1 + slide]),
                  0)
            << "slide " << slide;
    }

    separate();
    prompts.shown.clear();
    batch.PushButton2_Click();
    EXPECT_EQ(prompts.messages(), QStringList{QStringLiteral("Done.")});
    EXPECT_EQ(DecodeVideo(out() + QStringLiteral("/SampleShow.avi")).frames.size(), 2);
    EXPECT_EQ(DecodeVideo(out() + QStringLiteral("/sld-slides.avi")).frames.size(), 3);
    EXPECT_EQ(DecodeVideo(out() + QStringLiteral("/txt-text.avi")).frames.size(), 2);
    expectCleanedUp();
}
