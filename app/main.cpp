// SPDX-License-Identifier: GPL-3.0-or-later
// Quillmoor: the window program. It takes no command line; the settings store
// is its only configuration.

#include <QApplication>

#include "app/form1.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("quillmoor"));
    QApplication::setDesktopFileName(QStringLiteral("com.tervalko.Quillmoor"));

    Form1 form;
    // Without the presentation engine the program ends before the window shows.
    if (!form.Form_Load()) return 1;
    form.show();
    return application.exec();
}
