// SPDX-License-Identifier: GPL-3.0-or-later
// Quillmoor: the window program. It takes no command line but --version and
// --help; the settings store is its only configuration.

#include <QApplication>

#include "app/commandline.h"
#include "app/form1.h"
#include "engine/interrupts.h"

int main(int argc, char** argv) {
    // Before QApplication, which needs a display.
    if (const std::optional<int> answered = AnswerCommandLine(argc, argv)) return *answered;
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("quillmoor"));
    QApplication::setDesktopFileName(QStringLiteral("com.tervalko.Quillmoor"));

    // Ended by a signal the way closing the window ends it, also mid-run.
    EndRunOnInterrupts(InterruptStatus::Closed);
    Form1 form;
    // Without the presentation engine the program ends before the window shows.
    if (!form.Form_Load()) return 1;
    form.show();
    form.startEngine();
    return application.exec();
}
