// SPDX-License-Identifier: GPL-3.0-or-later
// The client against a stand-in helper that hangs, crashes or babbles.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "officetesting.h"
#include "platform/office/helperpool.h"
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

// What a row does to the helper it took, and whether the next row gets the same one.
TEST_F(FakeHelperTest, PoolKeepsAHelperForTheNextRowUnlessItFailedOrServedEnough) {
    struct Case {
        const char* mode;
        PoolLimits limits;
        bool exports;
        bool kept;
        const char* deck = "threeslides.fodp";
    };
    const PoolLimits usual;
    const Case cases[] = {
        {"normal", usual, true, true},
        {"refuse", usual, false, true},  // a refused presentation is no fault of the helper
        {"crash-saveas", usual, true, false},
        {"babble", usual, false, false},
        {"normal", {1, usual.residentBytes, 2}, true, false},
        {"normal", {40, 0, 2}, true, false},              // grown past the memory limit
        {"normal", usual, true, false, "pictures.fodp"},  // their caches outlive the row
    };
    QFile pictures(dir.filePath(QStringLiteral("pictures.fodp")));
    ASSERT_TRUE(pictures.open(QIODevice::WriteOnly));
    pictures.write("<office:document><draw:frame><draw:image/></draw:frame></office:document>");
    pictures.close();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        {
            HelperPool pool(options(QString::fromLatin1(c.mode)), c.limits);
            auto helper = pool.take();
            const pid_t first = helper->pid();
            try {
                const QString deck = QLatin1String(c.deck);
                helper->open(QFile::exists(dir.filePath(deck)) ? dir.filePath(deck)
                                                               : fixture(deck));
                if (c.exports) helper->saveAs(QStringLiteral("/t/temp.bmp"));
            } catch (const Failure&) {
            }
            pool.giveBack(std::move(helper));
            EXPECT_EQ(childProcessCount(), c.kept ? 1 : 0);
            EXPECT_EQ(pool.take()->pid() == first, c.kept);
        }
        EXPECT_EQ(childProcessCount(), 0);
    }
}

TEST_F(FakeHelperTest, RowsAheadUseTheFreeHelpersAndTheirFailuresNameTheRowsTarget) {
    {
        HelperPool pool(options(QStringLiteral("normal")));
        auto current = pool.take();
        pool.startAhead(2, QStringLiteral("/decks/b.pptx"), dir.filePath(QStringLiteral("a1.bmp")));
        pool.startAhead(3, QStringLiteral("/decks/c.pptx"), dir.filePath(QStringLiteral("a2.bmp")));
        EXPECT_EQ(childProcessCount(), 2);  // row 3 waits: both helpers are at work
        pool.giveBack(std::move(current));
        pool.startAhead(2, QStringLiteral("/decks/b.pptx"), dir.filePath(QStringLiteral("a1.bmp")));
        pool.startAhead(3, QStringLiteral("/decks/c.pptx"), dir.filePath(QStringLiteral("a2.bmp")));
        auto second = pool.takeAhead(QStringLiteral("/decks/b.pptx"));
        ASSERT_TRUE(second);
        EXPECT_FALSE(second->openFailure || second->saveFailure);
        EXPECT_EQ(second->saved, 3);
        ASSERT_TRUE(second->helper && second->helper->hasPresentation());
        // The fake wrote nothing to move: the slides are exported afresh.
        EXPECT_EQ(DeliverAhead(*second, *second->helper, QStringLiteral("/t/temp.bmp")), 3);
        pool.giveBack(std::move(second->helper));
        EXPECT_TRUE(pool.takeAhead(QStringLiteral("/decks/c.pptx")));
        EXPECT_FALSE(pool.takeAhead(QStringLiteral("/decks/d.pptx")));
    }
    EXPECT_EQ(childProcessCount(), 0);

    HelperPool pool(options(QStringLiteral("crash-saveas")));
    const QString ahead = dir.filePath(QStringLiteral("ahead1.bmp"));
    pool.startAhead(1, QStringLiteral("/decks/a.pptx"), ahead);
    auto row = pool.takeAhead(QStringLiteral("/decks/a.pptx"));
    ASSERT_TRUE(row && row->saveFailure);
    EXPECT_EQ(
        failureOf([&] { DeliverAhead(*row, *row->helper, QStringLiteral("/t/temp.bmp")); }),
        QStringLiteral(
            "SaveAs: the presentation engine ended unexpectedly (exit code 3) (/t/temp.bmp)"));
}
