#include <QDir>

#include "engine/staging.h"
#include "util/folderscan.h"
#include "util/paths.h"

QString FrameFolder(const QString& t) {
    return t + QStringLiteral("/temp");
}
QString ExportFolder(const QString& t) {
    return t + QStringLiteral("/temp2");
}
QString FrameTarget(const QString& t) {
    return t + QStringLiteral("/temp.bmp");
}
QString ExportTarget(const QString& t) {
    return t + QStringLiteral("/temp2.bmp");
}
QString AheadTarget(const QString& t, int row) {
    return t + QStringLiteral("/ahead%1.bmp").arg(row % 2 + 1);
}

static bool isTilde(const QString& name) {
    return name.startsWith(QLatin1Char('~'));
}

void PrepareFrameFolder(const QString& t) {
    if (!PathExists(FrameFolder(t))) QDir().mkdir(FrameFolder(t));
}

void StageExportedSlides(const QString& t, int& runningSlideNumber) {
    const QString exported = ExportFolder(t) + QLatin1Char('/');
    const FileList names = GetFrameList(ExportFolder(t), QStringLiteral("*.bmp"));
    for (int i = 1; i <= names.upperIndex(); ++i) {
        const QString name = names.at(i);
        if (isTilde(name)) continue;
        SafeCopyFile(exported + name, FrameFolder(t) + QStringLiteral("/Slide") +
                                          QString::number(runningSlideNumber) +
                                          QStringLiteral(".bmp"));
        ++runningSlideNumber;
        KillFile(exported + name);
    }
}

bool FirstFrameExists(const QString& t) {
    return GetFileList(FrameFolder(t), QStringLiteral("Slide1.bmp")).upperIndex() > 0;
}

void PurgeAfterRow(const QString& t) {
    const QString frames = FrameFolder(t) + QLatin1Char('/');
    const FileList names = GetFrameList(FrameFolder(t), QStringLiteral("*.bmp"));
    for (int i = 1; i <= names.upperIndex(); ++i)
        if (!isTilde(names.at(i))) KillFile(frames + names.at(i));
    KillFile(FrameTarget(t));
}

void PurgeAfterCombinedRun(const QString& t) {
    KillFile(FrameTarget(t));
    KillFile(ExportFolder(t) + QStringLiteral("/*.*"));
    KillFile(FrameFolder(t) + QStringLiteral("/*.*"));
}

void EmptyStagingFolders(const QString& t) {
    PurgeAfterCombinedRun(t);
    KillFile(ExportTarget(t));
    for (const int parity : {1, 2}) {
        const QString ahead = AheadTarget(t, parity);
        KillFile(ahead);
        // Slides of a row exported ahead stay there only when a run is cut off.
        KillFile(ahead.chopped(4) + QStringLiteral("/*.*"));
    }
}
