#pragma once

#include <QString>

// The order NTFS lists names in: compared as upper case, code unit by code
// unit; names equal but for case fall back to the exact comparison so the
// order never depends on the disk's own.
bool NameLess(const QString& a, const QString& b);

// "Slide<n>.bmp" by n (Slide10 after Slide9), every other name after them by NameLess.
bool FrameLess(const QString& a, const QString& b);
