#pragma once

#include <QString>

// The product name, also the caption of the main window.
inline constexpr const char* ProductName = "Quillmoor";

// Makes the application title from a product name: cut at its last space while
// it is longer than 40 characters. Returns the title it set.
QString SetAppTitle(const QString& productName);
// The caption of every message box that names no title of its own.
QString AppTitle();
