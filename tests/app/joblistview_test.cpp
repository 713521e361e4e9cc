#include <gtest/gtest.h>

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QImage>
#include <QMimeData>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include "../joblist/printers.h"
#include "../support/fakehost.h"
#include "app/joblistview.h"

namespace {

class JobListViewTest : public ::testing::Test {
  protected:
    void SetUp() override {
        list.setHost(&host);
        list.setProgramFolder(emptyFolder.path());
        list.resize(400, 240);
        list.show();
    }
    void fill(const QStringList& texts) {
        for (const QString& text : texts) list.addRow(text);
    }
    QPoint at(int row) const { return list.visualItemRect(list.topLevelItem(row - 1)).center(); }
    QPoint belowRows() const { return QPoint(20, list.viewport()->height() - 3); }
    void press(const QPoint& p) { QTest::mousePress(list.viewport(), Qt::LeftButton, {}, p); }
    void move(const QPoint& p) { QTest::mouseMove(list.viewport(), p); }
    void release(const QPoint& p) { QTest::mouseRelease(list.viewport(), Qt::LeftButton, {}, p); }
    // What a real double-click delivers: press, release, double-click, release.
    void doubleClick(const QPoint& p) {
        QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, p);
        QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, p);
        release(p);
    }
    bool fullyVisible(int row) const {
        return list.viewport()->rect().contains(list.visualItemRect(list.topLevelItem(row - 1)));
    }

    QTemporaryDir emptyFolder;
    FakeHost host;
    JobListView list;
};

}  // namespace

TEST_F(JobListViewTest, DraggingTheFirstRowDownShiftsThePassedRowsUp) {
    fill({"/d/a.ppt", "/d/b.ppt", "/d/c.ppt", "/d/d.ppt", "/d/e.ppt"});
    press(at(1));
    EXPECT_TRUE(list.isDragging());
    move(at(2));
    move(at(3));
    move(at(4));
    release(at(4));

    EXPECT_EQ(list.rowTexts(),
              (QStringList{"/d/b.ppt", "/d/c.ppt", "/d/d.ppt", "/d/a.ppt", "/d/e.ppt"}));
    EXPECT_EQ(list.selectedRow(), 4);
    EXPECT_EQ(list.draggedRow(), 4);  // survives the end of the drag
    EXPECT_FALSE(list.isDragging());
}

TEST_F(JobListViewTest, AJumpOverSeveralRowsTradesOnlyTheTwoRows) {
    fill({"a", "b", "c", "d", "e"});
    press(at(1));
    move(at(4));
    release(at(4));
    EXPECT_EQ(list.rowTexts(), (QStringList{"d", "b", "c", "a", "e"}));
    EXPECT_EQ(list.selectedRow(), 4);
}

TEST_F(JobListViewTest, RowsWithTheSameTextAreNotTradedWith) {
    fill({"same", "same", "other"});
    press(at(1));
    move(at(2));  // same text: nothing moves, the dragged row stays row 1
    EXPECT_EQ(list.rowTexts(), (QStringList{"same", "same", "other"}));
    EXPECT_EQ(list.draggedRow(), 1);
    move(at(3));
    release(at(3));
    EXPECT_EQ(list.rowTexts(), (QStringList{"other", "same", "same"}));
    EXPECT_EQ(list.draggedRow(), 3);
}

TEST_F(JobListViewTest, MovingWithoutAPressTradesNothing) {
    fill({"a", "b"});
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, at(1));
    move(at(2));
    EXPECT_EQ(list.rowTexts(), (QStringList{"a", "b"}));
}

TEST_F(JobListViewTest, ScrollsAlongInTheTopAndBottomThirdsOnly) {
    for (int i = 1; i <= 60; ++i) list.addRow(QStringLiteral("row %1").arg(i));
    QScrollBar* bar = list.verticalScrollBar();

    // Top third: the row above the one under the pointer comes into view.
    list.scrollToItem(list.topLevelItem(29), QAbstractItemView::PositionAtTop);  // row 30 on top
    ASSERT_FALSE(fullyVisible(29));
    press(at(32));
    move(at(30));
    release(at(30));
    EXPECT_EQ(list.rowText(30), QStringLiteral("row 32"));
    EXPECT_TRUE(fullyVisible(29));

    // Middle third: no scrolling.
    list.scrollToItem(list.topLevelItem(29), QAbstractItemView::PositionAtTop);
    int middleRow = 30;
    while (3 * at(middleRow).y() < list.viewport()->height()) ++middleRow;
    ASSERT_LT(3 * at(middleRow).y(), 2 * list.viewport()->height());
    const int before = bar->value();
    press(at(middleRow + 1));
    move(at(middleRow));
    release(at(middleRow));
    EXPECT_EQ(list.rowText(middleRow), QStringLiteral("row %1").arg(middleRow + 1));
    EXPECT_EQ(bar->value(), before);

    // Bottom third: the row below comes into view.
    list.scrollToItem(list.topLevelItem(9), QAbstractItemView::PositionAtTop);
    int lastVisible = 10;
    while (fullyVisible(lastVisible + 1)) ++lastVisible;
    ASSERT_GE(3 * at(lastVisible).y(), 2 * list.viewport()->height());
    press(at(lastVisible - 1));
    move(at(lastVisible));
    release(at(lastVisible));
    EXPECT_TRUE(fullyVisible(lastVisible + 1));
}

