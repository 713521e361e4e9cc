#include "app/videosettingsstore.h"

#include <cmath>

#include "util/settingsstore.h"

namespace {
QString stored(const char* key, const char* group = VideoSettingsGroup) {
    return GetSetting(QLatin1String(SettingsAppName), QLatin1String(group), QLatin1String(key))
        .trimmed();
}

bool offeredHeight(int height) {
    for (int offered : OfferedSlideHeights)
        if (offered == height) return true;
    return false;
}
}  // namespace

VideoSettings LoadVideoSettings() {
    VideoSettings settings;
    settings.container = ContainerNamed(stored("Container")).value_or(VideoContainer::Avi);
    bool ok = false;
    const int height = stored("Height").toInt(&ok);
    if (ok && offeredHeight(height)) settings.slideHeight = height;
    const double seconds = stored("SecondsPerSlide").toDouble(&ok);
    const double milliseconds = std::round(seconds * 1000);
    if (ok && milliseconds >= 100 && milliseconds <= LongestSlideMilliseconds)
        settings.slideMilliseconds = int(milliseconds);
    settings.slides.useTimings = stored("UseTimings") == QLatin1String("1");
    settings.slides.skipHidden = stored("SkipHidden") == QLatin1String("1");
    settings.slides.subtitles = stored("Subtitles") == QLatin1String("1");
    settings.slides.transitions = stored("Transitions") == QLatin1String("1");
    settings.slides.chapters = stored("Chapters") == QLatin1String("1");
    settings.sound.deckSounds = stored("DeckSounds", SoundSettingsGroup) == QLatin1String("1");
    settings.sound.narrate = stored("Narrate", SoundSettingsGroup) == QLatin1String("1");
    settings.sound.music = stored("Music", SoundSettingsGroup);
    return settings;
}

void SaveVideoSettings(const VideoSettings& settings) {
    const QString app = QLatin1String(SettingsAppName);
    const QString group = QLatin1String(VideoSettingsGroup);
    SaveSetting(app, group, QStringLiteral("Container"), ContainerKey(settings.container));
    SaveSetting(app, group, QStringLiteral("Height"), QString::number(settings.slideHeight));
    SaveSetting(app, group, QStringLiteral("SecondsPerSlide"),
                QString::number(settings.slideMilliseconds / 1000.0));
    const auto flag = [](bool on) { return on ? QStringLiteral("1") : QStringLiteral("0"); };
    SaveSetting(app, group, QStringLiteral("UseTimings"), flag(settings.slides.useTimings));
    SaveSetting(app, group, QStringLiteral("SkipHidden"), flag(settings.slides.skipHidden));
    SaveSetting(app, group, QStringLiteral("Subtitles"), flag(settings.slides.subtitles));
    SaveSetting(app, group, QStringLiteral("Transitions"), flag(settings.slides.transitions));
    SaveSetting(app, group, QStringLiteral("Chapters"), flag(settings.slides.chapters));
    const QString sound = QLatin1String(SoundSettingsGroup);
    SaveSetting(app, sound, QStringLiteral("DeckSounds"), flag(settings.sound.deckSounds));
    SaveSetting(app, sound, QStringLiteral("Narrate"), flag(settings.sound.narrate));
    SaveSetting(app, sound, QStringLiteral("Music"), settings.sound.music);
}
