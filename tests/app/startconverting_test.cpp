#include <QPushButton>
#include <QTest>

#include "formfixture.h"
#include "joblist/joblistview.h"

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
