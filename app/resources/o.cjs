/* Quillmoor skin: a Qt style sheet. Delete this file for the plain look. */

QWidget#Form1 {
    background-color: #eef1f5;
}

QGroupBox {
    background-color: #f9fafc;
    border: 1px solid #c3ccd8;
    border-radius: 6px;
    margin-top: 0.7em;
    padding-top: 0.3em;
}
QGroupBox::title {
    subcontrol-origin: margin;
    subcontrol-position: top left;
    left: 10px;
    padding: 0 4px;
    color: #24456d;
}
QGroupBox#Frame4 {
    background-color: #ffffff;
    border-color: #d5dbe4;
    margin-top: 0;
    padding-top: 0;
}
QGroupBox#Frame4:disabled {
    background-color: #f1f3f6;
}

QRadioButton, QLabel {
    background: transparent;
    color: #1d2a38;
}
QRadioButton:disabled, QLabel:disabled {
    color: #98a2ae;
}
QRadioButton::indicator {
    width: 11px;
    height: 11px;
    border: 1px solid #7d8ea5;
    border-radius: 6px;
    background-color: #ffffff;
}
QRadioButton::indicator:hover {
    border-color: #3b7dd8;
}
QRadioButton::indicator:checked {
    background-color: qradialgradient(cx:0.5, cy:0.5, radius:0.5, fx:0.5, fy:0.5,
                                      stop:0 #2f6db5, stop:0.5 #2f6db5, stop:0.6 #ffffff, stop:1 #ffffff);
}

QPushButton {
    color: #1d2a38;
    background-color: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #ffffff, stop:1 #e2e8f0);
    border: 1px solid #9fb0c6;
    border-radius: 4px;
    padding: 2px 10px;
}
QPushButton:hover {
    border-color: #4f82c4;
    background-color: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #ffffff, stop:1 #e9f0fa);
}
QPushButton:pressed {
    background-color: #d6e2f2;
}
QPushButton:focus {
    border-color: #3b7dd8;
}
QPushButton:disabled {
    color: #98a2ae;
    border-color: #ccd3dc;
    background-color: #eef1f5;
}
QPushButton#PushButton2 {
    color: #ffffff;
    font-weight: bold;
    border-color: #245a99;
    background-color: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #4a8ad9, stop:1 #2c66ad);
}
QPushButton#PushButton2:hover {
    background-color: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #5a98e4, stop:1 #3272bd);
}
QPushButton#PushButton2:pressed {
    background-color: #2a5f9f;
}

QLineEdit {
    color: #1d2a38;
    background-color: #ffffff;
    border: 1px solid #b5c0ce;
    border-radius: 3px;
    padding: 0 4px;
    selection-background-color: #3b7dd8;
}
QLineEdit:focus {
    border-color: #3b7dd8;
}
QLineEdit:disabled {
    color: #98a2ae;
    background-color: #f1f3f6;
}

QTreeWidget#ListView1 {
    background-color: #ffffff;
    border: 1px solid #b5c0ce;
    border-radius: 3px;
    selection-background-color: #3b7dd8;
    selection-color: #ffffff;
}
QHeaderView::section {
    color: #24456d;
    background-color: #e7ecf3;
    border: none;
    border-right: 1px solid #c3ccd8;
    border-bottom: 1px solid #c3ccd8;
    padding: 3px 6px;
}

QProgressBar {
    color: #1d2a38;
    background-color: #ffffff;
    border: 1px solid #9fb0c6;
    border-radius: 4px;
    text-align: center;
}
QProgressBar::chunk {
    border-radius: 3px;
    background-color: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #9cc4f0, stop:1 #5f97dc);
}

QToolTip {
    color: #1d2a38;
    background-color: #fffbe6;
    border: 1px solid #c9b98a;
}
