// SIGINT, SIGTERM and SIGHUP at random moments of real runs: the program ends
// within seconds, leaving no helper process, no temporary video, and an
// earlier video of the same name either as it was or replaced by a whole one.

#include <gtest/gtest.h>
#include <signal.h>

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QUuid>
#include <cstdio>
#include <random>

#include "../platform/avifile/support/avidecode.h"
#include "../support/testsupport.h"

namespace {
const QByteArray EarlierVideo = "an earlier video of this name";

// Processes still alive whose environment holds `mark` (zombies have none).
QStringList markedProcesses(const QByteArray& mark) {
    QStringList found;
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        bool numeric = false;
        entry.toInt(&numeric);
        if (numeric &&
            readFile(QStringLiteral("/proc/%1/environ").arg(entry)).split('\0').contains(mark))
            found << entry;
    }
    return found;
}

bool noneLeft(const QByteArray& mark) {
    for (int attempt = 0; attempt < 200; ++attempt) {
        if (markedProcesses(mark).isEmpty()) return true;
        QThread::msleep(10);
    }
    return false;
}

struct Scenario {
    const char* name;
    bool engineMissing;  // helpers fail at once and are started back to back
    int rows;
    int tries;
    int latestMs;  // interrupts land between 0 and this after the start
};

struct Tally {
    int sent = 0;
    int ended = 0;
    int clean = 0;
};

// One run interrupted after `delayMs`; failures name the try.
void interruptOnce(const Scenario& scenario, int delayMs, int signal, Tally& tally) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString deck = dir.filePath(QStringLiteral("decks/deck.fodp"));
    QDir().mkpath(dir.filePath(QStringLiteral("decks")));
    ASSERT_TRUE(QFile::copy(fixture(QStringLiteral("threeslides.fodp")), deck));
    const QString out = dir.filePath(QStringLiteral("out"));
    writeFile(out + QStringLiteral("/deck.avi"), EarlierVideo);
    QDir().mkpath(dir.filePath(QStringLiteral("temp")));
    QDir().mkpath(dir.filePath(QStringLiteral("nooffice")));

    const QByteArray token = QUuid::createUuid().toByteArray();
    const QByteArray mark = "QUILLMOOR_INTERRUPT_MARK=" + token;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QUILLMOOR_INTERRUPT_MARK"), QString::fromLatin1(token));
    environment.insert(QStringLiteral("TEMP"), dir.filePath(QStringLiteral("temp")));
    if (scenario.engineMissing)
        environment.insert(QStringLiteral("QUILLMOOR_LO_PATH"),
                           dir.filePath(QStringLiteral("nooffice")));
    QStringList arguments{"--separate", "--fps", "1", "--output-dir", out};
    for (int row = 0; row < scenario.rows; ++row) arguments << deck;

    QProcess process;
    process.setProcessEnvironment(environment);
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start(binDir() + QStringLiteral("/quillmoor-convert"), arguments);
    ASSERT_TRUE(process.waitForStarted());
    QThread::msleep(static_cast<unsigned long>(delayMs));
    const QString what = QStringLiteral("%1, signal %2 after %3 ms")
                             .arg(QLatin1String(scenario.name))
                             .arg(signal)
                             .arg(delayMs);
    ++tally.sent;
    ::kill(pid_t(process.processId()), signal);
    const bool ended = process.waitForFinished(5000);
    if (!ended) {
        process.kill();
        process.waitForFinished();
        for (const QString& pid : markedProcesses(mark)) ::kill(pid.toInt(), SIGKILL);
    }
    EXPECT_TRUE(ended) << "still running 5 s after " << what.toStdString();
    const bool helpersGone = noneLeft(mark);
    EXPECT_TRUE(helpersGone) << "a helper outlived " << what.toStdString();
    const QStringList temporaries =
        QDir(out).entryList({QStringLiteral(".quillmoor-*")}, QDir::Files | QDir::Hidden);
    EXPECT_TRUE(temporaries.isEmpty())
        << temporaries.join(' ').toStdString() << " after " << what.toStdString();
    const QByteArray video = readFile(out + QStringLiteral("/deck.avi"));
    const bool earlierKept =
        video == EarlierVideo ||
        (!scenario.engineMissing &&
         DecodeVideo(out + QStringLiteral("/deck.avi"), false).nonEmptyPackets() == 3);
    EXPECT_TRUE(earlierKept) << "deck.avi is neither the earlier video nor a whole one after "
                             << what.toStdString();
    if (ended) ++tally.ended;
    if (ended && helpersGone && temporaries.isEmpty() && earlierKept) ++tally.clean;
}
}  // namespace

TEST(Interrupts, EndTheCommandLineAtOnceAndLeaveNothingBehind) {
    const Scenario scenarios[] = {
        {"helpers failing back to back", true, 300, 36, 900},
        {"helpers converting", false, 4, 8, 5000},
    };
    const unsigned seed = std::random_device{}();
    std::mt19937 random(seed);
    const int interrupts[] = {SIGINT, SIGTERM, SIGHUP};
    Tally tally;
    for (const Scenario& scenario : scenarios) {
        std::uniform_int_distribution<int> delay(0, scenario.latestMs);
        for (int attempt = 0; attempt < scenario.tries; ++attempt)
            interruptOnce(scenario, delay(random), interrupts[attempt % 3], tally);
    }
    std::printf("interrupts sent %d, ended within 5 s %d, left nothing behind %d (seed %u)\n",
                tally.sent, tally.ended, tally.clean, seed);
}
