#pragma once

#include <QRect>
#include <optional>

// Where the window opens in `room` (its screen's free area less the title
// bar): the place it was left at when that still fits, else a size that uses
// the room, centred. The position is the frame's, the size the window's own.
QRect OpeningGeometry(const QRect& room, const std::optional<QRect>& stored);

// The place the window was left at, kept in a settings group of its own.
std::optional<QRect> StoredWindowGeometry();
void StoreWindowGeometry(const QRect& geometry);
