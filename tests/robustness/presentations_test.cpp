// Bad presentations and a misbehaving engine, each among good decks in one
// batch of the command line: the bad ones are named with a reason, the good
// ones keep their exact frames, and nothing crashes, hangs or stays running.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>

#include "../support/testsupport.h"
#include "../video/support/avidecode.h"
#include "robustness.h"

namespace {
constexpr int RunLimitMs = 300000;
const QString GoodDeck = QStringLiteral("threeslides.fodp");
constexpr int GoodFrames = 3;

struct Bad {
    QString name;
    QString reason;  // what the report says after the name; "" for any reason
};

// The good deck converted alone: the pictures every good row must give.
QList<QImage> referenceFrames(const Sandbox& box) {
    const QString deck = box.deck(GoodDeck, QStringLiteral("reference/alone.fodp"));
    box.handOver();
    Child run({program(QStringLiteral("quillmoor-convert")),
               {"--separate", "--fps", "1", "--output-dir", box.path("reference"), deck},
               box.path(),
               box.environment()});
    if (!run.waitFor(RunLimitMs) || run.exitCode() != 0) return {};
    return DecodeVideo(box.path(QStringLiteral("reference/alone.avi"))).frames;
}

// The batch's good decks converted exactly, the bad ones reported by name.
void expectOutcome(const Sandbox& box, const Child& run, const QStringList& good,
                   const QList<Bad>& bad, const QList<QImage>& reference) {
    const QString err = run.err();
    for (const QString& name : good) {
        const QString video = box.path(QStringLiteral("out/") + QFileInfo(name).completeBaseName() +
                                       QStringLiteral(".avi"));
        const QList<QImage> frames = DecodeVideo(video).frames;
        EXPECT_EQ(frames.size(), GoodFrames) << name.toStdString() << "\n" << err.toStdString();
        EXPECT_TRUE(frames == reference) << name.toStdString() << ": other pictures than alone";
        EXPECT_FALSE(err.contains(QStringLiteral("quillmoor-convert: ") + box.path(name) +
                                  QStringLiteral(": ")));
    }
    for (const Bad& entry : bad) {
        const QString path = box.path(entry.name);
        EXPECT_TRUE(
            err.contains(QStringLiteral("quillmoor-convert: ") + path + QStringLiteral(": ")))
            << entry.name.toStdString() << "\n"
            << err.toStdString();
        EXPECT_TRUE(err.contains(QStringLiteral("Cannot open \"%1\": %2").arg(path, entry.reason)))
            << entry.name.toStdString();
    }
    EXPECT_EQ(run.exitCode(), bad.isEmpty() ? 0 : 1) << err.toStdString();
    EXPECT_TRUE(TemporaryVideos(box.path(QStringLiteral("out"))).isEmpty());
}
}  // namespace

