#include "app/joblistview.h"

#include <QCursor>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPixmap>
#include <QStyledItemDelegate>
#include <QUrl>

#include "util/failure.h"
#include "util/host.h"
#include "util/paths.h"
#include "util/programfolder.h"

namespace {
// The path column shows the file's name; the folder stands beside it.
class FileNameDelegate : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QString displayText(const QVariant& value, const QLocale&) const override {
        return ExtractFileName(value.toString());
    }
};
}  // namespace

// Only a list of local files may be dropped; text and remote links are refused.
static QStringList localPaths(const QMimeData* data) {
    QStringList paths;
    if (data == nullptr || !data->hasUrls()) return paths;
    for (const QUrl& url : data->urls())
        if (url.isLocalFile()) paths << url.toLocalFile();
    return paths;
}

JobListView::JobListView(QWidget* parent) : QTreeWidget(parent), programFolder_(ProgramFolder()) {
    setColumnCount(Columns);
    setItemDelegateForColumn(PathColumn, new FileNameDelegate(this));
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setToolTip(QStringLiteral(
        "Drag and drop files here. Double-click item to remove it. Move | line to right and out of window to reveal full names."));
    // Rows are reordered by trading texts, never by Qt's own item drag; drops
    // from outside are still taken.
    setDragEnabled(false);
    setDragDropMode(QAbstractItemView::DropOnly);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    // Moves without a button reset the window's pointer too.
    viewport()->setMouseTracking(true);
}

int JobListView::rowCount() const {
    return topLevelItemCount();
}

QString JobListView::rowText(int row) const {
    if (row < 1 || row > topLevelItemCount()) throw Failure(QStringLiteral("Index out of bounds"));
    return topLevelItem(row - 1)->text(0);
}

QStringList JobListView::rowTexts() const {
    QStringList texts;
    for (int i = 0; i < topLevelItemCount(); ++i) texts << topLevelItem(i)->text(0);
    return texts;
}

void JobListView::addRow(const QString& text) {
    auto* item = new QTreeWidgetItem(QStringList{text, ExtractFolder(text)});
    item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemNeverHasChildren);
    addTopLevelItem(item);  // the list owns the item
}

void JobListView::clearRows() {
    clear();
}

int JobListView::draggedRow() const {
    return draggedItem_.isValid() ? draggedItem_.row() + 1 : 0;
}

int JobListView::selectedRow() const {
    const QList<QTreeWidgetItem*> selected = selectedItems();
    return selected.isEmpty() ? 0 : indexOfTopLevelItem(selected.first()) + 1;
}

bool JobListView::isBusy() const {
    return host_ != nullptr && host_->pointer() == Host::Hourglass;
}

// --- mouse and keyboard -----------------------------------------------------

void JobListView::mousePressEvent(QMouseEvent* event) {
    QTreeWidget::mousePressEvent(event);  // selects the row under the pointer
    if (itemAt(event->position().toPoint()) != nullptr) ListView1_ItemClick();
    ListView1_MouseDown();
}

void JobListView::mouseMoveEvent(QMouseEvent* event) {
    ListView1_MouseMove(event->position().toPoint());
    // Qt's own drag-selection would move the selection on rows we did not swap.
    if (!isDragging_) QTreeWidget::mouseMoveEvent(event);
}

void JobListView::mouseReleaseEvent(QMouseEvent* event) {
    QTreeWidget::mouseReleaseEvent(event);
    ListView1_MouseUp();
}

void JobListView::mouseDoubleClickEvent(QMouseEvent* event) {
    QTreeWidget::mouseDoubleClickEvent(event);
    ListView1_DblClick();
}

void JobListView::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Delete) {
        ListView1_KeyDown(event->key());
        event->accept();
        return;
    }
    QTreeWidget::keyPressEvent(event);
}

void JobListView::ListView1_ItemClick() {
    const QString icon = programFolder_ + QStringLiteral("/drag.ico");
    if (QFileInfo::exists(icon)) {
        const QPixmap picture(icon);
        if (!picture.isNull()) {
            dragCursor_ = QCursor(picture);
            pointer_ = Host::Custom;
            showPointer();
        }
    }
    const QList<QTreeWidgetItem*> selected = selectedItems();
    draggedItem_ = selected.isEmpty() ? QPersistentModelIndex()
                                      : QPersistentModelIndex(indexFromItem(selected.first()));
}

void JobListView::ListView1_MouseDown() {
    isDragging_ = true;
}

void JobListView::ListView1_MouseMove(const QPoint& position) {
    if (host_ != nullptr && host_->pointer() != Host::Hourglass) host_->setPointer(Host::Default);
    // A run converts the rows in their places: a trade now would convert one
    // deck twice and skip another.
    if (!isDragging_ || isBusy()) return;

    QTreeWidgetItem* under = itemAt(position);
    if (under == nullptr || !draggedItem_.isValid()) return;
    QTreeWidgetItem* dragged = topLevelItem(draggedItem_.row());
    if (dragged == nullptr || under->text(0) == dragged->text(0)) return;

    tradeRows(dragged, under);
    setCurrentItem(under);
    draggedItem_ = QPersistentModelIndex(indexFromItem(under));
    scrollAlong(indexOfTopLevelItem(under), position.y());
}

void JobListView::tradeRows(QTreeWidgetItem* one, QTreeWidgetItem* other) {
    for (int column = 0; column < Columns; ++column)
        for (int role : RowRoles) {
            const QVariant kept = one->data(column, role);
            one->setData(column, role, other->data(column, role));
            other->setData(column, role, kept);
        }
}

// Scrolls one row ahead of the pointer when it is in the top or bottom third of
// the visible rows, so a path can be dragged past the edge of the list.
void JobListView::scrollAlong(int row, int y) {
    const int height = viewport()->height();
    if (3 * y < height) {
        if (row >= 1) scrollToItem(topLevelItem(row - 1));
    } else if (3 * y >= 2 * height) {
        if (row + 1 < topLevelItemCount()) scrollToItem(topLevelItem(row + 1));
    }
}

void JobListView::ListView1_MouseUp() {
    isDragging_ = false;
    pointer_ = Host::Arrow;
    showPointer();
}

void JobListView::showPointer() {
    if (isBusy())
        viewport()->setCursor(Qt::WaitCursor);
    else if (pointer_ == Host::Custom)
        viewport()->setCursor(dragCursor_);
    else if (pointer_ == Host::Arrow)
        viewport()->setCursor(Qt::ArrowCursor);
    else
        viewport()->unsetCursor();
}

void JobListView::ListView1_KeyDown(int key) {
    if (key == Qt::Key_Delete) removeSelectedRow();
}

void JobListView::ListView1_DblClick() {
    const int row = selectedRow();
    if (row > 0 && openRow && openRow(row)) return;
    removeSelectedRow();
}

void JobListView::removeSelectedRow() {
    if (isBusy()) return;
    const int row = selectedRow();
    if (row == 0) return;
    delete takeTopLevelItem(row - 1);
}

// --- dropping files ---------------------------------------------------------

void JobListView::dragEnterEvent(QDragEnterEvent* event) {
    if (localPaths(event->mimeData()).isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
}

void JobListView::dragMoveEvent(QDragMoveEvent* event) {
    if (localPaths(event->mimeData()).isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
}

void JobListView::dropEvent(QDropEvent* event) {
    const QStringList paths = localPaths(event->mimeData());
    if (paths.isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    emit filesDropped(paths);
}
