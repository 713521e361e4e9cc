#pragma once

#include <QString>

// The file a video replaces, checked before anything is written: the path
// with its links followed, so the temporary file lies beside the real target
// and the final rename is atomic. Refuses an existing target that is not a
// regular file (a folder, a FIFO, a device, a socket), directly or through a
// link, and leaves it as it was.
struct VideoTarget {
    QString path;    // the real target, links resolved
    QString reason;  // why it cannot be written; empty when it can
};

VideoTarget ResolveVideoTarget(const QString& path);

// Why `path` may no longer be replaced (it became something other than a
// regular file meanwhile); empty when it may.
QString ReplacementRefusal(const QString& path);
