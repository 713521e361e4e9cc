// Bad presentations and a misbehaving engine, each among good decks in one
// batch of the command line: the bad ones are named with a reason, the good
// ones keep their exact frames, and nothing crashes, hangs or stays running.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QRandomGenerator>

#include "../support/testsupport.h"
#include "robustness.h"

namespace {
constexpr int RunLimitMs = 300000;
const QString GoodDeck = QStringLiteral("threeslides.fodp");
constexpr int GoodFrames = 3;

struct Bad {
    QString name;
    QString reason;  // what the report says after the name; "" for any reason
};

// The batch's good decks converted exactly, the bad ones reported by name.
void expectOutcome(const Sandbox& box, const Child& run, const QStringList& good,
                   const QList<Bad>& bad) {
    const QString err = run.err();
    for (const QString& name : good) {
        const QString video = box.path(QStringLiteral("out/") + QFileInfo(name).completeBaseName() +
                                       QStringLiteral(".avi"));
        EXPECT_EQ(FrameCount(video), GoodFrames) << name.toStdString() << "\n" << err.toStdString();
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
    expectOutcome(box, run, good, bad);
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
    int injected = 0;
    auto* random = QRandomGenerator::global();

    // The helper killed at a random moment of the run, three times.
    for (int attempt = 0; attempt < 3; ++attempt) {
        Sandbox box;
        QStringList good;
        for (int i = 0; i < 3; ++i)
            good << box.deck(GoodDeck, QStringLiteral("in/deck%1.fodp").arg(i));
        box.handOver();
        Child run({program(QStringLiteral("quillmoor-convert")),
                   QStringList{"--separate", "--fps", "1", "--output-dir", box.path("out")} + good,
                   box.path(), box.environment()});
        const int killAfterMs = 500 + int(random->bounded(4000));
        int waited = 0;
        bool killed = false;
        ASSERT_TRUE(run.waitFor(RunLimitMs, [&] {
            waited += 50;
            if (killed || waited < killAfterMs) return;
            const QList<pid_t> helpers = ChildrenOf(run.pid());
            if (helpers.isEmpty()) return;
            ::kill(-helpers.first(), SIGKILL);
            killed = true;
            ++injected;
        }));
        const QString err = run.err();
        int failed = 0;
        for (const QString& deck : good) {
            const QString video =
                box.path(QStringLiteral("out/") + QFileInfo(deck).completeBaseName() + ".avi");
            if (err.contains(QStringLiteral("quillmoor-convert: ") + deck + QStringLiteral(": "))) {
                ++failed;
                // Killed after its video was complete (at Close or Quit), or no video at all.
                if (QFileInfo::exists(video)) {
                    EXPECT_EQ(FrameCount(video), GoodFrames);
                }
            } else {
                EXPECT_EQ(FrameCount(video), GoodFrames) << err.toStdString();
            }
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
        ++injected;
        ASSERT_TRUE(run.waitFor(RunLimitMs));
        EXPECT_EQ(run.exitCode(), 1);
        for (const QString& deck : decks)
            EXPECT_TRUE(run.err().contains(QStringLiteral("quillmoor-convert: ") + deck +
                                           QStringLiteral(": ")))
                << run.err().toStdString();
        EXPECT_TRUE(run.err().contains(QStringLiteral("LibreOffice was not found in ") +
                                       box.path("nolibreoffice")));
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
        ++injected;
        EXPECT_FALSE(run.waitFor(2000)) << "no answer was awaited: " << run.err().toStdString();
        run.signal(SIGTERM);
        EXPECT_TRUE(run.waitFor(5000)) << "the program did not end after SIGTERM";
        EXPECT_EQ(Leftovers(), QList<pid_t>{});
    }
    std::printf("engine faults injected: %d\n", injected);
}
