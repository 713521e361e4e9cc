#include "engine/outputnaming.h"

#include <QDir>
#include <QFileInfo>

#include "util/paths.h"

QString VideoFileName(const QString& presentationPath) {
    return StripExtension(ExtractFileName(presentationPath)) + QStringLiteral(".avi");
}

QString VideoPath(const QString& folder, const QString& presentationPath) {
    return FixBackslashes(folder + QLatin1Char('/') + VideoFileName(presentationPath));
}

namespace {
// The real file a path names: two spellings of one file (a linked folder, a
// link to the file) must meet on one key.
QString pathKey(const QString& path) {
    const QFileInfo info(path);
    const QString real = info.canonicalFilePath();
    if (!real.isEmpty()) return real;
    const QString folder = QFileInfo(info.absolutePath()).canonicalFilePath();
    return folder.isEmpty() ? QDir::cleanPath(info.absoluteFilePath())
                            : QDir(folder).filePath(info.fileName());
}
}  // namespace

QString RunOutputs::free(const QString& path) const {
    const bool hasAvi = path.endsWith(QLatin1String(".avi"), Qt::CaseInsensitive);
    const QString stem = hasAvi ? path.chopped(4) : path;
    const QString extension = hasAvi ? path.right(4) : QString();
    QString candidate = path;
    for (int n = 2; written_.contains(pathKey(candidate)); ++n)
        candidate = stem + QStringLiteral(" (%1)").arg(n) + extension;
    return candidate;
}

void RunOutputs::markWritten(const QString& path) {
    written_.insert(pathKey(path));
}
