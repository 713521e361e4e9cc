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
QString pathKey(const QString& path) {
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
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
