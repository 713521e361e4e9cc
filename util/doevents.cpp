#include <QCoreApplication>

#include "util/folderscan.h"

void DoEvents() {
    if (QCoreApplication::instance()) QCoreApplication::processEvents();
}
