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
QString pathKey(const QString& path) {
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
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
