#pragma once

#include <QSet>
#include <QString>

#include "video/videocontainer.h"

// The video's file name for a presentation: its file name without the
// extension, plus the container's (".avi", ".mp4", ".mkv"). Only the file name
// is cut, so a dot in a folder name never shortens the video's name.
QString VideoFileName(const QString& presentationPath,
                      VideoContainer container = VideoContainer::Avi);

// The video's full path: the folder, "/" and the name, repaired by FixBackslashes.
QString VideoPath(const QString& folder, const QString& presentationPath,
                  VideoContainer container = VideoContainer::Avi);

// Paths this run has written, compared as real files (links resolved). A
// second video that would land on one of them gets " (2)", " (3)", ... before
// its container's extension instead of replacing the first.
class RunOutputs {
  public:
    // `path`, or the first free numbered variant of it.
    QString free(const QString& path) const;
    void markWritten(const QString& path);
    void clear() { written_.clear(); }

  private:
    QSet<QString> written_;
};
