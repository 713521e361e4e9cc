// SPDX-License-Identifier: GPL-3.0-or-later
// The client against a stand-in helper that hangs, crashes or babbles.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "officetesting.h"
#include "platform/office/officeclient.h"
#include "util/failure.h"

static QString fakeHelper() {
    return sourceDir() + QStringLiteral("/tests/platform/office/fakehelper.sh");
}

class FakeHelperTest : public ::testing::Test {
  protected:
    QTemporaryDir dir;
    QString log() const { return dir.filePath(QStringLiteral("starts.log")); }
    HelperOptions options(const QString& mode) {
        HelperOptions o;
        o.program = fakeHelper();
        o.arguments = {mode, log()};
        o.limits.startMs = 5000;
        o.limits.openMs = 300;
        o.limits.saveAsBaseMs = 5000;
        return o;
    }
    QList<pid_t> starts() const {
        QList<pid_t> pids;
        for (const QByteArray& line : readFile(log()).split('\n'))
            if (!line.isEmpty()) pids << static_cast<pid_t>(line.toInt());
        return pids;
    }
};

TEST_F(FakeHelperTest, HangingHelperIsKilledAtTheTimeLimitAndLaterCallsSaySo) {
    OfficeHelper helper(options(QStringLiteral("hang-open")));
    EXPECT_EQ(
        failureOf([&] { helper.open(QStringLiteral("/decks/slow deck.pptx")); }),
        QStringLiteral(
            "Open: the presentation engine gave no answer within 1 seconds and was stopped (/decks/slow deck.pptx)"));
    EXPECT_FALSE(helper.running());
    ASSERT_EQ(starts().size(), 1);
    // Its sleeping child went with it: the whole group is gone.
    EXPECT_TRUE(processGroupGone(starts().first()));
    EXPECT_EQ(failureOf([&] { helper.saveAs(QStringLiteral("/t/temp.bmp")); }),
              QStringLiteral("SaveAs: no presentation is open"));
    EXPECT_EQ(failureOf([&] { helper.open(QStringLiteral("/decks/a.pptx")); }),
              QStringLiteral("Open: the presentation engine is not running"));
    EXPECT_EQ(failureOf([&] { helper.quit(); }),
              QStringLiteral("Quit: the presentation engine is not running"));
    EXPECT_EQ(childProcessCount(), 0);
}

TEST_F(FakeHelperTest, HelperThatNeverStartsIsKilledAtTheStartLimit) {
    HelperOptions o = options(QStringLiteral("hang-start"));
    o.limits.startMs = 300;
    OfficeHelper helper(o);
    EXPECT_EQ(
        failureOf([&] { helper.open(QStringLiteral("/decks/a.pptx")); }),
        QStringLiteral(
            "Start: the presentation engine gave no answer within 1 seconds and was stopped"));
    EXPECT_EQ(childProcessCount(), 0);
}

TEST_F(FakeHelperTest, CrashIsReportedWithHowTheHelperEnded) {
    OfficeHelper helper(options(QStringLiteral("crash-saveas")));
    EXPECT_EQ(helper.open(QStringLiteral("/decks/a.pptx")), 3);
    EXPECT_EQ(
        failureOf([&] { helper.saveAs(QStringLiteral("/t/temp.bmp")); }),
        QStringLiteral(
            "SaveAs: the presentation engine ended unexpectedly (exit code 3) (/t/temp.bmp)"));
    EXPECT_FALSE(helper.running());
    EXPECT_EQ(childProcessCount(), 0);
}

TEST_F(FakeHelperTest, UnreadableAnswerKillsTheHelper) {
    OfficeHelper helper(options(QStringLiteral("babble")));
    EXPECT_EQ(failureOf([&] { helper.open(QStringLiteral("/decks/a.pptx")); }),
              QStringLiteral("Open: the presentation engine gave an unreadable answer"));
    EXPECT_FALSE(helper.running());
    EXPECT_EQ(childProcessCount(), 0);
}

TEST_F(FakeHelperTest, MissingHelperProgramIsNamed) {
    HelperOptions o;
    o.program = dir.filePath(QStringLiteral("no-such-helper"));
    EXPECT_EQ(failureOf([&] { OfficeHelper helper(o); }),
              QStringLiteral(
                  "The presentation engine helper %1 cannot be started: No such file or directory")
                  .arg(o.program));
}

TEST_F(FakeHelperTest, KillRunningHelpersEndsEveryLiveHelper) {
    OfficeHelper first(options(QStringLiteral("normal")));
    OfficeHelper second(options(QStringLiteral("normal")));
    first.ready();
    second.ready();
    EXPECT_EQ(childProcessCount(), 2);
    KillRunningHelpers();
    EXPECT_EQ(
        failureOf([&] { first.open(QStringLiteral("/decks/a.pptx")); }),
        QStringLiteral(
            "Open: the presentation engine ended unexpectedly (killed by signal 9 (SIGKILL)) (/decks/a.pptx)"));
    second.kill();
    EXPECT_EQ(childProcessCount(), 0);
}

TEST_F(FakeHelperTest, QuitEndsTheHelper) {
    OfficeHelper helper(options(QStringLiteral("normal")));
    EXPECT_EQ(helper.open(QStringLiteral("/decks/a.pptx")), 3);
    EXPECT_EQ(helper.saveAs(QStringLiteral("/t/temp.bmp")), 3);
    helper.close();
    EXPECT_EQ(failureOf([&] { helper.close(); }), QStringLiteral("Close: no presentation is open"));
    helper.quit();
    EXPECT_FALSE(helper.running());
    EXPECT_EQ(childProcessCount(), 0);
}

TEST_F(FakeHelperTest, RunStartsTheNextRowsHelperAheadAndEndsTheSpare) {
    {
        HelperRun run(3);
        auto row1 = TakeHelper(options(QStringLiteral("normal")));
        EXPECT_EQ(childProcessCount(), 2);  // row 1's and row 2's
        row1->open(QStringLiteral("/decks/a.pptx"));
        row1->quit();
        EXPECT_EQ(childProcessCount(), 1);
        auto row2 = TakeHelper(options(QStringLiteral("normal")));
        EXPECT_EQ(childProcessCount(), 2);  // row 3's started ahead
        EXPECT_EQ(row2->open(QStringLiteral("/decks/b.pptx")), 3);
        row2.reset();
        auto row3 = TakeHelper(options(QStringLiteral("normal")));
        EXPECT_EQ(childProcessCount(), 1);  // no fourth row: nothing started ahead
        EXPECT_EQ(row3->open(QStringLiteral("/decks/c.pptx")), 3);
        row3.reset();
        EXPECT_EQ(childProcessCount(), 0);
        EXPECT_EQ(starts().size(), 3);
    }
    {
        HelperRun run(5);
        auto row = TakeHelper(options(QStringLiteral("normal")));
        row.reset();
        EXPECT_EQ(childProcessCount(), 1);  // the spare
    }
    EXPECT_EQ(childProcessCount(), 0);
    // Outside a run nothing is started ahead.
    auto alone = TakeHelper(options(QStringLiteral("normal")));
    EXPECT_EQ(childProcessCount(), 1);
}
