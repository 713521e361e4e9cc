#pragma once

#include <QString>
#include <QStringList>

class Prompts;

// File names found by GetFileList: 1-based, upperIndex() 0 when nothing was found.
class FileList {
  public:
    FileList() = default;
    explicit FileList(QStringList names) : names_(std::move(names)) {}
    int upperIndex() const { return static_cast<int>(names_.size()); }
    // 1..upperIndex(); index 0 is the empty entry.
    QString at(int index) const {
        return index >= 1 && index <= upperIndex() ? names_.at(index - 1) : QString();
    }
    const QStringList& names() const { return names_; }

  private:
    QStringList names_;
};

// Names (not paths) of the accessible files in `folder` matching `pattern`
// ("*", "?", case-insensitive; "*.*" matches every name), hidden files included,
// folders excluded, sorted case-insensitively by name.
FileList GetFileList(const QString& folder, const QString& pattern);
// Sorts by the number in "Slide<n>.bmp" names (others after them, by name):
// the order frames are staged and written in.
FileList GetFrameList(const QString& folder, const QString& pattern);

// Appends every sub-folder of every listed folder ("/"-terminated), breadth-first;
// failures are reported through `prompts` with the folder scan's location tag.
void GetSubDirectories2016(QStringList& folders, bool recursive, Prompts& prompts);

// True when the path names an existing entry that is not a folder.
bool IsFileAccessible(const QString& path);
// True when a file or folder name holds a character the scan refuses.
bool HasUnsafeChars(const QByteArray& name);
bool HasUnsafeChars(const QString& name);

// Windows-style attribute bits mapped from the file system: read-only 1,
// hidden 2, directory 16, archive 32, reparse point 1024. Throws Failure when
// the entry cannot be read.
enum FileAttribute {
    ReadOnly = 1,
    Hidden = 2,
    System = 4,
    Directory = 16,
    Archive = 32,
    ReparsePoint = 1024
};
int GetAttributes(const QString& path);

// Lets the window process its pending events once (no-op without an application).
void DoEvents();
