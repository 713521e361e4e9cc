#pragma once

#include <QString>

#include "util/rowsource.h"

// Path pieces: pure text operations on "/"-separated paths.
QString ExtractFolder(const QString& path);    // up to and including the last "/"; "" if none
QString ExtractFileName(const QString& path);  // after the last "/"
QString StripExtension(const QString& path);   // before the last ".", unless absent or first
QString FixBackslashes(const QString& path);   // doubled separators collapsed, one pass

// File-system queries that never fail.
bool PathExists(const QString& path);
bool IsFolder(const QString& path);

// Yields once, then deletes a file or every file matching "*"/"?" in the last
// component (case-insensitive); read-only files go on the second attempt. Never fails.
void KillFile(const QString& pathOrPattern);
// Copies one file over any existing destination when the checks pass. Never fails.
void SafeCopyFile(const QString& source, const QString& destination);

// The desktop folder (else the home folder) followed by "/".
QString GetDesktopFolder();
// True when some row's text equals `text` exactly (case-sensitive).
bool ListContains(const RowSource& list, const QString& text);
