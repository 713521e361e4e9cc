#pragma once

#include <QList>
#include <QWidget>

class QAbstractButton;

// The Options' ticks in as many equal columns as the width holds, filled row
// by row, so a tick added later never cuts another's text or crowds the frame.
class TickPanel : public QWidget {
  public:
    explicit TickPanel(QWidget* parent = nullptr);

    // The panel takes the tick as its child; ticks stand in the order added.
    void addTick(QAbstractButton* tick);
    const QList<QAbstractButton*>& ticks() const { return ticks_; }
    int columns() const { return columnsFor(width()); }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;

  protected:
    void resizeEvent(QResizeEvent* event) override;
    bool event(QEvent* event) override;

  private:
    QSize cell() const;  // the widest and the tallest tick
    int columnsFor(int width) const;
    int heightFor(int columns) const;
    void place();

    QList<QAbstractButton*> ticks_;
};
