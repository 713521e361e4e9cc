#include "util/programfolder.h"

#include <QFileInfo>

QString ProgramFolder() {
    // /proc/self/exe resolves symbolic links, so an installed link in bin/
    // still finds the data beside the real program.
    static const QString folder =
        QFileInfo(QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath()).absolutePath();
    return folder;
}
