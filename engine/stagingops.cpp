#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstdio>
#include <filesystem>

#include "engine/staging.h"
#include "util/failure.h"
#include "util/folderscan.h"
#include "util/fsfailure.h"
#include "util/paths.h"
#include "util/slidename.h"

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
    return t + QStringLiteral("/ahead%1.bmp").arg((row - 1) % AheadFolders + 1);
}

static bool isTilde(const QString& name) {
    return name.startsWith(QLatin1Char('~'));
}

void PrepareFrameFolder(const QString& t) {
    if (!PathExists(FrameFolder(t))) QDir().mkdir(FrameFolder(t));
}

// Moves a regular file over `destination` in one rename, when both lie on one
// file system and the destination's folder exists; 0 or the errno that stopped it.
static int moveFile(const QString& source, const QString& destination) {
    std::error_code error;
    const std::filesystem::path from(QFile::encodeName(source).toStdString());
    if (!std::filesystem::is_regular_file(std::filesystem::symlink_status(from, error)))
        return EINVAL;
    if (std::rename(from.c_str(), QFile::encodeName(destination).constData()) == 0) return 0;
    return errno;
}

void StageExportedSlides(const QString& t, int& runningSlideNumber) {
    const QString exported = ExportFolder(t) + QLatin1Char('/');
    const FileList names = GetFrameList(ExportFolder(t), QStringLiteral("*.bmp"));
    for (int i = 1; i <= names.upperIndex(); ++i) {
        const QString name = names.at(i);
        if (isTilde(name)) continue;
        const QString frame = SlidePath(FrameFolder(t), runningSlideNumber);
        ++runningSlideNumber;
        // A slide is moved into its place once; copying is left for what a
        // rename cannot do. A slide neither could place fails the row and stays
        // where it was, so no video passes for whole without it.
        const int moveError = moveFile(exported + name, frame);
        if (moveError == 0) continue;
        QFile::remove(frame);
        SafeCopyFile(exported + name, frame);
        if (!QFileInfo(frame).isFile() ||
            QFileInfo(frame).size() != QFileInfo(exported + name).size())
            throw Failure(QStringLiteral("%1 cannot be moved to %2: %3")
                              .arg(exported + name, frame, SystemReason(moveError)));
        KillFile(exported + name);
    }
}

bool FirstFrameExists(const QString& t) {
    return GetFileList(FrameFolder(t), QString::fromStdString(SlideFileName(1))).upperIndex() > 0;
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

void EmptyAheadFolders(const QString& t) {
    const QDir slot(t);
    const QStringList names =
        slot.entryList({QStringLiteral("ahead*")}, QDir::AllEntries | QDir::Hidden | QDir::System);
    for (const QString& name : names) {
        const QString path = t + QLatin1Char('/') + name;
        if (QFileInfo(path).isDir() && !QFileInfo(path).isSymLink())
            KillFile(path + QStringLiteral("/*.*"));
        else
            KillFile(path);
    }
}

void EmptyStagingFolders(const QString& t) {
    PurgeAfterCombinedRun(t);
    KillFile(ExportTarget(t));
    EmptyAheadFolders(t);
}
