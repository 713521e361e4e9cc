#pragma once

#include <QProgressBar>

// A progress bar showing a plain text inside the bar: no "%p"-style
// placeholders, so a file name with a "%" shows as it is.
class TextProgressBar : public QProgressBar {
  public:
    explicit TextProgressBar(QWidget* parent = nullptr) : QProgressBar(parent) {
        setTextVisible(true);
        setAlignment(Qt::AlignCenter);
    }
    QString text() const override { return text_; }
    void setText(const QString& text) {
        text_ = text;
        update();
    }

  private:
    QString text_;
};
