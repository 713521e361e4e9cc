// SPDX-License-Identifier: GPL-3.0-or-later
// Pointer feedback as the mouse moves over the window, and the frame-rate
// box's loss of focus.

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include "app/joblistview.h"

#include "app/form1.h"
#include "app/optionbutton.h"
#include "app/textprogressbar.h"

void Form1::watchPointerAndFocus() {
    for (QWidget* w :
         std::initializer_list<QWidget*>{pushButton1_, pushButton2_, pushButton3_, pushButton4_,
                                         pushButton5_, pushButton7_, pushButton8_})
        pointerRoles_.insert(w, PointerRole::Hand);
    for (QWidget* w : std::initializer_list<QWidget*>{this, frame1_, frame3_, frame4_, label1_,
                                                      option1_, option2_, text1_, listView1_})
        pointerRoles_.insert(w, PointerRole::Default);
    // These have no say: over them the pointer stays as it was.
    for (QWidget* w : std::initializer_list<QWidget*>{option3_, option4_, text2_, progressBar1_})
        pointerRoles_.insert(w, PointerRole::None);

    setMouseTracking(true);
    installEventFilter(this);
    for (QWidget* child : findChildren<QWidget*>()) {
        child->setMouseTracking(true);
        child->installEventFilter(this);
    }
}

bool Form1::eventFilter(QObject* watched, QEvent* event) {
    auto* widget = qobject_cast<QWidget*>(watched);
    if (widget && event->type() == QEvent::MouseMove) {
        // The control a move belongs to: the nearest enabled one of ours (a
        // disabled control passes the mouse on to its container).
        QWidget* control = widget;
        while (control && (!control->isEnabled() || !pointerRoles_.contains(control)))
            control = control->parentWidget();
        if (control) mouseMovedOver(control);
        // A control that ignores a move would hand it on to its container, whose
        // feedback differs: stop it at the control while nothing is pressed.
        const auto* move = static_cast<QMouseEvent*>(event);
        if (control == widget && move->buttons() == Qt::NoButton &&
            !qobject_cast<QLineEdit*>(widget) && widget != listView1_)
            return true;
    } else if (watched == text1_ && event->type() == QEvent::FocusOut) {
        // Only a move to another control counts, not the window losing the focus
        // (which the message box itself would cause).
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason &&
            reason != Qt::MenuBarFocusReason)
            QMetaObject::invokeMethod(this, &Form1::Text1_LostFocus, Qt::QueuedConnection);
    }
    return QWidget::eventFilter(watched, event);
}

void Form1::mouseMovedOver(QWidget* control) {
    // The hourglass belongs to whoever set it.
    if (pointer_ == Hourglass) return;
    switch (pointerRoles_.value(control, PointerRole::None)) {
        case PointerRole::Hand:
            if (pointer_ != Custom) setPointer(Custom);
            break;
        case PointerRole::Default:
            if (pointer_ != Default) setPointer(Default);
            break;
        case PointerRole::None:
            break;
    }
}
