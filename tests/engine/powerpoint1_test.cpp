// SPDX-License-Identifier: GPL-3.0-or-later
// The automation calls of one row against the real engine.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "engine/isinstalled.h"
#include "engine/powerpoint1.h"
#include "engine/staging.h"
#include "platform/office/client/engineparent.h"
#include "platform/office/client/enginerows.h"
#include "tests/platform/office/officetesting.h"
#include "tests/support/scriptedprompts.h"

// Combined mode's order for two rows, staged into one frame sequence.
TEST(PowerPoint1, TwoRowsInCallOrderStageFramesOneToFive) {
    QTemporaryDir t;
    PrepareFrameFolder(t.path());
    int running = 1;
    const QStringList rows{fixture(QStringLiteral("threeslides.fodp")),
                           fixture(QStringLiteral("widescreen.fodp"))};
    EngineParent parent;
    EngineRows engines(parent, 1, [&](int row) { return AheadTarget(t.path(), row); });
    int number = 0;
    for (const QString& row : rows) {
        Application application = OpenInPowerPoint(engines, ++number, row);
        application.Visible(true);
        Presentation presentation = application.ActivePresentation();
        presentation.SaveAs(ExportTarget(t.path()), ppSaveAsBMP, msoFalse);
        EXPECT_EQ(presentation.SlideCount(), row == rows[0] ? 3 : 2);
        presentation.Close();
        application.Quit();
        StageExportedSlides(t.path(), running);
        // Calls on the released engine name themselves.
        EXPECT_EQ(
            failureOf([&] { presentation.SaveAs(ExportTarget(t.path()), ppSaveAsBMP, msoFalse); }),
            QStringLiteral("SaveAs: no presentation is open"));
        EXPECT_EQ(failureOf([&] { presentation.Close(); }),
                  QStringLiteral("Close: no presentation is open"));
        EXPECT_EQ(failureOf([&] { application.ActivePresentation(); }),
                  QStringLiteral("ActivePresentation: the presentation engine is not running"));
        EXPECT_EQ(failureOf([&] { application.Quit(); }),
                  QStringLiteral("Quit: the presentation engine is not running"));
    }
    EXPECT_EQ(running, 6);
    const std::vector<unsigned> colours{0xff0000, 0x00ff00, 0x0000ff, 0xffff00, 0x00ffff};
    for (int n = 1; n <= 5; ++n) {
        const BmpInfo bmp =
            readBmp(QStringLiteral("%1/Slide%2.bmp").arg(FrameFolder(t.path())).arg(n));
        ASSERT_TRUE(bmp.readable) << n;
        EXPECT_EQ(bmp.width, n <= 3 ? 960 : 1280) << n;
        EXPECT_EQ(bmp.pixel(bmp.width / 2, bmp.height * 3 / 4), colours[n - 1]) << n;
    }
    EXPECT_EQ(QDir(ExportFolder(t.path())).entryList(QDir::Files), QStringList());
    // Each row's engine ended with it; the parent waits for the next row.
    EXPECT_EQ(childProcessCount(), 1);
}

TEST(PowerPoint1, FailedOpenLeavesNothingRunningAndLaterCallsSaySo) {
    QTemporaryDir dir;
    const QString empty = dir.filePath(QStringLiteral("x.pptx"));
    writeFile(empty, {});
    Application application;
    {
        EngineParent parent;
        EngineRows engines(parent, 1, [&](int row) { return AheadTarget(dir.path(), row); });
        EXPECT_EQ(failureOf([&] { application = OpenInPowerPoint(engines, 1, empty); }),
                  QStringLiteral("Cannot open \"%1\": the file is empty").arg(empty));
    }
    EXPECT_EQ(childProcessCount(), 0);
    EXPECT_EQ(failureOf([&] { application.ActivePresentation(); }),
              QStringLiteral("ActivePresentation: no presentation is open"));
    Presentation presentation;
    EXPECT_EQ(failureOf([&] {
                  presentation.SaveAs(dir.filePath(QStringLiteral("temp.bmp")), ppSaveAsBMP,
                                      msoFalse);
              }),
              QStringLiteral("SaveAs: no presentation is open"));
    EXPECT_EQ(failureOf([&] { application.Quit(); }),
              QStringLiteral("Quit: the presentation engine is not running"));
}

TEST(PowerPoint1, OnlyTheBitmapFormatIsSaved) {
    QTemporaryDir dir;
    EngineParent parent;
    EngineRows engines(parent, 1, [&](int row) { return AheadTarget(dir.path(), row); });
    Application application =
        OpenInPowerPoint(engines, 1, fixture(QStringLiteral("threeslides.fodp")));
    EXPECT_EQ(failureOf([&] {
                  application.ActivePresentation().SaveAs(dir.filePath(QStringLiteral("x.pdf")), 32,
                                                          msoFalse);
              }),
              QStringLiteral("SaveAs: only the bitmap format (19) can be saved, not 32"));
    application.Quit();
}

TEST(IsInstalled, WorkingEngineShowsNothing) {
    ScriptedPrompts prompts;
    EXPECT_TRUE(CheckPowerPointInstalled(prompts));
    EXPECT_TRUE(prompts.shown.isEmpty());
    EXPECT_EQ(childProcessCount(), 0);
}

TEST(IsInstalled, MissingEngineIsReportedWithItsReason) {
    qputenv("QUILLMOOR_LO_PATH", "/nowhere/program");
    ScriptedPrompts prompts;
    EXPECT_FALSE(CheckPowerPointInstalled(prompts));
    qunsetenv("QUILLMOOR_LO_PATH");
    ASSERT_EQ(prompts.shown.size(), 1);
    EXPECT_EQ(prompts.shown[0].kind, QStringLiteral("message"));
    EXPECT_EQ(
        prompts.shown[0].text,
        QStringLiteral(
            "LibreOffice Impress is not installed on this computer. You need to have it installed to use this software without error.\r\nLibreOffice was not found in /nowhere/program"));
    EXPECT_EQ(prompts.shown[0].icon, Prompts::Icon::None);
    EXPECT_EQ(prompts.shown[0].title, QString());
}
