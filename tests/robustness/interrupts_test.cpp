// SIGINT, SIGTERM and SIGHUP at random moments: the command line (rows whose
// helpers fail at once and start back to back, and rows really converted) and
// the window (starting up or idle) end within 5 s, leave no helper and no
// temporary video, and an earlier deck.avi stays or is replaced by a whole one.
#include <gtest/gtest.h>
#include <signal.h>

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QUuid>
#include <array>
#include <cstdio>
#include <random>

#include "../platform/avifile/support/avidecode.h"
#include "../support/testsupport.h"

namespace {
// Live processes carrying `mark` in their environment (zombies carry none).
QList<int> marked(const QByteArray& mark) {
    QList<int> found;
    for (const QString& pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs))
        if (readFile(QStringLiteral("/proc/%1/environ").arg(pid)).split('\0').contains(mark))
            found << pid.toInt();
    return found;
}
}  // namespace

TEST(Interrupts, EndTheProgramAtOnceAndLeaveNothingBehind) {
    const struct {
        const char* program;
        bool noEngine;
        int rows, tries, latestMs;
    } scenarios[] = {{"quillmoor-convert", true, 300, 36, 900},
                     {"quillmoor-convert", false, 4, 8, 5000},
                     {"quillmoor", false, 0, 9, 4000}};
    const QByteArray earlier = "an earlier video of this name";
    std::mt19937 random(std::random_device{}());
    int sent = 0, amidHelpers = 0, survived = 0;
    for (const auto& s : scenarios) {
        for (int attempt = 0; attempt < s.tries; ++attempt, ++sent) {
            QTemporaryDir dir;
            const QString deck = dir.filePath(QStringLiteral("deck.fodp"));
            const QString out = dir.filePath(QStringLiteral("out"));
            const QString video = out + QStringLiteral("/deck.avi");
            ASSERT_TRUE(QFile::copy(fixture(QStringLiteral("threeslides.fodp")), deck));
            writeFile(video, earlier);
            QDir().mkpath(dir.filePath(QStringLiteral("none")));
            const QByteArray token = QUuid::createUuid().toByteArray();
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert(QStringLiteral("QUILLMOOR_MARK"), QString::fromLatin1(token));
            environment.insert(QStringLiteral("TEMP"), dir.path());
            if (s.noEngine)
                environment.insert(QStringLiteral("QUILLMOOR_LO_PATH"), dir.filePath("none"));
            QStringList arguments;
            if (s.rows > 0)
                arguments = QStringList{"--separate", "--fps", "1", "--output-dir", out};
            for (int row = 0; row < s.rows; ++row) arguments << deck;

            QProcess process;
            process.setProcessEnvironment(environment);
            process.setStandardOutputFile(QProcess::nullDevice());
            process.setStandardErrorFile(QProcess::nullDevice());
            process.start(binDir() + QLatin1Char('/') + QLatin1String(s.program), arguments);
            ASSERT_TRUE(process.waitForStarted());
            const int delay = std::uniform_int_distribution<int>(0, s.latestMs)(random);
            QThread::msleep(static_cast<unsigned long>(delay));
            const int signal = std::array{SIGINT, SIGTERM, SIGHUP}[attempt % 3];
            const QByteArray mark = "QUILLMOOR_MARK=" + token;
            if (marked(mark).size() > 1) ++amidHelpers;
            ::kill(pid_t(process.processId()), signal);

            const bool ended = process.waitForFinished(5000);
            if (!ended) process.kill();
            process.waitForFinished();
            bool gone = false;
            for (int wait = 0; wait < 200 && !(gone = marked(mark).isEmpty()); ++wait)
                QThread::msleep(10);
            for (const int pid : marked(mark)) ::kill(pid, SIGKILL);
            // The window ends as closing it does; the command line reports the
            // signal; before the handler is installed the default action ends it.
            const bool status = process.exitStatus() == QProcess::CrashExit ||
                                process.exitCode() == (s.rows > 0 ? 128 + signal : 0);
            const bool noTemporary =
                QDir(out).entryList({".quillmoor-*"}, QDir::Files | QDir::Hidden).isEmpty();
            const bool whole = readFile(video) == earlier ||
                               (!s.noEngine && DecodeVideo(video, false).nonEmptyPackets() == 3);
            const bool clean = ended && gone && status && noTemporary && whole;
            EXPECT_TRUE(clean) << s.program << " rows " << s.rows << ", signal " << signal
                               << " after " << delay << " ms: ended " << ended << ", helpers gone "
                               << gone << ", status " << status << ", no temporary " << noTemporary
                               << ", deck.avi whole " << whole;
            survived += clean;
        }
    }
    std::printf("interrupts sent %d (%d while helpers ran), survived %d\n", sent, amidHelpers,
                survived);
}