TEST(BadPresentations, EachIsReportedAmongGoodDecksThatStillConvertExactly) {
    AdoptOrphans();
    Sandbox box;
    const QList<QImage> reference = referenceFrames(box);
    ASSERT_EQ(reference.size(), GoodFrames) << "the good deck did not convert alone";
    QList<Bad> bad;
    if (sharedDecksDir().isEmpty()) {
        std::printf("../shared/decks is not beside this clone; its bad decks are skipped\n");
    } else {
        for (const QFileInfo& file :
             QDir(sharedDecksDir() + QStringLiteral("/bad")).entryInfoList(QDir::Files)) {
            QFile::copy(file.filePath(), box.path(QStringLiteral("in/") + file.fileName()));
            bad << Bad{QStringLiteral("in/") + file.fileName(), QString()};
        }
    }
    writeFile(box.path(QStringLiteral("in/empty.pptx")), {});
    writeFile(box.path(QStringLiteral("in/text.ppt")), "just some words\n");
    const QByteArray deck = readFile(fixture(GoodDeck));
    writeFile(box.path(QStringLiteral("in/truncated.fodp")), deck.left(deck.size() / 2));
    box.deck(GoodDeck, QStringLiteral("in/locked.fodp"));
    ASSERT_EQ(
        ::mkfifo(QFile::encodeName(box.path(QStringLiteral("in/pipe.pptx"))).constData(), 0644), 0);
    QDir().mkpath(box.path(QStringLiteral("in/folder.ppt")));
    box.deck(GoodDeck, QStringLiteral("in/gone.fodp"));
    bad << Bad{"in/empty.pptx", "the file is empty"}
        << Bad{"in/text.ppt", "LibreOffice cannot read it"}
        << Bad{"in/truncated.fodp", "LibreOffice cannot read it"}
        << Bad{"in/locked.fodp", "permission denied"}
        << Bad{"in/pipe.pptx", "it is not a regular file"} << Bad{"in/gone.fodp", QString()};

    // Good, bad, good, bad, ..., good; the folder is entered, not converted.
    QStringList good,
        arguments{QStringLiteral("--separate"), QStringLiteral("--fps"), QStringLiteral("1"),
                  QStringLiteral("--output-dir"), box.path(QStringLiteral("out"))};
    for (int i = 0; i <= bad.size(); ++i) {
        good << QStringLiteral("in/good%1.fodp").arg(i);
        box.deck(GoodDeck, good.last());
        arguments << box.path(good.last());
        if (i < bad.size()) arguments << box.path(bad[i].name);
        if (i == 0) arguments << box.path(QStringLiteral("in/folder.ppt"));
    }
    box.handOver();
    ::chmod(QFile::encodeName(box.path(QStringLiteral("in/locked.fodp"))).constData(), 0);

    Child run(
        {program(QStringLiteral("quillmoor-convert")), arguments, box.path(), box.environment()});
    // The gone deck is listed; it goes as soon as the first row is done.
    const QString gone = box.path(QStringLiteral("in/gone.fodp"));
    ASSERT_TRUE(run.waitFor(RunLimitMs, [&] {
        if (QFileInfo::exists(box.path(QStringLiteral("out/good0.avi")))) QFile::remove(gone);
    })) << "the batch did not end";
    expectOutcome(box, run, good, bad, reference);
    EXPECT_FALSE(QFileInfo::exists(box.path(QStringLiteral("out/folder.avi"))));
    EXPECT_FALSE(run.err().contains(QStringLiteral("quillmoor-convert: ") +
                                    box.path(QStringLiteral("in/folder.ppt")) +
                                    QStringLiteral(": ")));
    EXPECT_EQ(Leftovers(), QList<pid_t>{});
    std::printf("bad inputs tried: %lld, among %lld good decks\n", qint64(bad.size() + 1),
                qint64(good.size()));
}

namespace {
// quillmoor-convert linked into a folder of its own beside a stand-in helper:
// the program finds its helper beside its own resolved path.
QString programWithHelper(const Sandbox& box, const QByteArray& helperScript) {
    const QString bin = box.path(QStringLiteral("bin"));
    QDir().mkpath(bin);
    const QString convert = bin + QStringLiteral("/quillmoor-convert");
    if (::link(QFile::encodeName(program(QStringLiteral("quillmoor-convert"))).constData(),
               QFile::encodeName(convert).constData()) != 0 &&
        !QFile::copy(program(QStringLiteral("quillmoor-convert")), convert))
        return {};
    writeFile(bin + QStringLiteral("/quillmoor-office"), helperScript);
    ::chmod(QFile::encodeName(bin + QStringLiteral("/quillmoor-office")).constData(), 0755);
    return convert;
}
}  // namespace

