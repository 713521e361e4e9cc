// SPDX-License-Identifier: GPL-3.0-or-later
// A row's calls when its engine, or the parent that forked it, dies at each
// step: the failure is reported at the row's own step, whether the row was
// done in turn or ahead, and costs that row only. The real engine parent.
#include <gtest/gtest.h>
#include <signal.h>

#include <QFile>
#include <QTemporaryDir>
#include <functional>
#include <optional>

#include "engine/powerpoint1.h"
#include "platform/office/client/engineparent.h"
#include "platform/office/client/enginerows.h"
#include "tests/platform/office/officetesting.h"

namespace {
const QString Killed = QStringLiteral("killed by signal 9 (SIGKILL)");

// The real engine parent; faults it cannot show on its own come from fault-preload.so.
class EngineFaults : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        ASSERT_TRUE(QFile::copy(fixture(QStringLiteral("threeslides.fodp")), deck));
    }
    QTemporaryDir dir;
    const QString deck = dir.filePath(QStringLiteral("a.fodp"));
    QString target() const { return dir.filePath(QStringLiteral("temp.bmp")); }
    HelperOptions options() const {
        HelperOptions o;
        o.limits.openMs = 20'000;
        return o;
    }
    // The engine `parent` is serving now, if any.
    static pid_t engineOf(EngineParent& parent) {
        for (const ProcessEntry& process : liveProcesses())
            if (process.parent == parent.pid() && !process.zombie) return process.pid;
        return 0;
    }
    // Open, ActivePresentation, SaveAs, Close and Quit of one row of
    // `path`, with `fault` done after call number `after`: what each call reported.
    QStringList row(EngineParent& parent, const QString& path, bool ahead, int after,
                    const std::function<void()>& fault) {
        EngineRows rows(parent, 2, [&](int number) {
            return dir.filePath(QStringLiteral("ahead%1.bmp").arg(number));
        });
        if (ahead) rows.startAhead(1, path);
        Application application;
        Presentation presentation;
        const std::function<void()> calls[] = {
            [&] { application = OpenInPowerPoint(rows, 1, path); },
            [&] { presentation = application.ActivePresentation(); },
            [&] { presentation.SaveAs(target(), ppSaveAsBMP, msoFalse); },
            [&] { presentation.Close(); },
            [&] { application.Quit(); },
        };
        QStringList reports;
        for (int call = 0; call < 5; ++call) {
            reports << failureOf(calls[call]);
            if (call == after) fault();
        }
        return reports;
    }
};
}  // namespace

TEST_F(EngineFaults, AnEngineKilledOrFailingAtEachStepIsReportedThereInTurnAndAhead) {
    const QString ok = QStringLiteral("(no failure)");
    const QString notRunning = QStringLiteral("Quit: the presentation engine is not running");
    const QString noneOpen = QStringLiteral("Close: no presentation is open");
    const QString closeKilled =
        QStringLiteral("Close: the presentation engine ended unexpectedly (%1)").arg(Killed);
    const QString saveKilled =
        QStringLiteral("SaveAs: the presentation engine ended unexpectedly (%1) (%2)")
            .arg(Killed, target());
    const QString crashed =
        QStringLiteral("SaveAs: the presentation engine ended unexpectedly (exit code 3) (%1)")
            .arg(target());
    const QString letter = fixture(QStringLiteral("letter.fodt"));
    const QStringList refused{
        QStringLiteral("Cannot open \"%1\": not a presentation (a text document)").arg(letter),
        QStringLiteral("ActivePresentation: no presentation is open"),
        QStringLiteral("SaveAs: no presentation is open"), noneOpen, notRunning};
    const struct {
        bool crashes;  // at the folder its slides go to
        bool letter;   // the row is no presentation
        bool ahead;
        int killAfter;  // -1: no kill
        QStringList reports;
    } cases[] = {
        {false, false, false, -1, {ok, ok, ok, ok, ok}},
        {false, false, true, -1, {ok, ok, ok, ok, ok}},
        {false, false, false, 0, {ok, ok, saveKilled, noneOpen, notRunning}},
        {false, false, false, 2, {ok, ok, ok, closeKilled, notRunning}},
        {false, false, false, 3, {ok, ok, ok, ok, ok}},
        // Exported ahead, its engine already ended: nothing is left to kill.
        {false, false, true, 0, {ok, ok, ok, ok, ok}},
        {false, true, false, -1, refused},
        {false, true, true, -1, refused},
        {true, false, false, -1, {ok, ok, crashed, noneOpen, notRunning}},
    };
    std::optional<FaultInParent> fault;
    std::optional<EngineParent> parent;
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << (c.crashes ? "crashing, " : "") << (c.letter ? "a letter, " : "")
                     << (c.ahead ? "ahead" : "in turn") << ", killed after call " << c.killAfter);
        if (c.crashes && !fault) {
            parent.reset();
            fault.emplace("crash-making-folder", dir.filePath(QStringLiteral("temp")));
        }
        if (!parent) parent.emplace(options());
        pid_t engine = 0;
        EXPECT_EQ(row(*parent, c.letter ? letter : deck, c.ahead, c.killAfter,
                      [&] {
                          engine = engineOf(*parent);
                          if (c.killAfter >= 0 && engine > 0) ::kill(-engine, SIGKILL);
                      }),
                  c.reports);
        // No engine outlives its row; the parent waits for the next.
        if (engine > 0) {
            EXPECT_TRUE(processGroupGone(engine));
        }
        EXPECT_EQ(engineOf(*parent), 0);
        EXPECT_EQ(childProcessCount(), 1);
    }
    parent.reset();
    EXPECT_EQ(childProcessCount(), 0);
}

TEST_F(EngineFaults, AKilledParentCostsTheRowInHandAndANewOneServesTheNext) {
    EngineParent parent(options());
    for (const bool ahead : {false, true}) {
        SCOPED_TRACE(ahead ? "ahead" : "in turn");
        const pid_t first = parent.pid();
        pid_t engine = 0;
        // The engine dies with its parent a moment later: the row's next call
        // comes once it is gone.
        const QStringList reports = row(parent, deck, ahead, 1, [&] {
            engine = engineOf(parent);
            ::kill(-first, SIGKILL);
            if (engine > 0) {
                EXPECT_TRUE(processGroupGone(engine));
            }
        });
        // Ahead, the row was exported and its engine ended before the parent died.
        EXPECT_EQ(reports.mid(2),
                  ahead ? QStringList(3, QStringLiteral("(no failure)"))
                        : (QStringList{
                              QStringLiteral("SaveAs: the presentation engine ended unexpectedly "
                                             "(its parent process ended: %1) (%2)")
                                  .arg(Killed, target()),
                              QStringLiteral("Close: no presentation is open"),
                              QStringLiteral("Quit: the presentation engine is not running")}));
        EXPECT_EQ(row(parent, deck, false, -1, [] {}),
                  QStringList(5, QStringLiteral("(no failure)")));
        EXPECT_NE(parent.pid(), first);
    }
}
