// SPDX-License-Identifier: GPL-3.0-or-later
// The client against a stand-in helper that hangs, crashes or babbles.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include "officetesting.h"
#include "platform/office/client/engineparent.h"
#include "platform/office/client/enginerows.h"
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

// Engines forked by a stand-in parent, for the rows of a run.
class FakeEngineTest : public FakeHelperTest {
  protected:
    HelperOptions engineOptions(const QString& mode) {
        HelperOptions o = options(mode);
        o.program = binDir() + QStringLiteral("/fake-engine");
        return o;
    }
    QString ahead(int row) const { return dir.filePath(QStringLiteral("ahead%1.bmp").arg(row)); }
};

// Whatever became of a row, its engine ends with it and the next row gets another.
TEST_F(FakeEngineTest, EveryRowGetsAFreshEngineWhateverBecameOfTheLast) {
    const struct {
        const char* mode;
        bool exports;
    } cases[] = {{"normal", true}, {"refuse", false}, {"crash-saveas", true}, {"babble", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mode);
        {
            EngineParent parent(engineOptions(QString::fromLatin1(c.mode)));
            EngineRows rows(parent, 2, [&](int row) { return ahead(row); });
            auto first = rows.engine(QStringLiteral("/decks/a.pptx"));
            try {
                first->open(QStringLiteral("/decks/a.pptx"));
                if (c.exports) first->saveAs(dir.filePath(QStringLiteral("temp.bmp")));
            } catch (const Failure&) {
            }
            const pid_t used = starts().last();
            rows.release(std::move(first));
            EXPECT_TRUE(processGroupGone(used));
            auto second = rows.engine(QStringLiteral("/decks/a.pptx"));
            second->ready();
            EXPECT_NE(starts().last(), used);
            EXPECT_EQ(childProcessCount(), 1);  // the parent; engines are its children
        }
        EXPECT_EQ(childProcessCount(), 0);
        QFile::remove(log());
    }
}

TEST_F(FakeEngineTest, RowsAheadWorkOnTheFreeEnginesAndTheirFailuresNameTheRowsTarget) {
    const QString target = dir.filePath(QStringLiteral("temp.bmp"));
    {
        EngineParent parent(engineOptions(QStringLiteral("normal")));
        EngineRows rows(parent, 2, [&](int row) { return ahead(row); });
        rows.startAhead(1, QStringLiteral("/decks/a.pptx"));
        rows.startAhead(2, QStringLiteral("/decks/b.pptx"));
        auto first = rows.take(1, QStringLiteral("/decks/a.pptx"));
        // Its export complete, its engine ended at once.
        ASSERT_TRUE(first && first->ended && !first->helper);
        EXPECT_FALSE(first->openFailure || first->saveFailure || first->closeFailure ||
                     first->quitFailure);
        EXPECT_EQ(first->saved, 3);
        EXPECT_TRUE(DeliverAhead(*first, target));
        EXPECT_TRUE(QFile::exists(dir.filePath(QStringLiteral("temp/Slide3.bmp"))));
        EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("ahead1"))));
        // A row dragged elsewhere meanwhile: its export is dropped.
        EXPECT_FALSE(rows.take(2, QStringLiteral("/decks/c.pptx")));
        EXPECT_FALSE(rows.take(3, QStringLiteral("/decks/c.pptx")));
    }
    EXPECT_EQ(childProcessCount(), 0);

    // Failing part way ahead: the slides written so far reach the row's
    // folder, and the crash is named with the row's own target.
    EngineParent parent(engineOptions(QStringLiteral("crash-saveas")));
    EngineRows rows(parent, 1, [&](int row) { return ahead(row); });
    rows.startAhead(1, QStringLiteral("/decks/a.pptx"));
    auto row = rows.take(1, QStringLiteral("/decks/a.pptx"));
    ASSERT_TRUE(row && row->saveFailure && row->helper);
    EXPECT_EQ(
        failureOf([&] { DeliverAhead(*row, target); }),
        QStringLiteral("SaveAs: the presentation engine ended unexpectedly (exit code 3) (%1)")
            .arg(target));
    EXPECT_TRUE(QFile::exists(dir.filePath(QStringLiteral("temp/Slide1.bmp"))));
    rows.release(std::move(row->helper));
}

// Nobody takes a row up meanwhile: the engine that ends starts the queued row itself.
TEST_F(FakeEngineTest, ARowQueuedBehindTheEnginesStartsAsSoonAsOneEnds) {
    EngineParent parent(engineOptions(QStringLiteral("normal")));
    EngineRows rows(parent, 1, [&](int row) { return ahead(row); });
    rows.startAhead(1, QStringLiteral("/decks/a.pptx"));
    rows.startAhead(2, QStringLiteral("/decks/b.pptx"));
    QElapsedTimer waited;
    waited.start();
    while (starts().size() < 2 && waited.elapsed() < 20'000) QThread::msleep(10);
    ASSERT_EQ(starts().size(), 2);
    EXPECT_TRUE(processGroupGone(starts().first()));  // one engine at a time
    for (const auto& [row, path] : {std::pair{1, "/decks/a.pptx"}, {2, "/decks/b.pptx"}}) {
        auto done = rows.take(row, QString::fromLatin1(path));
        ASSERT_TRUE(done && done->ended);
    }
}

TEST_F(FakeEngineTest, ARowDraggedAwayIsStoppedWithoutWaitingForItsEngine) {
    HelperOptions o = engineOptions(QStringLiteral("hang-open"));
    o.limits.openMs = 120'000;
    EngineParent parent(o);
    EngineRows rows(parent, 1, [&](int row) { return ahead(row); });
    rows.startAhead(1, QStringLiteral("/decks/a.pptx"));
    while (starts().isEmpty()) QThread::msleep(10);
    QElapsedTimer waited;
    waited.start();
    EXPECT_FALSE(rows.take(1, QStringLiteral("/decks/b.pptx")));
    EXPECT_TRUE(processGroupGone(starts().first()));
    EXPECT_LT(waited.elapsed(), o.limits.openMs / 2);
}
