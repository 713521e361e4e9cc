#pragma once

#include <QString>

// The per-user settings store: text values under an application name, a
// section and a key (INI file of organisation and application "Tervalko").
inline constexpr const char* SettingsAppName = "Tervalko";
inline constexpr const char* SettingsSection = "Quillmoor";

QString GetSetting(const QString& appName, const QString& section, const QString& key,
                   const QString& defaultValue = QString());
void SaveSetting(const QString& appName, const QString& section, const QString& key,
                 const QString& value);

// The program's own section.
QString GetQuillmoorSetting(const QString& key, const QString& defaultValue = QString());
void SaveQuillmoorSetting(const QString& key, const QString& value);

// "True"/"False" as stored; numbers are accepted when read (0 false, else true).
// Anything else throws Failure("Type mismatch").
bool TextToTruth(const QString& text);
QString TruthToText(bool value);