TEST_F(JobListViewTest, DeleteAndDoubleClickRemoveTheSelectedRowUnlessBusy) {
    fill({"a", "b", "c", "d"});
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, at(2));
    ASSERT_EQ(list.selectedRow(), 2);

    host.pointerState = Host::Hourglass;
    QTest::keyClick(&list, Qt::Key_Delete);
    doubleClick(at(2));
    EXPECT_EQ(list.rowCount(), 4);
    EXPECT_EQ(host.pointerState, Host::Hourglass);  // moves never take the hourglass away

    host.pointerState = Host::Default;
    QTest::keyClick(&list, Qt::Key_Insert);
    EXPECT_EQ(list.rowCount(), 4);
    QTest::keyClick(&list, Qt::Key_Delete);
    EXPECT_EQ(list.rowTexts(), (QStringList{"a", "c", "d"}));

    doubleClick(at(3));
    EXPECT_EQ(list.rowTexts(), (QStringList{"a", "c"}));

    list.clearSelection();
    QTest::keyClick(&list, Qt::Key_Delete);
    EXPECT_EQ(list.rowCount(), 2);
    list.clearRows();
    QTest::keyClick(&list, Qt::Key_Delete);  // empty list: nothing to do
    EXPECT_EQ(list.rowCount(), 0);
}

TEST_F(JobListViewTest, ARemovedDraggedRowIsForgotten) {
    fill({"a", "b", "c"});
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, at(3));
    ASSERT_EQ(list.draggedRow(), 3);
    QTest::keyClick(&list, Qt::Key_Delete);
    EXPECT_EQ(list.draggedRow(), 0);

    // A press beside the rows drags whatever was clicked last: here nothing.
    press(belowRows());
    move(at(1));
    move(at(2));
    release(at(2));
    EXPECT_EQ(list.rowTexts(), (QStringList{"a", "b"}));

    // Clearing forgets it as well.
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, at(1));
    list.clearRows();
    list.addRow("x");
    list.addRow("y");
    press(belowRows());
    move(at(2));
    release(at(2));
    EXPECT_EQ(list.rowTexts(), (QStringList{"x", "y"}));
}

TEST_F(JobListViewTest, APressBesideTheRowsDragsTheLastClickedPath) {
    fill({"a", "b", "c"});
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, at(1));
    press(belowRows());
    move(at(2));
    release(at(2));
    EXPECT_EQ(list.rowTexts(), (QStringList{"b", "a", "c"}));
}

TEST_F(JobListViewTest, MovesResetTheWindowPointerExceptTheHourglass) {
    fill({"a"});
    host.pointerState = Host::Custom;
    move(at(1));
    EXPECT_EQ(host.pointerState, Host::Default);
    host.pointerState = Host::Hourglass;
    host.pointerStates.clear();
    move(QPoint(at(1).x() + 5, at(1).y()));
    EXPECT_TRUE(host.pointerStates.isEmpty());
}

TEST_F(JobListViewTest, ShowsTheDragPointerFromClickToRelease) {
    fill({"a", "b"});
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, at(1));  // no drag.ico yet
    EXPECT_EQ(list.viewport()->cursor().shape(), Qt::ArrowCursor);

    QTemporaryDir program;
    QImage icon(32, 32, QImage::Format_ARGB32);
    icon.fill(Qt::red);
    ASSERT_TRUE(icon.save(program.path() + "/drag.ico", "ICO"));
    list.setProgramFolder(program.path());
    press(at(2));
    EXPECT_EQ(list.viewport()->cursor().shape(), Qt::BitmapCursor);
    release(at(2));
    EXPECT_EQ(list.viewport()->cursor().shape(), Qt::ArrowCursor);
}

TEST_F(JobListViewTest, AcceptsDroppedFilesButNotText) {
    QSignalSpy dropped(&list, &JobListView::filesDropped);
    const QPoint p(10, 10);

    QMimeData text;
    text.setText(QStringLiteral("/tmp/a.ppt"));
    QDragEnterEvent enterText(p, Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(list.viewport(), &enterText);
    EXPECT_FALSE(enterText.isAccepted());
    QDropEvent dropText(QPointF(p), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(list.viewport(), &dropText);
    EXPECT_EQ(dropped.count(), 0);

    QMimeData files;
    files.setUrls({QUrl::fromLocalFile("/tmp/one.ppt"), QUrl("https://example.org/x.ppt"),
                   QUrl::fromLocalFile("/tmp/two folder")});
    QDragEnterEvent enterFiles(p, Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(list.viewport(), &enterFiles);
    EXPECT_TRUE(enterFiles.isAccepted());
    QDropEvent dropFiles(QPointF(p), Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(list.viewport(), &dropFiles);
    ASSERT_EQ(dropped.count(), 1);
    EXPECT_EQ(dropped.at(0).at(0).toStringList(), (QStringList{"/tmp/one.ppt", "/tmp/two folder"}));
}
