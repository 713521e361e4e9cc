// SPDX-License-Identifier: GPL-3.0-or-later
// A row's calls when its engine, or the parent that forked it, dies at each
// step: the failure is reported at the row's own step, whether the row was
// done in turn or ahead, and costs that row only.
#include <gtest/gtest.h>
#include <signal.h>

#include <QTemporaryDir>
#include <functional>

#include "engine/powerpoint1.h"
#include "platform/office/client/engineparent.h"
#include "platform/office/client/enginerows.h"
#include "tests/platform/office/officetesting.h"

namespace {
const QString Deck = QStringLiteral("/decks/a.pptx");
const QString Killed = QStringLiteral("killed by signal 9 (SIGKILL)");

class EngineFaults : public ::testing::Test {
  protected:
    QTemporaryDir dir;
    QString target() const { return dir.filePath(QStringLiteral("temp.bmp")); }
    HelperOptions options(const char* mode) const {
        HelperOptions o;
        o.program = binDir() + QStringLiteral("/fake-engine");
        o.arguments = {QLatin1String(mode), dir.filePath(QStringLiteral("engines.log"))};
        o.limits.startMs = 5000;
        o.limits.openMs = 5000;
        return o;
    }
    pid_t lastEngine() const {
        const QList<QByteArray> lines =
            readFile(dir.filePath(QStringLiteral("engines.log"))).trimmed().split('\n');
        return static_cast<pid_t>(lines.last().toInt());
    }
    // Open, ActivePresentation, SaveAs, Close and Quit of one row, with
    // `fault` done after call number `after`: what each call reported.
    QStringList row(EngineParent& parent, bool ahead, int after,
                    const std::function<void()>& fault) {
        EngineRows rows(parent, 2, [&](int number) {
            return dir.filePath(QStringLiteral("ahead%1.bmp").arg(number));
        });
        if (ahead) rows.startAhead(1, Deck);
        Application application;
        Presentation presentation;
        const std::function<void()> calls[] = {
            [&] { application = OpenInPowerPoint(rows, 1, Deck); },
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
    const QStringList refused{QStringLiteral("Cannot open \"/decks/a.pptx\": not a presentation"),
                              QStringLiteral("ActivePresentation: no presentation is open"),
                              QStringLiteral("SaveAs: no presentation is open"), noneOpen,
                              notRunning};
    const struct {
        const char* mode;
        bool ahead;
        int killAfter;  // -1: no kill
        QStringList reports;
    } cases[] = {
        {"normal", false, -1, {ok, ok, ok, ok, ok}},
        {"normal", true, -1, {ok, ok, ok, ok, ok}},
        {"normal", false, 0, {ok, ok, saveKilled, noneOpen, notRunning}},
        {"normal", false, 2, {ok, ok, ok, closeKilled, notRunning}},
        {"normal", false, 3, {ok, ok, ok, ok, ok}},
        // Exported ahead, its engine already ended: nothing is left to kill.
        {"normal", true, 0, {ok, ok, ok, ok, ok}},
        {"crash-saveas", false, -1, {ok, ok, crashed, noneOpen, notRunning}},
        {"crash-saveas", true, -1, {ok, ok, crashed, noneOpen, notRunning}},
        {"refuse", false, -1, refused},
        {"refuse", true, -1, refused},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.mode << (c.ahead ? " ahead" : " in turn")
                                        << ", killed after call " << c.killAfter);
        {
            EngineParent parent(options(c.mode));
            EXPECT_EQ(row(parent, c.ahead, c.killAfter,
                          [&] {
                              if (c.killAfter >= 0) ::kill(-lastEngine(), SIGKILL);
                          }),
                      c.reports);
            // No engine outlives its row; the parent waits for the next.
            EXPECT_TRUE(processGroupGone(lastEngine()));
            EXPECT_EQ(childProcessCount(), 1);
        }
        EXPECT_EQ(childProcessCount(), 0);
    }
}

TEST_F(EngineFaults, AKilledParentCostsTheRowInHandAndANewOneServesTheNext) {
    for (const bool ahead : {false, true}) {
        SCOPED_TRACE(ahead ? "ahead" : "in turn");
        EngineParent parent(options("normal"));
        const pid_t first = parent.pid();
        // The engine dies with its parent a moment later: the row's next call
        // comes once it is gone.
        const QStringList reports = row(parent, ahead, 1, [&] {
            ::kill(-first, SIGKILL);
            EXPECT_TRUE(processGroupGone(lastEngine()));
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
        EXPECT_EQ(row(parent, false, -1, [] {}), QStringList(5, QStringLiteral("(no failure)")));
        EXPECT_NE(parent.pid(), first);
    }
}
