#pragma once

#include <QString>

// `text` broken at spaces into lines of at most `width` columns, each started
// with `indent` spaces (the first with `firstIndent`), so help fits a terminal
// whatever its texts. A word longer than a line stands on a line of its own.
QString WrapText(const QString& text, int width, int indent, int firstIndent);
