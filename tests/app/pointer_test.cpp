#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTreeWidget>

#include "app/joblistview.h"
#include "formfixture.h"

class PointerFeedback : public FormTest {
  protected:
    void SetUp() override {
        FormTest::SetUp();
        ASSERT_TRUE(form->Form_Load());
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    }

    // Moves the mouse onto a control, away from any child it holds.
    void moveOver(QWidget* widget, QPoint at = QPoint(3, 3)) { QTest::mouseMove(widget, at); }
};

TEST_F(PointerFeedback, ButtonsShowTheHandAndTheRestOfTheWindowTheDefault) {
    for (const char* name : {"PushButton1", "PushButton2", "PushButton3", "PushButton4",
                             "PushButton5", "PushButton7"}) {
        moveOver(control<QLabel>("Label1"));
        ASSERT_EQ(form->pointer(), Host::Default);
        moveOver(control<QPushButton>(name));
        EXPECT_EQ(form->pointer(), Host::Custom) << name;
        EXPECT_EQ(form->cursor().shape(), Qt::PointingHandCursor) << name;
    }
    for (const char* name : {"Option1", "Option2"}) {
        moveOver(control<QPushButton>("PushButton1"));
        moveOver(control<QRadioButton>(name));
        EXPECT_EQ(form->pointer(), Host::Default) << name;
    }
    for (const char* name : {"Frame1", "Frame3", "Frame4"}) {
        moveOver(control<QPushButton>("PushButton1"));
        moveOver(control<QGroupBox>(name), QPoint(2, control<QGroupBox>(name)->height() - 2));
        EXPECT_EQ(form->pointer(), Host::Default) << name;
    }
    moveOver(control<QPushButton>("PushButton1"));
    moveOver(control<QLineEdit>("Text1"));
    EXPECT_EQ(form->pointer(), Host::Default);
    moveOver(control<QPushButton>("PushButton1"));
    moveOver(control<QTreeWidget>("ListView1")->viewport());
    EXPECT_EQ(form->pointer(), Host::Default);
    moveOver(control<QPushButton>("PushButton1"));
    moveOver(form.get(), QPoint(2, 2));
    EXPECT_EQ(form->pointer(), Host::Default);
    EXPECT_EQ(form->cursor().shape(), Qt::ArrowCursor);
}

TEST_F(PointerFeedback, SomeControlsLeaveThePointerAsItWas) {
    for (const char* name : {"Option3", "Option4", "Text2", "ProgressBar1"}) {
        moveOver(control<QPushButton>("PushButton2"));
        moveOver(control<QWidget>(name));
        EXPECT_EQ(form->pointer(), Host::Custom) << name;
        moveOver(control<QLabel>("Label1"));
        moveOver(control<QWidget>(name));
        EXPECT_EQ(form->pointer(), Host::Default) << name;
    }
}

TEST_F(PointerFeedback, TheHourglassStaysWhileTheWindowIsBusy) {
    form->setPointer(Host::Hourglass);
    EXPECT_EQ(form->cursor().shape(), Qt::WaitCursor);
    moveOver(control<QPushButton>("PushButton1"));
    moveOver(control<QGroupBox>("Frame1"), QPoint(2, 2));
    moveOver(control<QTreeWidget>("ListView1")->viewport());
    EXPECT_EQ(form->pointer(), Host::Hourglass);
    EXPECT_EQ(form->cursor().shape(), Qt::WaitCursor);
}

// What a person sees over the list and the text boxes, which have pointers of
// their own: the hourglass while busy, then each one's own again, the list's
// drag pointer included and whatever the list did meanwhile.
TEST_F(PointerFeedback, TheHourglassCoversTheWholeWindowAndEachControlGetsItsOwnBack) {
    QImage icon(32, 32, QImage::Format_ARGB32);
    icon.fill(Qt::red);
    ASSERT_TRUE(icon.save(emptyFolder.filePath(QStringLiteral("drag.ico")), "ICO"));
    form->listView()->addRow(QStringLiteral("a"));
    QWidget* rows = form->listView()->viewport();
    const QPoint row = form->listView()->visualItemRect(form->listView()->topLevelItem(0)).center();
    const auto shows = [&](Qt::CursorShape list, Qt::CursorShape boxes) {
        return rows->cursor().shape() == list &&
               control<QLineEdit>("Text1")->cursor().shape() == boxes &&
               control<QLineEdit>("Text2")->cursor().shape() == boxes;
    };
    QTest::mousePress(rows, Qt::LeftButton, {}, row);
    ASSERT_TRUE(shows(Qt::BitmapCursor, Qt::IBeamCursor));
    form->setPointer(Host::Hourglass);
    EXPECT_TRUE(shows(Qt::WaitCursor, Qt::WaitCursor));
    form->setPointer(Host::Default);
    EXPECT_TRUE(shows(Qt::BitmapCursor, Qt::IBeamCursor));
    form->setPointer(Host::Hourglass);
    QTest::mouseRelease(rows, Qt::LeftButton, {}, row);
    EXPECT_TRUE(shows(Qt::WaitCursor, Qt::WaitCursor));
    form->setPointer(Host::Default);
    EXPECT_TRUE(shows(Qt::ArrowCursor, Qt::IBeamCursor));
}

TEST_F(PointerFeedback, ADisabledButtonCountsAsItsFrame) {
    control<QRadioButton>("Option4")->click();
    ASSERT_FALSE(control<QPushButton>("PushButton7")->isEnabled());
    moveOver(control<QPushButton>("PushButton1"));
    moveOver(control<QPushButton>("PushButton7"));
    EXPECT_EQ(form->pointer(), Host::Default);
}
