// Interrupts at moments of a run: the program ends within seconds with 128 +
// the signal, leaving no helper, no temporary video, and any earlier video of
// the same name whole.
#include <gtest/gtest.h>
#include <signal.h>

#include <QDir>
#include <QFile>
#include <QRandomGenerator>

#include "../support/testsupport.h"
#include "robustness.h"

namespace {
constexpr int EndLimitMs = 5000;
const QByteArray EarlierVideo = "an earlier video of this name";
}  // namespace

TEST(Interrupts, EndTheCommandLineAtOnceWithNothingLeftBehind) {
    AdoptOrphans();
    auto* random = QRandomGenerator::global();
    // Rows that fail at once start helpers back to back; real rows write videos.
    // Enough failing rows that the run outlasts the longest wait before the
    // signal: one sent while the process is already tearing itself down in the
    // kernel cannot be handled, and would fail the try for no fault of ours.
    Sandbox churn;
    QDir().mkpath(churn.path(QStringLiteral("nolibreoffice")));
    for (int i = 0; i < 240; ++i)
        churn.deck(QStringLiteral("threeslides.fodp"), QStringLiteral("in/d%1.fodp").arg(i));
    churn.handOver();
    Sandbox real;
    const QStringList decks{
        real.deck(QStringLiteral("threeslides.fodp"), QStringLiteral("in/a.fodp")),
        real.deck(QStringLiteral("threeslides.fodp"), QStringLiteral("in/b.fodp"))};

    // Each interrupt reaches a running program: rows that fail at once are
    // interrupted after a short wait (a run lasts about 0.3 s), real rows once
    // a slide bitmap is staged or the video's temporary file exists. A try
    // whose program ended first does not count and is made again.
    constexpr int Meant = 30;
    int delivered = 0, tries = 0;
    QStringList failures;
    for (; delivered < Meant && tries < 4 * Meant; ++tries) {
        const bool writes = delivered % 4 == 3;
        const bool atVideo = delivered % 8 == 3;
        const int signal = delivered % 2 == 0 ? SIGINT : SIGTERM;
        const Sandbox& box = writes ? real : churn;
        if (writes) {
            for (const char* name : {"out/a.avi", "out/b.avi"})
                writeFile(real.path(QLatin1String(name)), EarlierVideo);
            // Slides an interrupted run left would mark the moment before it comes.
            QDir(real.path(QStringLiteral("tmp"))).removeRecursively();
            QDir().mkpath(real.path(QStringLiteral("tmp")));
            real.handOver();
        }
        QStringList arguments{"--separate", "--fps", "1", "--output-dir", box.path("out")};
        arguments << (writes ? decks : QStringList{churn.path("in")});
        QStringList environment = box.environment();
        if (!writes)
            environment << QStringLiteral("QUILLMOOR_LO_PATH=") + churn.path("nolibreoffice");
        Child run(
            {program(QStringLiteral("quillmoor-convert")), arguments, box.path(), environment});
        const QString out = box.path(QStringLiteral("out"));
        const bool running =
            writes ? run.waitUntil(EndLimitMs * 12,
                                   [&] {
                                       return atVideo ? !TemporaryVideos(out).isEmpty()
                                                      : SlideBitmapUnder(box.path("tmp"));
                                   })
                   : !run.waitFor(int(random->bounded(100)));
        const bool sent = running && run.signal(signal);
        const bool ended = run.waitFor(EndLimitMs);
        if (!ended) {
            // What a hung program leaves when it is killed for good.
            run.signal(SIGKILL);
            run.waitFor(EndLimitMs);
        }
        const QList<pid_t> left = Leftovers();
        const QStringList temporary = TemporaryVideos(out);
        for (const QString& name : temporary) QFile::remove(box.path("out/") + name);
        if (!sent) continue;
        ++delivered;
        bool intact = true;
        if (writes) {
            for (const char* name : {"out/a.avi", "out/b.avi"}) {
                const QString video = real.path(QLatin1String(name));
                intact = intact && (readFile(video) == EarlierVideo || FrameCount(video) == 3);
            }
        }
        const bool status = run.exitCode() == 128 + signal;
        if (!(ended && status && left.isEmpty() && temporary.isEmpty() && intact)) {
            failures << QStringLiteral("try %1 (%2, %3): %4%5%6%7%8")
                            .arg(tries)
                            .arg(signal == SIGINT ? "SIGINT" : "SIGTERM")
                            .arg(writes ? (atVideo ? "writing a video" : "staging slides")
                                        : "starting helpers")
                            .arg(ended ? "" : "did not end; ")
                            .arg(status ? QString()
                                        : QStringLiteral("exit status %1; ").arg(run.exitCode()))
                            .arg(left.isEmpty()
                                     ? ""
                                     : QStringLiteral("%1 helpers left; ").arg(left.size()))
                            .arg(temporary.isEmpty() ? "" : "temporary video left; ")
                            .arg(intact ? "" : "earlier video lost");
        }
    }
    std::printf(
        "interrupts delivered to a running program: %d of %d meant, in %d tries; "
        "failed: %lld\n",
        delivered, Meant, tries, qint64(failures.size()));
    EXPECT_EQ(delivered, Meant);
    EXPECT_TRUE(failures.isEmpty()) << failures.join(QLatin1Char('\n')).toStdString();
}

// Whether process `pid` has a handler for `signal` (its SigCgt mask says so).
static bool catches(pid_t pid, int signal) {
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly)) return false;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("SigCgt:"))
            return (line.mid(7).trimmed().toULongLong(nullptr, 16) >> (signal - 1)) & 1;
    return false;
}

// SIGTERM, SIGINT and SIGHUP end the window the way closing it does: at once,
// with a clean exit and no helper left.
TEST(Interrupts, EndTheWindowAsClosingItDoes) {
    AdoptOrphans();
    auto* random = QRandomGenerator::global();
    QStringList failures;
    int sent = 0;
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        for (int attempt = 0; attempt < 2; ++attempt) {
            Sandbox box;
            box.handOver();
            Child window({program(QStringLiteral("quillmoor")),
                          {},
                          box.path(),
                          box.environment() << QStringLiteral("QT_QPA_PLATFORM=offscreen")});
            // A loaded machine can take longer than the shortest wait to reach main().
            if (!window.waitUntil(30'000, [&] { return catches(window.pid(), signal); }) ||
                window.waitFor(300 + int(random->bounded(2500)))) {
                failures << QStringLiteral("the window ended by itself: ") + window.err();
                continue;
            }
            if (!window.signal(signal)) {
                failures << QStringLiteral("the window ended before signal %1").arg(signal);
                continue;
            }
            ++sent;
            const bool ended = window.waitFor(EndLimitMs);
            if (!ended) {
                window.signal(SIGKILL);
                window.waitFor(EndLimitMs);
            }
            const QList<pid_t> left = Leftovers();
            if (!ended || !window.exitedNormally() || window.exitCode() != 0 || !left.isEmpty())
                failures << QStringLiteral("signal %1: %2, status %3, %4 helpers left")
                                .arg(signal)
                                .arg(ended ? "ended" : "still running, killed")
                                .arg(window.exitCode())
                                .arg(left.size());
        }
    }
    std::printf("window signals delivered: %d of 6 meant, failed: %lld\n", sent,
                qint64(failures.size()));
    EXPECT_EQ(sent, 6);
    EXPECT_TRUE(failures.isEmpty()) << failures.join(QLatin1Char('\n')).toStdString();
}
