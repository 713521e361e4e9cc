#include "engine/outputnaming.h"

#include <QDir>
#include <QFileInfo>

#include "util/paths.h"

QString VideoFileName(const QString& presentationPath, VideoContainer container) {
    return StripExtension(ExtractFileName(presentationPath)) + ContainerExtension(container);
}

QString VideoPath(const QString& folder, const QString& presentationPath,
                  VideoContainer container) {
    return FixBackslashes(folder + QLatin1Char('/') + VideoFileName(presentationPath, container));
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
    const QString known = ContainerExtension(ContainerForPath(path));
    const bool hasKnown = path.endsWith(known, Qt::CaseInsensitive);
    const QString stem = hasKnown ? path.chopped(known.size()) : path;
    const QString extension = hasKnown ? path.right(known.size()) : QString();
    QString candidate = path;
    for (int n = 2; written_.contains(pathKey(candidate)); ++n)
        candidate = stem + QStringLiteral(" (%1)").arg(n) + extension;
    return candidate;
}

void RunOutputs::markWritten(const QString& path) {
    written_.insert(pathKey(path));
}
