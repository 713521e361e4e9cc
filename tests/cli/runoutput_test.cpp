#include <gtest/gtest.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "../support/testsupport.h"
#include "cli/optiontable.h"
#include "convertrun.h"

namespace {
QString copyDeck(const QTemporaryDir& dir, const char* fixtureName, const char* name) {
    const QString path = dir.filePath(QLatin1String(name));
    if (!QFile::copy(fixture(QLatin1String(fixtureName)), path)) return {};
    return path;
}
}  // namespace

// A bad deck among good ones: one line on stderr naming it and the first
// reason, each good video on stdout the moment it is complete, and a report.
TEST(ConvertOutput, TellsABadDeckInOneLineAndWrittenVideosAsTheyComplete) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString first = copyDeck(dir, "threeslides.fodp", "first.fodp");
    const QString second = copyDeck(dir, "widescreen.fodp", "second.fodp");
    const QString bad = dir.filePath(QStringLiteral("bad.pptx"));
    QFile(bad).open(QIODevice::WriteOnly);
    const QString report = dir.filePath(QStringLiteral("run.json"));

    QProcess process;
    process.setWorkingDirectory(dir.path());
    process.start(binDir() + QStringLiteral("/quillmoor-convert"),
                  {"--separate", "--beside", "--report", report, first, second, bad});
    ASSERT_TRUE(process.waitForReadyRead(120000));
    // The first video is told while the others are still being made.
    EXPECT_EQ(process.state(), QProcess::Running);
    EXPECT_TRUE(process.readLine().startsWith("Written: " + QFile::encodeName(first).chopped(5)));
    ASSERT_TRUE(process.waitForFinished(120000));
    EXPECT_EQ(process.exitCode(), 1);
    const QString err = QString::fromLocal8Bit(process.readAllStandardError());
    EXPECT_TRUE(err.startsWith(QStringLiteral("quillmoor-convert: %1: Cannot open").arg(bad)))
        << err.toStdString();
    EXPECT_EQ(err.count(QLatin1Char('\n')), 1) << err.toStdString();
    EXPECT_EQ(QString::fromLocal8Bit(process.readAllStandardOutput()),
              QStringLiteral("Written: ") + dir.filePath(QStringLiteral("second.avi\n")));

    QFile json(report);
    ASSERT_TRUE(json.open(QIODevice::ReadOnly));
    const QJsonObject run = QJsonDocument::fromJson(json.readAll()).object();
    const QJsonArray rows = run[QStringLiteral("rows")].toArray();
    ASSERT_EQ(rows.size(), 3);
    const struct {
        const char* outcome;
        int videos;
        int slides;
    } expected[] = {{"written", 1, 3}, {"written", 1, 2}, {"failed", 0, 0}};
    for (int i = 0; i < 3; ++i) {
        const QJsonObject row = rows[i].toObject();
        EXPECT_EQ(row[QStringLiteral("outcome")].toString(), QLatin1String(expected[i].outcome));
        EXPECT_EQ(row[QStringLiteral("videos")].toArray().size(), expected[i].videos);
        EXPECT_EQ(row[QStringLiteral("slides")].toInt(), expected[i].slides) << i;
        EXPECT_GE(row[QStringLiteral("seconds")].toDouble(), 0.0);
    }
    // Every reason is kept in the report, the cause first.
    const QJsonArray reasons = rows[2].toObject()[QStringLiteral("reasons")].toArray();
    EXPECT_GT(reasons.size(), 1);
    EXPECT_TRUE(reasons[0].toString().startsWith(QStringLiteral("Cannot open")));
    const QJsonObject totals = run[QStringLiteral("totals")].toObject();
    EXPECT_EQ(totals[QStringLiteral("written")].toInt(), 2);
    EXPECT_EQ(totals[QStringLiteral("failed")].toInt(), 1);
    EXPECT_EQ(totals[QStringLiteral("videos")].toInt(), 2);

    // --verbose adds the window's full reports, every step of them.
    const ConvertRun verbose = RunConvert({"--verbose", "--separate", "--beside", bad});
    EXPECT_EQ(verbose.exitCode, 1);
    for (const char* step : {"at line 222\n", "at line 224\n", "at line 256\n"})
        EXPECT_TRUE(verbose.err.contains(QLatin1String(step))) << verbose.err.toStdString();
    EXPECT_TRUE(verbose.err.contains(
        QStringLiteral("quillmoor-convert: %1: Cannot open \"%1\": the file is empty\n").arg(bad)))
        << verbose.err.toStdString();
}

TEST(ConvertOutput, AUsageErrorIsOneLineAndWhereHelpIs) {
    for (const QStringList& wrong :
         {QStringList{"--fps", "1"}, QStringList{"--no-such-option"},
          QStringList{"--codec", "nothing", "a.pptx"}, QStringList{"--report", "", "a.pptx"}}) {
        const ConvertRun run = RunConvert(wrong);
        EXPECT_EQ(run.exitCode, 2) << wrong.join(' ').toStdString();
        const QStringList lines = run.err.split(QLatin1Char('\n'));
        ASSERT_EQ(lines.size(), 3) << run.err.toStdString();
        EXPECT_TRUE(lines[0].startsWith(QStringLiteral("quillmoor-convert: ")));
        EXPECT_EQ(lines[1], QStringLiteral("Try 'quillmoor-convert --help'."));
    }
    const ConvertRun help = RunConvert({"-h"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.startsWith(QStringLiteral("Usage: quillmoor-convert")));
    for (const QString& line : help.out.split(QLatin1Char('\n')))
        EXPECT_LE(line.size(), 80) << line.toStdString();
    for (const ConvertOption& option : ConvertOptionTable())
        EXPECT_TRUE(help.out.contains(QStringLiteral("\n  ") + OptionNames(option)) ||
                    help.out.contains(QStringLiteral("\n      ") + OptionNames(option)))
            << option.name;
    EXPECT_TRUE(help.out.contains(QStringLiteral("\nExit status:\n  0 ")));
}

// On a terminal one line is redrawn in place and cleared before other output;
// through a pipe (every other test here) there is none.
TEST(ConvertOutput, DrawsOneProgressLineOnATerminalOnly) {
    const QString script = QStandardPaths::findExecutable(QStringLiteral("script"));
    if (script.isEmpty()) GTEST_SKIP() << "script (util-linux) is not installed";
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString deck = copyDeck(dir, "threeslides.fodp", "deck.fodp");
    const QString command =
        QStringLiteral("'%1/quillmoor-convert' --separate --beside '%2'").arg(binDir(), deck);
    QProcess process;
    process.start(script, {"-qec", command, "/dev/null"});
    ASSERT_TRUE(process.waitForFinished(120000));
    const QString shown = QString::fromLocal8Bit(process.readAllStandardOutput());
    EXPECT_EQ(process.exitCode(), 0) << shown.toStdString();
    EXPECT_TRUE(shown.contains(QStringLiteral("\r\033[K[1/1] deck.fodp  0:0")))
        << shown.toStdString();
    EXPECT_TRUE(shown.contains(QStringLiteral("frame 3/3"))) << shown.toStdString();
    EXPECT_TRUE(shown.contains(QStringLiteral("\r\033[KWritten: ") + dir.filePath("deck.avi")))
        << shown.toStdString();
    EXPECT_FALSE(shown.contains(QStringLiteral("Progress Bar")));
    EXPECT_TRUE(shown.endsWith(QStringLiteral("deck.avi\r\n"))) << shown.toStdString();
}
