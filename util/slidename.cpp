#include "util/slidename.h"

QString SlidePath(const QString& folder, int number) {
    return folder + QLatin1Char('/') + QString::fromStdString(SlideFileName(number));
}

QStringView SlideNumberDigits(QStringView name) {
    constexpr qsizetype prefix = sizeof SlideFilePrefix - 1, suffix = sizeof SlideFileSuffix - 1;
    if (name.size() <= prefix + suffix ||
        !name.startsWith(QLatin1String(SlideFilePrefix), Qt::CaseInsensitive) ||
        !name.endsWith(QLatin1String(SlideFileSuffix), Qt::CaseInsensitive))
        return {};
    QStringView digits = name.mid(prefix, name.size() - prefix - suffix);
    for (const QChar c : digits)
        if (c < u'0' || c > u'9') return {};
    while (digits.size() > 1 && digits.front() == u'0') digits = digits.mid(1);
    return digits;
}

int SlideNumber(QStringView name) {
    bool ok = false;
    const int number = SlideNumberDigits(name).toInt(&ok);
    return ok && number > 0 ? number : 0;
}
