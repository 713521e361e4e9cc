#include "joblist/droppedfiles.h"

#include <QFileInfo>

#include "util/folderscan.h"
#include "util/paths.h"

namespace {
// Each dropped folder gets a folder list of its own, so two dropped folders add
// each tree once.
QStringList FolderTreeFiles(const QString& folder, Prompts& prompts,
                            const QStringList& extensions = {}) {
    QStringList rows;
    QStringList folders{folder + QLatin1Char('/')};
    GetSubDirectories2016(folders, true, prompts);
    for (const QString& listed : folders) {
        const QString dir = listed.chopped(1);
        const FileList names = GetFileList(dir, QStringLiteral("*.*"));
        for (int i = 1; i <= names.upperIndex(); ++i) {
            const QString name = names.at(i);
            if (name.startsWith(QLatin1Char('~'))) continue;
            if (!extensions.isEmpty() &&
                !extensions.contains(QFileInfo(name).suffix(), Qt::CaseInsensitive))
                continue;
            const QString path = dir + QLatin1Char('/') + name;
            bool wanted = false;
            try {
                wanted = IsFileAccessible(path) && GetAttributes(path) != (Hidden | Archive);
            } catch (...) {
                wanted = false;  // gone since the listing
            }
            if (wanted) rows << FixBackslashes(path);
        }
    }
    return rows;
}
}  // namespace

QStringList DroppedEntryRows(const QString& entry, Prompts& prompts) {
    try {
        if (!PathExists(entry)) return {};
        if (IsFolder(entry) && (GetAttributes(entry) & Directory) != 0)
            return FolderTreeFiles(entry, prompts);
        return {entry};
    } catch (...) {
        return {};
    }
}

QStringList PresentationExtensions() {
    return {QStringLiteral("ppt"), QStringLiteral("pptx"), QStringLiteral("pptm"),
            QStringLiteral("pps"), QStringLiteral("ppsx"), QStringLiteral("ppsm"),
            QStringLiteral("pot"), QStringLiteral("potx"), QStringLiteral("potm"),
            QStringLiteral("odp"), QStringLiteral("fodp"), QStringLiteral("otp"),
            QStringLiteral("sxi")};
}

QStringList FolderPresentations(const QString& folder, Prompts& prompts) {
    try {
        if (IsFolder(folder) && (GetAttributes(folder) & Directory) != 0)
            return FolderTreeFiles(folder, prompts, PresentationExtensions());
    } catch (...) {
    }
    return {};
}

QString SampleFolder(const QString& programFolder) {
    return programFolder + QStringLiteral("/Samples");
}

QStringList SampleFilePaths(const QString& programFolder) {
    QStringList paths;
    const QString folder = SampleFolder(programFolder);
    const FileList names = GetFileList(folder, QStringLiteral("*.*"));
    for (int i = 1; i <= names.upperIndex(); ++i) {
        const QString path = folder + QLatin1Char('/') + names.at(i);
        if (PathExists(path)) paths << path;
    }
    return paths;
}
