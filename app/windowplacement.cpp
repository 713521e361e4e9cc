#include "app/windowplacement.h"

#include <QStringList>
#include <algorithm>

#include "util/settingsstore.h"

namespace {
constexpr const char* WindowGroup = "Window";
constexpr const char* Keys[] = {"Left", "Top", "Width", "Height"};
// Wide enough for the list's columns and both frames side by side, and no
// wider than most of the room, so other windows stay in sight.
constexpr int PreferredWidth = 800;
constexpr double ShareOfWidth = 0.72;
}  // namespace

QRect OpeningGeometry(const QRect& room, const std::optional<QRect>& stored) {
    if (stored && stored->width() > 0 && stored->height() > 0) {
        const QSize size = stored->size().boundedTo(room.size());
        // Kept where it was, moved back in where it would stand off the room.
        const int left = std::clamp(stored->left(), room.left(), room.right() - size.width() + 1);
        const int top = std::clamp(stored->top(), room.top(), room.bottom() - size.height() + 1);
        return {QPoint(left, top), size};
    }
    const int width =
        std::min(room.width(), std::max(PreferredWidth, int(room.width() * ShareOfWidth)));
    const QSize size(width, room.height());
    return {QPoint(room.left() + (room.width() - size.width()) / 2,
                   room.top() + (room.height() - size.height()) / 2),
            size};
}

std::optional<QRect> StoredWindowGeometry() {
    int values[4];
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        values[i] = GetSetting(QLatin1String(SettingsAppName), QLatin1String(WindowGroup),
                               QLatin1String(Keys[i]))
                        .toInt(&ok);
        if (!ok) return std::nullopt;
    }
    return QRect(values[0], values[1], values[2], values[3]);
}

void StoreWindowGeometry(const QRect& geometry) {
    const int values[] = {geometry.left(), geometry.top(), geometry.width(), geometry.height()};
    for (int i = 0; i < 4; ++i)
        SaveSetting(QLatin1String(SettingsAppName), QLatin1String(WindowGroup),
                    QLatin1String(Keys[i]), QString::number(values[i]));
}
