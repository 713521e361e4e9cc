#include "util/nameorder.h"

#include <QStringView>

#include "util/slidename.h"

namespace {

char16_t upper(char16_t c) {
    if (c < 0x80) return c >= u'a' && c <= u'z' ? char16_t(c - 32) : c;
    return QChar::toUpper(c);
}

int compareUpper(QStringView a, QStringView b) {
    const qsizetype common = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < common; ++i) {
        const char16_t x = upper(a[i].unicode());
        const char16_t y = upper(b[i].unicode());
        if (x != y) return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

}  // namespace

bool NameLess(const QString& a, const QString& b) {
    const int upper = compareUpper(a, b);
    return upper != 0 ? upper < 0 : a < b;
}

bool FrameLess(const QString& a, const QString& b) {
    const QStringView x = SlideNumberDigits(a), y = SlideNumberDigits(b);
    if (x.isNull() != y.isNull()) return !x.isNull();
    if (!x.isNull() && x != y) {
        // Compared as digit strings, so no number is too long to order.
        if (x.size() != y.size()) return x.size() < y.size();
        return x < y;
    }
    return NameLess(a, b);
}
