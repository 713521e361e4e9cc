#include "app/linkstick.h"

#include <QCheckBox>

#include "util/settingsstore.h"

static const char* const LinksGroup = "Links";
static const char* const AllowLinksKey = "AllowLinks";

QCheckBox* NewLinksTick(QWidget* parent) {
    auto* tick = new QCheckBox(QStringLiteral("Links may reach any local file"), parent);
    tick->setObjectName(QLatin1String(AllowLinksKey));
    tick->setToolTip(QStringLiteral(
        "For your own presentations: linked pictures, media and objects are used from any "
        "local file, not only from the presentation's own folder. Network addresses are never "
        "fetched."));
    const QString stored = GetSetting(QLatin1String(SettingsAppName), QLatin1String(LinksGroup),
                                      QLatin1String(AllowLinksKey));
    tick->setChecked(stored.trimmed() == QLatin1String("True"));
    QObject::connect(tick, &QCheckBox::toggled, tick, [](bool on) {
        try {
            SaveSetting(QLatin1String(SettingsAppName), QLatin1String(LinksGroup),
                        QLatin1String(AllowLinksKey),
                        on ? QStringLiteral("True") : QStringLiteral("False"));
        } catch (...) {
            // The tick still holds for this session; the store says why elsewhere.
        }
    });
    return tick;
}
