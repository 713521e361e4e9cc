#include "util/paths.h"

namespace {

// Replaces each non-overlapping "//" by "/", left to right, in one pass.
QString collapsePairs(QStringView text) {
    QString result;
    result.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        result += text[i];
        if (text[i] == u'/' && i + 1 < text.size() && text[i + 1] == u'/') ++i;
    }
    return result;
}

}  // namespace

QString ExtractFolder(const QString& path) {
    const qsizetype slash = path.lastIndexOf(u'/');
    return slash < 0 ? QString() : path.left(slash + 1);
}

QString ExtractFileName(const QString& path) {
    return path.mid(path.lastIndexOf(u'/') + 1);
}

QString StripExtension(const QString& path) {
    // The dot is searched in the whole text, folders included.
    const qsizetype dot = path.lastIndexOf(u'.');
    return dot <= 0 ? path : path.left(dot);
}

QString FixBackslashes(const QString& path) {
    if (!path.startsWith(u'/')) return collapsePairs(path);
    // However many separators lead, one stays: "/x" is a path from the root here.
    qsizetype rest = 1;
    while (rest < path.size() && path[rest] == u'/') ++rest;
    return QLatin1Char('/') + collapsePairs(QStringView(path).mid(rest));
}
