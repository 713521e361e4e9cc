#include <QDir>
#include <QStandardPaths>

#include "util/paths.h"

QString GetDesktopFolder() {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    if (folder.isEmpty() || !IsFolder(folder)) folder = QDir::homePath();
    return folder.endsWith(u'/') ? folder : folder + QLatin1Char('/');
}
