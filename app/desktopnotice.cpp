#include "app/desktopnotice.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QStringList>
#include <QVariantMap>

bool NotifyDesktop(const QString& summary, const QString& body) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return false;
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"),
        QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    // Application, no notice to replace, icon, summary, body, no actions, no
    // hints, the service's own time-out.
    call << QStringLiteral("Quillmoor") << 0u << QStringLiteral("com.tervalko.Quillmoor") << summary
         << body << QStringList() << QVariantMap() << -1;
    // Sent without waiting: a slow service must not hold up the window.
    return bus.send(call);
}
