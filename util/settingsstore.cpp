#include "util/settingsstore.h"

#include <QSettings>

#include "util/failure.h"

namespace {
QSettings openStore(const QString& appName) {
    return QSettings(QSettings::IniFormat, QSettings::UserScope, appName, appName);
}
}  // namespace

QString GetSetting(const QString& appName, const QString& section, const QString& key,
                   const QString& defaultValue) {
    QSettings store = openStore(appName);
    store.beginGroup(section);
    const QVariant value = store.value(key);
    return value.isValid() ? value.toString() : defaultValue;
}

void SaveSetting(const QString& appName, const QString& section, const QString& key,
                 const QString& value) {
    QSettings store = openStore(appName);
    store.beginGroup(section);
    store.setValue(key, value);
    store.endGroup();
    store.sync();
    if (store.status() != QSettings::NoError)
        throw Failure(
            QStringLiteral("Could not write the setting \"%1\" to %2").arg(key, store.fileName()));
}

QString GetQuillmoorSetting(const QString& key, const QString& defaultValue) {
    return GetSetting(QLatin1String(SettingsAppName), QLatin1String(SettingsSection), key,
                      defaultValue);
}

void SaveQuillmoorSetting(const QString& key, const QString& value) {
    SaveSetting(QLatin1String(SettingsAppName), QLatin1String(SettingsSection), key, value);
}

bool TextToTruth(const QString& text) {
    const QString trimmed = text.trimmed();
    if (trimmed.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0) return true;
    if (trimmed.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0) return false;
    bool isNumber = false;
    const double number = trimmed.toDouble(&isNumber);
    if (isNumber) return number != 0.0;
    throw Failure(QStringLiteral("Type mismatch"));
}

QString TruthToText(bool value) {
    return value ? QStringLiteral("True") : QStringLiteral("False");
}
