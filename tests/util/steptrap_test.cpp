#include <gtest/gtest.h>

#include <QFile>
#include <QSettings>

#include "../support/scriptedprompts.h"
#include "../support/testsupport.h"
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

TEST(SettingsStore, RoundTripsTextAndTruthValuesAndReadsWhatAHandEditedFileHolds) {
    EXPECT_EQ(GetQuillmoorSetting(QStringLiteral("Delay"), QStringLiteral("1")),
              QStringLiteral("1"));
    SaveQuillmoorSetting(QStringLiteral("Delay"), QStringLiteral("2.5"));
    EXPECT_EQ(GetQuillmoorSetting(QStringLiteral("Delay"), QStringLiteral("1")),
              QStringLiteral("2.5"));
    SaveQuillmoorSetting(QStringLiteral("Text2"), QStringLiteral("/srv/a, b/"));
    EXPECT_EQ(GetQuillmoorSetting(QStringLiteral("Text2")), QStringLiteral("/srv/a, b/"));

    const QString file = QSettings(QSettings::IniFormat, QSettings::UserScope,
                                   QLatin1String(SettingsAppName), QLatin1String(SettingsAppName))
                             .fileName();
    writeFile(file,
              "[Compression]\nText2=elsewhere\n[Quillmoor]\nText2 = /srv/x,  y/\nDelay=2,5\n"
              "Option1=@Rect(1 2 3 4)\n");
    EXPECT_EQ(GetQuillmoorSetting(QStringLiteral("Text2")), QStringLiteral("/srv/x,  y/"));
    EXPECT_EQ(GetQuillmoorSetting(QStringLiteral("Delay")), QStringLiteral("2,5"));
    EXPECT_EQ(GetQuillmoorSetting(QStringLiteral("Option1")), QStringLiteral("@Rect(1 2 3 4)"));
    QFile::remove(file);

    EXPECT_TRUE(TextToTruth(QStringLiteral("True")));
    EXPECT_FALSE(TextToTruth(QStringLiteral(" false ")));
    EXPECT_FALSE(TextToTruth(QStringLiteral("0")));
    EXPECT_TRUE(TextToTruth(QStringLiteral("-1")));
    for (const char* word : {"maybe", "", "nan", "inf", "0x1"})
        EXPECT_THROW(TextToTruth(QLatin1String(word)), Failure) << word;
}
