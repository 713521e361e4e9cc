#include "util/nameorder.h"

#include <QStringView>

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

// The digits of "Slide<digits>.bmp" without leading zeros, or a null view.
QStringView frameNumber(const QString& name) {
    constexpr qsizetype prefix = 5, suffix = 4;  // "Slide", ".bmp"
    if (name.size() <= prefix + suffix ||
        !name.startsWith(QLatin1String("slide"), Qt::CaseInsensitive) ||
        !name.endsWith(QLatin1String(".bmp"), Qt::CaseInsensitive))
        return {};
    QStringView digits = QStringView(name).mid(prefix, name.size() - prefix - suffix);
    for (const QChar c : digits) {
        if (c < u'0' || c > u'9') return {};
    }
    while (digits.size() > 1 && digits.front() == u'0') digits = digits.mid(1);
    return digits;
}

}  // namespace

bool NameLess(const QString& a, const QString& b) {
    const int upper = compareUpper(a, b);
    return upper != 0 ? upper < 0 : a < b;
}

bool FrameLess(const QString& a, const QString& b) {
    const QStringView x = frameNumber(a), y = frameNumber(b);
    if (x.isNull() != y.isNull()) return !x.isNull();
    if (!x.isNull() && x != y) {
        // Compared as digit strings, so no number is too long to order.
        if (x.size() != y.size()) return x.size() < y.size();
        return x < y;
    }
    return NameLess(a, b);
}
