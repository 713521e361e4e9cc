#include <gtest/gtest.h>

#include "../support/scriptedprompts.h"
#include "util/settingsstore.h"
#include "util/steptrap.h"

TEST(StepTrap, ReportsAFailingStepAndGoesOn) {
    ScriptedPrompts prompts;
    StepTrap trap(prompts, QStringLiteral("in Quorvide2021/08/31.Form1.Form_Load "));
    QStringList ran;
    trap.step(136, [&] { ran << "136"; });
    trap.step(138, [&] { throw Failure(QStringLiteral("Invalid procedure call or argument")); });
    trap.step(140, [&] { ran << "140"; });

    EXPECT_EQ(ran, (QStringList{"136", "140"}));
    ASSERT_EQ(prompts.shown.size(), 1);
    EXPECT_EQ(
        prompts.shown[0].text,
        QStringLiteral(
            "Invalid procedure call or argument\r\nin Quorvide2021/08/31.Form1.Form_Load at line 138\r\rPlease email screenshot of this message to ") +
            QLatin1String(SupportEmail));
    EXPECT_EQ(prompts.shown[0].title, QStringLiteral("Application Error"));
    EXPECT_EQ(prompts.shown[0].icon, Prompts::Icon::Exclamation);
}

TEST(StepTrap, AFailingTestEntersItsGuardedBlock) {
    ScriptedPrompts prompts;
    StepTrap trap(prompts, QStringLiteral("in X.Y.Z "));
    EXPECT_FALSE(trap.test(148, [] { return false; }));
    EXPECT_TRUE(trap.test(148, []() -> bool { throw std::runtime_error("boom"); }));
    ASSERT_EQ(prompts.messages().size(), 1);
    EXPECT_TRUE(
        prompts.messages()[0].startsWith(QStringLiteral("boom\r\nin X.Y.Z at line 148\r\r")));
}

TEST(SettingsStore, RoundTripsTextAndTruthValues) {
    EXPECT_EQ(GetQuillmoorSetting(QStringLiteral("Delay"), QStringLiteral("1")),
              QStringLiteral("1"));
    SaveQuillmoorSetting(QStringLiteral("Delay"), QStringLiteral("2.5"));
    EXPECT_EQ(GetQuillmoorSetting(QStringLiteral("Delay"), QStringLiteral("1")),
              QStringLiteral("2.5"));

    EXPECT_TRUE(TextToTruth(QStringLiteral("True")));
    EXPECT_FALSE(TextToTruth(QStringLiteral("False")));
    EXPECT_FALSE(TextToTruth(QStringLiteral("0")));
    EXPECT_TRUE(TextToTruth(QStringLiteral("-1")));
    EXPECT_THROW(TextToTruth(QStringLiteral("maybe")), Failure);
    EXPECT_THROW(TextToTruth(QString()), Failure);
}
