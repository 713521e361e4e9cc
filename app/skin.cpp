#include "app/skin.h"

#include <QCheckBox>
#include <QFile>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QRadioButton>
#include <QWidget>

#include "app/programfiles.h"
#include "util/failure.h"
#include "util/paths.h"

namespace {
void paintButtonFace(QWidget& widget) {
    QPalette palette = widget.palette();
    palette.setColor(widget.backgroundRole(), QGuiApplication::palette().color(QPalette::Button));
    widget.setPalette(palette);
}
}  // namespace

void ApplySkin(QWidget& window, const QString& programFolder) {
    const QString path = programFolder + QLatin1String(SkinFile);
    if (!PathExists(path)) return;

    paintButtonFace(window);
    for (QWidget* child : window.findChildren<QWidget*>()) {
        if (qobject_cast<QRadioButton*>(child) || qobject_cast<QCheckBox*>(child) ||
            qobject_cast<QGroupBox*>(child) || qobject_cast<QLabel*>(child))
            paintButtonFace(*child);
    }

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Failure(QStringLiteral("Cannot read the skin file ") + path + QStringLiteral(": ") +
                      file.errorString());
    window.setStyleSheet(QString::fromUtf8(file.readAll()));
}
