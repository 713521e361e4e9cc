#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include "../support/testsupport.h"
#include "cli/convertoptions.h"
#include "convertrun.h"

namespace {
QString copyDeck(const QString& path) {
    QDir().mkpath(QFileInfo(path).path());
    return QFile::copy(fixture(QStringLiteral("threeslides.fodp")), path) ? path : QString();
}

QJsonArray reportRows(const QByteArray& json) {
    return QJsonDocument::fromJson(json).object().value(QStringLiteral("rows")).toArray();
}
}  // namespace

TEST(ScriptArguments, ShortOptionsNotesAndExclusions) {
    const struct {
        QStringList arguments;
        const char* error;  // how it starts; "" when accepted
        const char* note;   // "" when none
    } cases[] = {
        {{"-o", "out", "-j", "2", "-q", "-n", "a.odp"}, "", ""},
        {{"--fps", "60", "a.odp"}, "", "--fps 60 is brought into 1 to 30, giving 30"},
        {{"--fps", "-3", "a.odp"}, "", "--fps -3 is brought into 1 to 30, giving 1"},
        {{"--fps", "30", "a.odp"}, "", ""},
        {{"-y", "-n", "a.odp"}, "-y (--replace) and -n (--no-replace) exclude each other", ""},
        {{"-q", "--verbose", "a.odp"}, "-q (--quiet) and --verbose exclude each other", ""},
        {{"--frames", "f", "--fps", "1", "--output", "o.avi", "-n"},
         "--no-replace does not apply",
         ""},
    };
    for (const auto& c : cases) {
        const ConvertRequest request =
            ParseConvertArguments(QStringList{QStringLiteral("quillmoor-convert")} + c.arguments);
        const std::string line = c.arguments.join(' ').toStdString();
        EXPECT_TRUE(*c.error == 0 ? request.error.isEmpty()
                                  : request.error.startsWith(QLatin1String(c.error)))
            << line << ": " << request.error.toStdString();
        EXPECT_EQ(request.notes.join(QString()), QLatin1String(c.note)) << line;
    }
    const ConvertRequest shortOnes = ParseConvertArguments(
        {"quillmoor-convert", "-o", "out", "-j", "2", "-q", "-n", "--no-settings", "a.odp"});
    EXPECT_EQ(shortOnes.outputFolder, QStringLiteral("out"));
    EXPECT_EQ(shortOnes.jobs, 2);
    EXPECT_TRUE(shortOnes.quiet && !shortOnes.replace && shortOnes.noSettings);
}

// A folder adds its presentations only; the report can go to stdout.
TEST(ScriptRuns, AFolderAddsItsPresentationsAndTheReportGoesToStdout) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ASSERT_FALSE(copyDeck(dir.filePath(QStringLiteral("decks/sub/talk.FODP"))).isEmpty());
    for (const char* other : {"decks/pic.png", "decks/notes.txt"})
        QFile(dir.filePath(QLatin1String(other))).open(QIODevice::WriteOnly);
    const ConvertRun run = RunConvert({"--no-settings", "--separate", "-o", dir.path(), "--report",
                                       "-", dir.filePath(QStringLiteral("decks"))});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QJsonArray rows = reportRows(run.out.toUtf8());
    ASSERT_EQ(rows.size(), 1) << run.out.toStdString();
    EXPECT_TRUE(rows[0].toObject().value(QStringLiteral("input")).toString().endsWith("talk.FODP"));
    EXPECT_TRUE(run.err.contains(QStringLiteral("Written: ") + dir.filePath("talk.avi")));
    EXPECT_EQ(QDir(dir.path()).entryList({"*.avi"}, QDir::Files), QStringList{"talk.avi"});

    // -n keeps that video and says so; nothing is converted, which is no failure.
    const QDateTime before = QFileInfo(dir.filePath("talk.avi")).lastModified();
    const ConvertRun kept = RunConvert({"--no-settings", "--separate", "-n", "-o", dir.path(),
                                        dir.filePath(QStringLiteral("decks/sub/talk.FODP"))});
    EXPECT_EQ(kept.exitCode, 0) << kept.err.toStdString();
    EXPECT_TRUE(kept.err.contains(QStringLiteral("skipped: the earlier video ")))
        << kept.err.toStdString();
    EXPECT_EQ(QFileInfo(dir.filePath("talk.avi")).lastModified(), before);
}

// A reader that goes away ends the batch after the row in hand, with the report.
TEST(ScriptRuns, AClosedStdoutEndsTheRunCleanlyWithItsReport) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QStringList arguments{"--no-settings",
                          "--separate",
                          "-j",
                          "1",
                          "-o",
                          dir.path(),
                          "--report",
                          dir.filePath(QStringLiteral("run.json"))};
    for (const char* name : {"d1.fodp", "d2.fodp", "d3.fodp"})
        arguments << copyDeck(dir.filePath(QLatin1String(name)));
    QProcess shell;
    shell.start(QStringLiteral("bash"),
                QStringList{"-c", "\"$0\" \"$@\" | head -c0; exit ${PIPESTATUS[0]}",
                            binDir() + QStringLiteral("/quillmoor-convert")} +
                    arguments);
    ASSERT_TRUE(shell.waitForFinished(180000));
    const QString err = QString::fromLocal8Bit(shell.readAllStandardError());
    EXPECT_EQ(shell.exitCode(), 1) << err.toStdString();
    EXPECT_TRUE(err.contains(QStringLiteral("quillmoor-convert: stdout is closed")))
        << err.toStdString();
    QFile report(dir.filePath(QStringLiteral("run.json")));
    ASSERT_TRUE(report.open(QIODevice::ReadOnly));
    EXPECT_EQ(reportRows(report.readAll()).size(), 3);
}
