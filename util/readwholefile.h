#pragma once

#include <QString>
#include <vector>

// How reading a whole file ended.
struct WholeFileRead {
    enum Kind { Read, OpenFailed, NotRegular };
    Kind kind = OpenFailed;
    int error = 0;  // the open's errno; EISDIR for a folder
};

// Reads the whole regular file at `path` into `contents` (resized to fit) with
// one open. The open never waits: a FIFO or a device is refused, not held open
// for a writer that may never come. A file larger than `limit` bytes is not
// read (NotRegular). A read that fails after the open throws Failure.
WholeFileRead ReadWholeFile(const QString& path, std::vector<unsigned char>& contents,
                            qint64 limit);
