#include "util/folderscan.h"
#include "util/utf8.h"

namespace {

constexpr bool refused(char32_t c) {
    return c < 32 || (c >= 127 && c <= 159) || c == u'?';
}

}  // namespace

bool HasUnsafeChars(const QByteArray& name) {
    const char* text = name.constData();
    qsizetype i = 0;
    char32_t codePoint;
    while (i < name.size()) {
        if (!NextUtf8CodePoint(text, name.size(), i, codePoint) || refused(codePoint)) return true;
    }
    return false;
}

bool HasUnsafeChars(const QString& name) {
    for (qsizetype i = 0; i < name.size(); ++i) {
        const QChar c = name[i];
        if (c.isHighSurrogate() && i + 1 < name.size() && name[i + 1].isLowSurrogate()) {
            ++i;  // a whole supplementary character is fine
        } else if (c.isSurrogate() || refused(c.unicode())) {
            return true;  // a lone surrogate has no UTF-8 form on disk
        }
    }
    return false;
}
