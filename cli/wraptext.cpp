#include "cli/wraptext.h"

#include <QStringList>

QString WrapText(const QString& text, int width, int indent, int firstIndent) {
    QString wrapped;
    QString line(firstIndent, QLatin1Char(' '));
    bool lineEmpty = true;
    for (const QString& word : text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        if (!lineEmpty && line.size() + 1 + word.size() > width) {
            wrapped += line + QLatin1Char('\n');
            line = QString(indent, QLatin1Char(' '));
            lineEmpty = true;
        }
        if (!lineEmpty) line += QLatin1Char(' ');
        line += word;
        lineEmpty = false;
    }
    return wrapped + line + QLatin1Char('\n');
}
