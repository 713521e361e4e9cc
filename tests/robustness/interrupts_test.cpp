// Interrupts at random moments: the program ends within seconds, leaving no
// helper, no temporary video, and any earlier video of the same name whole.
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
    Sandbox churn;
    QDir().mkpath(churn.path(QStringLiteral("nolibreoffice")));
    for (int i = 0; i < 60; ++i)
        churn.deck(QStringLiteral("threeslides.fodp"), QStringLiteral("in/d%1.fodp").arg(i));
    churn.handOver();
    Sandbox real;
    const QStringList decks{
        real.deck(QStringLiteral("threeslides.fodp"), QStringLiteral("in/a.fodp")),
        real.deck(QStringLiteral("threeslides.fodp"), QStringLiteral("in/b.fodp"))};

    constexpr int Tries = 30;
    int survived = 0;
    QStringList failures;
    for (int attempt = 0; attempt < Tries; ++attempt) {
        const bool writes = attempt % 4 == 3;
        const int signal = attempt % 2 == 0 ? SIGINT : SIGTERM;
        const Sandbox& box = writes ? real : churn;
        if (writes) {
            for (const char* name : {"out/a.avi", "out/b.avi"})
                writeFile(real.path(QLatin1String(name)), EarlierVideo);
            real.handOver();
        }
        QStringList arguments{"--separate", "--fps", "1", "--output-dir", box.path("out")};
        arguments << (writes ? decks : QStringList{churn.path("in")});
        QStringList environment = box.environment();
        if (!writes)
            environment << QStringLiteral("QUILLMOOR_LO_PATH=") + churn.path("nolibreoffice");
        Child run(
            {program(QStringLiteral("quillmoor-convert")), arguments, box.path(), environment});
        run.waitFor(int(random->bounded(writes ? 4000 : 1500)));
        run.signal(signal);
        const bool ended = run.waitFor(EndLimitMs);
        if (!ended) {
            // What a hung program leaves when it is killed for good.
            run.signal(SIGKILL);
            run.waitFor(EndLimitMs);
        }
        const QList<pid_t> left = Leftovers();
        const QStringList temporary = TemporaryVideos(box.path(QStringLiteral("out")));
        bool intact = true;
        if (writes) {
            for (const char* name : {"out/a.avi", "out/b.avi"}) {
                const QString video = real.path(QLatin1String(name));
                intact = intact && (readFile(video) == EarlierVideo || FrameCount(video) == 3);
            }
        }
        if (ended && left.isEmpty() && temporary.isEmpty() && intact) {
            ++survived;
        } else {
            failures << QStringLiteral("try %1 (%2, %3): %4%5%6%7")
                            .arg(attempt)
                            .arg(signal == SIGINT ? "SIGINT" : "SIGTERM")
                            .arg(writes ? "writing" : "starting helpers")
                            .arg(ended ? "" : "did not end; ")
                            .arg(left.isEmpty()
                                     ? ""
                                     : QStringLiteral("%1 helpers left; ").arg(left.size()))
                            .arg(temporary.isEmpty() ? "" : "temporary video left; ")
                            .arg(intact ? "" : "earlier video lost");
        }
        for (const QString& name : temporary) QFile::remove(box.path("out/") + name);
    }
    std::printf("interrupts sent: %d, survived: %d\n", Tries, survived);
    EXPECT_EQ(survived, Tries) << failures.join(QLatin1Char('\n')).toStdString();
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
            if (window.waitFor(300 + int(random->bounded(2500)))) {
                failures << QStringLiteral("the window ended by itself: ") + window.err();
                continue;
            }
            window.signal(signal);
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
    std::printf("window signals sent: %d, failed: %lld\n", sent, qint64(failures.size()));
    EXPECT_TRUE(failures.isEmpty()) << failures.join(QLatin1Char('\n')).toStdString();
}
