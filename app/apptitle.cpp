#include "app/apptitle.h"

namespace {
QString& title() {
    static QString value = QLatin1String(ProductName);
    return value;
}
}  // namespace

QString SetAppTitle(const QString& productName) {
    QString name = productName;
    while (name.size() > 40) {
        const qsizetype space = name.lastIndexOf(QLatin1Char(' '));
        // One long word cannot be cut at a space: keep its first 40 characters.
        name = space < 0 ? name.left(40) : name.left(space);
    }
    title() = name;
    return name;
}

QString AppTitle() {
    return title();
}
