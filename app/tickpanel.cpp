#include "app/tickpanel.h"

#include <QAbstractButton>
#include <QEvent>
#include <algorithm>

namespace {
constexpr int MostColumns = 3;
constexpr int Gap = 12;  // between columns and between rows, in pixels
}  // namespace

TickPanel::TickPanel(QWidget* parent) : QWidget(parent) {
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
}

void TickPanel::addTick(QAbstractButton* tick) {
    tick->setParent(this);
    ticks_ << tick;
    tick->show();
    updateGeometry();
    place();
}

QSize TickPanel::cell() const {
    QSize size;
    for (const QAbstractButton* tick : ticks_) size = size.expandedTo(tick->sizeHint());
    return size;
}

int TickPanel::columnsFor(int width) const {
    const int widest = cell().width();
    if (ticks_.isEmpty() || widest <= 0) return 1;
    const int fit = (width + Gap) / (widest + Gap);
    return std::clamp(fit, 1, std::min<int>(MostColumns, ticks_.size()));
}

int TickPanel::heightFor(int columns) const {
    if (ticks_.isEmpty()) return 0;
    const int rows = (int(ticks_.size()) + columns - 1) / columns;
    return rows * cell().height() + (rows - 1) * Gap / 2;
}

int TickPanel::heightForWidth(int width) const {
    return heightFor(columnsFor(width));
}

QSize TickPanel::sizeHint() const {
    const int columns = std::min<int>(MostColumns, std::max<int>(1, ticks_.size()));
    return {columns * cell().width() + (columns - 1) * Gap, heightFor(columns)};
}

QSize TickPanel::minimumSizeHint() const {
    return {cell().width(), heightFor(columnsFor(width()))};
}

void TickPanel::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    place();
}

bool TickPanel::event(QEvent* event) {
    // A tick's new text or font changes the cell every tick shares.
    if (event->type() == QEvent::LayoutRequest || event->type() == QEvent::FontChange) {
        updateGeometry();
        place();
    }
    return QWidget::event(event);
}

void TickPanel::place() {
    const int columns = columnsFor(width());
    const QSize size = cell();
    const int columnWidth = columns > 0 ? (width() - (columns - 1) * Gap) / columns : width();
    for (int i = 0; i < ticks_.size(); ++i) {
        const int row = i / columns;
        const int column = i % columns;
        ticks_[i]->setGeometry(column * (columnWidth + Gap), row * (size.height() + Gap / 2),
                               std::max(columnWidth, size.width()), size.height());
    }
}
