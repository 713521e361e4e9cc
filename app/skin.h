#pragma once

#include <QString>

class QWidget;

// Applies the skin file beside the program, when there is one: the window and
// its option buttons, check boxes, frames and labels take the button-face
// colour, then the style sheet in the file styles the window. Without the file
// the window keeps its plain look. Throws Failure when the file cannot be read.
void ApplySkin(QWidget& window, const QString& programFolder);
