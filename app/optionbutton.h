#pragma once

#include <QRadioButton>

// A radio button that a click selects but never clears. Form1 clears the other
// button of the pair itself, so a pair can also show neither selected.
class OptionButton : public QRadioButton {
  public:
    explicit OptionButton(const QString& text, QWidget* parent = nullptr)
        : QRadioButton(text, parent) {
        setAutoExclusive(false);
    }

  protected:
    void nextCheckState() override { setChecked(true); }
};
