#pragma once

#include <QCursor>
#include <QPersistentModelIndex>
#include <QString>
#include <QStringList>
#include <QTreeWidget>
#include <functional>

#include "joblist/jobrows.h"

class Host;

// The job list, converted from top to bottom: a row's text is the full path
// of its presentation, shown as the file's name, its folder beside it and
// what the last run made of it. The same path may stand in several rows.
// Dragging with the mouse moves a path through the list by trading rows with
// the rows it passes; Delete and a double-click remove the selected row (a
// double-click on a row that can be opened opens it instead). While the
// window is busy nothing is removed or traded. Files and folders dropped from
// a file manager are announced through filesDropped.
class JobListView : public QTreeWidget, public JobRows {
    Q_OBJECT
  public:
    explicit JobListView(QWidget* parent = nullptr);

    enum Column { PathColumn, FolderColumn, StateColumn, Columns };
    // Item data of every column; it moves with the path.
    static constexpr int RowRoles[] = {Qt::DisplayRole, Qt::UserRole, Qt::UserRole + 1,
                                       Qt::DecorationRole, Qt::ToolTipRole};

    // Opens what the row made, if it made something; true when it did, and
    // then a double-click on the row removes nothing.
    std::function<bool(int row)> openRow;

    // The window whose pointer doubles as the busy flag. Without one the list
    // never counts as busy.
    void setHost(Host* host) { host_ = host; }
    // Folder where "drag.ico" is looked for; the program folder by default.
    void setProgramFolder(const QString& folder) { programFolder_ = folder; }

    // Rows are numbered from 1; rowText throws Failure for a row that is not there.
    int rowCount() const override;
    QString rowText(int row) const override;
    QStringList rowTexts() const;
    void addRow(const QString& text) override;
    void clearRows() override;

    bool isDragging() const { return isDragging_; }
    // Row of the dragged path, 0 when there is none (never set, or its row was removed).
    int draggedRow() const;
    // Row of the selected item, 0 when no row is selected.
    int selectedRow() const;

    // Shows the hourglass over the rows while the window is busy, else the
    // list's own pointer (the drag pointer from a click to the release, then
    // the arrow). The window calls it whenever its pointer changes.
    void showPointer();

  signals:
    // Local paths of the files and folders dropped onto the list, in drop order.
    void filesDropped(const QStringList& paths);

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    void ListView1_ItemClick();
    void ListView1_MouseDown();
    void ListView1_MouseMove(const QPoint& position);
    void ListView1_MouseUp();
    void ListView1_KeyDown(int key);
    void ListView1_DblClick();

    bool isBusy() const;
    void removeSelectedRow();
    void scrollAlong(int row, int y);
    void tradeRows(QTreeWidgetItem* one, QTreeWidgetItem* other);

    Host* host_ = nullptr;
    QString programFolder_;
    // The list's own pointer: Host::Default (the window's), Arrow or Custom.
    int pointer_ = 0;
    QCursor dragCursor_;
    bool isDragging_ = false;
    // A persistent index forgets its row when the row is removed, so a stale
    // dragged row is never touched.
    QPersistentModelIndex draggedItem_;
};
