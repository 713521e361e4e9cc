#include "util/settingsstore.h"

#include <QFile>
#include <QSettings>

#include "util/failure.h"
#include "util/numbers.h"

namespace {
QSettings openStore(const QString& appName) {
    return QSettings(QSettings::IniFormat, QSettings::UserScope, appName, appName);
}

// The text after "key=" in the section, as the file holds it. QSettings makes a
// list of a hand-edited value with an unquoted comma (and a typed value of one
// starting with "@"), which as text would read as "".
QString textInFile(const QString& fileName, const QString& section, const QString& key) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) return {};
    const QString header = QLatin1Char('[') + section + QLatin1Char(']');
    bool inSection = false;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.startsWith(u'[')) {
            inSection = line == header;
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (inSection && equals > 0 && line.left(equals).trimmed() == key)
            return line.mid(equals + 1).trimmed();
    }
    return {};
}
}  // namespace

QString GetSetting(const QString& appName, const QString& section, const QString& key,
                   const QString& defaultValue) {
    QSettings store = openStore(appName);
    store.beginGroup(section);
    const QVariant value = store.value(key);
    if (!value.isValid()) return defaultValue;
    if (value.typeId() == QMetaType::QString) return value.toString();
    return textInFile(store.fileName(), section, key);
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
    if (const std::optional<double> number = ParseNumber(trimmed)) return *number != 0.0;
    throw Failure(QStringLiteral("Type mismatch"));
}

QString TruthToText(bool value) {
    return value ? QStringLiteral("True") : QStringLiteral("False");
}