TEST(EngineFaults, AKilledHungOrMissingEngineCostsItsRowsAndNothingElse) {
    AdoptOrphans();
    constexpr int Meant = 5;
    QStringList delivered;

    // The engine killed at a moment of the run's own: while it writes a row's
    // slides, while a video is being written, and at a later row's slides.
    // Slides painted 2160 lines high take long enough to be caught at it.
    enum class Moment { FirstSlides, VideoWritten, LaterSlides };
    for (const Moment moment : {Moment::FirstSlides, Moment::VideoWritten, Moment::LaterSlides}) {
        Sandbox box;
        QStringList good;
        for (int i = 0; i < 3; ++i)
            good << box.deck(GoodDeck, QStringLiteral("in/deck%1.fodp").arg(i));
        box.handOver();
        Child run({program(QStringLiteral("quillmoor-convert")),
                   QStringList{"--separate", "--fps", "1", "--height", "2160", "--output-dir",
                               box.path("out")} +
                       good,
                   box.path(), box.environment()});
        int killed = 0;
        ASSERT_TRUE(run.waitFor(
            RunLimitMs,
            [&] {
                if (killed > 0) return;
                const bool now =
                    moment == Moment::VideoWritten
                        ? !TemporaryVideos(box.path(QStringLiteral("out"))).isEmpty()
                        : SlideBitmapUnder(box.path(QStringLiteral("tmp"))) &&
                              (moment == Moment::FirstSlides ||
                               QFileInfo::exists(box.path(QStringLiteral("out/deck0.avi"))));
                if (now) killed = KillDescendants(run.pid());
            },
            5));
        const QString err = run.err();
        const char* name = moment == Moment::FirstSlides    ? "at the first slides"
                           : moment == Moment::VideoWritten ? "while a video is written"
                                                            : "at a later row's slides";
        SCOPED_TRACE(name);
        EXPECT_GT(killed, 0) << "the moment never came: " << err.toStdString();
        if (killed > 0) delivered << QString::fromLatin1(name);
        int failed = 0;
        for (const QString& deck : good) {
            const QString video =
                box.path(QStringLiteral("out/") + QFileInfo(deck).completeBaseName() + ".avi");
            if (err.contains(QStringLiteral("quillmoor-convert: ") + deck + QStringLiteral(": "))) {
                ++failed;
                // Killed after its video was complete (at Close or Quit), or
                // part way through its slides, which still make a video as in
                // turn, or no video at all.
                if (QFileInfo::exists(video)) {
                    const int frames = FrameCount(video);
                    EXPECT_TRUE(frames >= 1 && frames <= GoodFrames) << frames;
                }
            } else {
                EXPECT_EQ(FrameCount(video), GoodFrames) << err.toStdString();
            }
        }
        // An engine killed while it paints the first slides costs that row at least.
        if (moment == Moment::FirstSlides && killed > 0) {
            EXPECT_GT(failed, 0) << err.toStdString();
        }
        EXPECT_EQ(run.exitCode(), failed == 0 ? 0 : 1) << err.toStdString();
        if (failed > 0) {
            EXPECT_TRUE(err.contains(QStringLiteral("the presentation engine ended unexpectedly")))
                << err.toStdString();
        }
        EXPECT_TRUE(TemporaryVideos(box.path(QStringLiteral("out"))).isEmpty());
        EXPECT_EQ(Leftovers(), QList<pid_t>{});
    }

    // LibreOffice missing: every row says so, at once.
    {
        Sandbox box;
        QDir().mkpath(box.path(QStringLiteral("nolibreoffice")));
        const QStringList decks{box.deck(GoodDeck, "in/a.fodp"), box.deck(GoodDeck, "in/b.fodp")};
        box.handOver();
        Child run({program(QStringLiteral("quillmoor-convert")),
                   QStringList{"--separate", "--output-dir", box.path("out")} + decks, box.path(),
                   box.environment()
                       << QStringLiteral("QUILLMOOR_LO_PATH=") + box.path("nolibreoffice")});
        ASSERT_TRUE(run.waitFor(RunLimitMs));
        EXPECT_EQ(run.exitCode(), 1);
        for (const QString& deck : decks)
            EXPECT_TRUE(run.err().contains(QStringLiteral("quillmoor-convert: ") + deck +
                                           QStringLiteral(": ")))
                << run.err().toStdString();
        if (run.err().contains(QStringLiteral("LibreOffice was not found in ") +
                               box.path("nolibreoffice")))
            delivered << QStringLiteral("LibreOffice missing");
        else
            ADD_FAILURE() << "LibreOffice was not missed: " << run.err().toStdString();
        EXPECT_TRUE(QDir(box.path(QStringLiteral("out"))).isEmpty());
        EXPECT_EQ(Leftovers(), QList<pid_t>{});
    }

    // A helper that never answers: the program still ends at once when told
    // to, and takes the helper's whole process group with it.
    {
        Sandbox box;
        const QString convert = programWithHelper(box, "#!/bin/sh\necho '\"ready\"'\nsleep 1000\n");
        ASSERT_FALSE(convert.isEmpty());
        const QString deck = box.deck(GoodDeck, QStringLiteral("in/a.fodp"));
        box.handOver();
        Child run({convert,
                   {"--separate", "--output-dir", box.path("out"), deck},
                   box.path(),
                   box.environment()});
        EXPECT_FALSE(run.waitFor(2000)) << "no answer was awaited: " << run.err().toStdString();
        const bool sent = run.signal(SIGTERM);
        EXPECT_TRUE(run.waitFor(5000)) << "the program did not end after SIGTERM";
        if (sent && run.exitCode() == 128 + SIGTERM) delivered << QStringLiteral("hung engine");
        EXPECT_EQ(run.exitCode(), 128 + SIGTERM) << run.err().toStdString();
        EXPECT_EQ(Leftovers(), QList<pid_t>{});
    }
    std::printf("engine faults delivered: %lld of %d (%s)\n", qint64(delivered.size()), Meant,
                qPrintable(delivered.join(QStringLiteral(", "))));
    EXPECT_EQ(delivered.size(), Meant);
}
