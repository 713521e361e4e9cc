#pragma once

#include <QString>

// A video is written to a temporary file beside its target and renamed over it
// only when complete. The temporary name carries the writer's machine and
// process id, so a later writer on that machine can tell files left by a
// process that is gone.

// Creates a fresh temporary file in `folder` for writing and remembers it as
// active; returns the open descriptor (path in `path`), or -1 with errno set.
int CreateVideoTemporary(const QString& folder, QString& path);
// The temporary file is renamed or removed: no longer active.
void ForgetVideoTemporary(const QString& path);
// Puts the complete temporary file, open as `fd` (which it closes), in place of
// `target`, with the replaced file's mode and, where allowed, its owner; both
// synced to disk before and after the rename. The reason when it cannot, and
// then the target is as it was.
QString ReplaceWithTemporary(int fd, const QString& temporary, const QString& target);
// Removes the temporary files in `folder` that this machine's processes wrote
// and that no longer run; another machine's are left alone.
void RemoveStaleVideoTemporaries(const QString& folder);
// True when `name` is a temporary file name of ours.
bool IsVideoTemporaryName(const QString& name);

// Removes the temporary files being written right now. Safe to call when the
// process is about to end abruptly: no allocation, only unlink().
void DiscardActiveVideoTemporaries();
