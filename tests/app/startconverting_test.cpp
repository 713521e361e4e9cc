#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "app/joblistview.h"
#include "formfixture.h"

TEST_F(FormTest, StartConvertingWithAnEmptyListOnlySaysSo) {
    ASSERT_TRUE(form->Form_Load());
    QTest::mouseClick(control<QPushButton>("PushButton2"), Qt::LeftButton);
    EXPECT_EQ(prompts.messages(), QStringList{QStringLiteral("No files added.")});
    EXPECT_EQ(form->pointer(), Host::Default);
}

// While a run reports a row it cannot open, the window is busy: clearing the
// list and a second "Start Converting" do nothing, and the rows stay.
TEST_F(FormTest, TheListAndTheButtonWaitWhileARunIsBusy) {
    ASSERT_TRUE(form->Form_Load());
    const QString missing = emptyFolder.filePath(QStringLiteral("missing.pptx"));
    form->listView()->addRow(missing);
    int reports = 0;
    prompts.onShown = [&](const ScriptedPrompts::Shown& shown) {
        if (shown.title != QLatin1String("Application Error") || reports++ > 0) return;
        EXPECT_EQ(form->pointer(), Host::Hourglass);
        EXPECT_TRUE(form->IsConverting());
        QTest::mouseClick(control<QPushButton>("PushButton4"), Qt::LeftButton);
        QTest::mouseClick(control<QPushButton>("PushButton2"), Qt::LeftButton);
    };
    QTest::mouseClick(control<QPushButton>("PushButton2"), Qt::LeftButton);

    EXPECT_EQ(form->rowCount(), 1);
    EXPECT_EQ(prompts.messages().count(QStringLiteral("Done.")), 1);
    EXPECT_FALSE(form->IsConverting());
    EXPECT_EQ(form->pointer(), Host::Default);
}

// A Clear List and a Delete already waiting when "Start Converting" is clicked
// find the run busy: both rows stay and reach the open step (no engine here).
TEST_F(FormTest, ClicksQueuedAsARunStartsFindTheWindowBusy) {
    ASSERT_TRUE(form->Form_Load());
    const QByteArray office = qgetenv("QUILLMOOR_LO_PATH");
    qputenv("QUILLMOOR_LO_PATH", QFile::encodeName(emptyFolder.path()));
    for (int row = 0; row < 2; ++row) form->listView()->addRow(emptyFolder.filePath("a.pptx"));
    form->listView()->setCurrentItem(form->listView()->topLevelItem(0));
    QTimer::singleShot(0, form.get(), [&] {
        QTest::mouseClick(control<QPushButton>("PushButton4"), Qt::LeftButton);
        QTest::keyClick(form->listView(), Qt::Key_Delete);
    });
    QTest::mouseClick(control<QPushButton>("PushButton2"), Qt::LeftButton);
    qputenv("QUILLMOOR_LO_PATH", office);
    EXPECT_EQ(form->rowCount(), 2);
    EXPECT_EQ(prompts.messages().filter(QStringLiteral("PushButton2_Click at line 132")).size(), 2);
}

// A folder added and rows dragged while a run reports a row: the run stays
// busy (stop button, Clear List refused) and converts the rows in their places.
TEST_F(FormTest, AFolderScanAndADragDuringARunLeaveTheRunAsItWas) {
    ASSERT_TRUE(form->Form_Load());
    form->show();
    const QStringList rows{emptyFolder.filePath("a.pptx"), emptyFolder.filePath("b.pptx")};
    for (const QString& row : rows) form->listView()->addRow(row);
    QTemporaryDir scanned;
    QFile(scanned.filePath("c.ppt")).open(QIODevice::WriteOnly);
    auto* list = form->listView();
    const auto at = [list](int row) {
        return list->visualItemRect(list->topLevelItem(row - 1)).center();
    };
    QStringList duringRun;
    prompts.onShown = [&](const ScriptedPrompts::Shown& shown) {
        if (shown.title != QLatin1String("Application Error") || !duringRun.isEmpty()) return;
        prompts.inputAnswers.push_back("ppt");
        prompts.folderAnswers.push_back(scanned.path());
        QTest::mouseClick(control<QPushButton>("PushButton3"), Qt::LeftButton);
        duringRun << QString::number(form->pointer())
                  << (control<QPushButton>("PushButton8")->isVisible() ? "stop" : "no stop");
        QTest::mouseClick(control<QPushButton>("PushButton4"), Qt::LeftButton);
        QTest::mousePress(list->viewport(), Qt::LeftButton, {}, at(1));
        QTest::mouseMove(list->viewport(), at(2));
        QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, at(2));
        duringRun << list->rowTexts();
    };
    QTest::mouseClick(control<QPushButton>("PushButton2"), Qt::LeftButton);

    const QString added = scanned.filePath("c.ppt");
    EXPECT_EQ(duringRun, (QStringList{"11", "stop", rows[0], rows[1], added}));
    EXPECT_EQ(prompts.messages().filter(QStringLiteral("a.pptx")).size(), 1);
    EXPECT_EQ(prompts.messages().filter(QStringLiteral("b.pptx")).size(), 1);
    EXPECT_EQ(form->pointer(), Host::Default);
}
