// SPDX-License-Identifier: GPL-3.0-or-later
// Form1 as the host of long operations: rows, options, progress, pointer.

#include <QCoreApplication>
#include <QLineEdit>
#include <QPushButton>
#include "app/joblistview.h"

#include "app/form1.h"
#include "app/optionbutton.h"
#include "app/rowoutcomes.h"
#include "app/textprogressbar.h"
#include "util/failure.h"

void Form1::yield() {
    QCoreApplication::processEvents();
}

int Form1::rowCount() const {
    return listView1_->topLevelItemCount();
}

QString Form1::rowText(int row) const {
    if (row < 1 || row > rowCount()) throw Failure(QStringLiteral("Index out of bounds"));
    return listView1_->topLevelItem(row - 1)->text(0);
}

bool Form1::option(int number) const {
    switch (number) {
        case 1:
            return option1_->isChecked();
        case 2:
            return option2_->isChecked();
        case 3:
            return option3_->isChecked();
        case 4:
            return option4_->isChecked();
    }
    throw Failure(QStringLiteral("Invalid option number"));
}

QString Form1::text1() const {
    return text1_->text();
}
QString Form1::text2() const {
    return text2_->text();
}

void Form1::setPointer(int state) {
    pointer_ = state;
    applyPointer();
    // A run shows the hourglass once it is past validation: from then on
    // it may be stopped, and the rows forget the run before.
    const bool running = state == Hourglass && IsConverting();
    if (running && pushButton8_->isHidden()) runStarted();
    pushButton8_->setVisible(running);
}

void Form1::applyPointer() {
    // Controls with a pointer of their own would show it through the hourglass.
    listView1_->showPointer();
    for (QLineEdit* box : {text1_, text2_})
        box->setCursor(pointer_ == Hourglass ? Qt::WaitCursor : Qt::IBeamCursor);
    switch (pointer_) {
        case Hourglass:
            setCursor(Qt::WaitCursor);
            break;
        case Custom:
            // Without the cursor file the hand is the platform's own.
            setCursor(handCursor_ ? *handCursor_ : QCursor(Qt::PointingHandCursor));
            break;
        case Arrow:
            setCursor(Qt::ArrowCursor);
            break;
        default:
            unsetCursor();
            break;
    }
}

void Form1::setProgressMaximum(int maximum) {
    progressBar1_->setRange(0, maximum);
    pendingMaximum_ = maximum;
}

void Form1::setProgressValue(int value) {
    progressBar1_->setValue(value);
    if (pendingMaximum_ >= 0 && value == 0) writerFrames_ = pendingMaximum_;
    pendingMaximum_ = -1;
    // In one video for the list the frames are every row's, not the row in hand's.
    if (writerFrames_ > 0 && runSeparate_ && rowInHand() != nullptr)
        ShowRowConverting(rowInHand(), value, writerFrames_);
}

void Form1::setProgressText(const QString& text) {
    progressBar1_->setText(text);
    if (IsConverting() && text.startsWith(QLatin1String("Processing: "))) nextTurn();
}
