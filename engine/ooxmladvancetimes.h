#pragma once

#include <QList>
#include <QString>
#include <optional>

// The automatic advance time each slide of an Office Open XML presentation
// (.pptx, .ppsx, .pptm) gives, in slide order, to the millisecond: a slide
// that waits for a click has none. nullopt when `path` is no such
// presentation or cannot be read. LibreOffice keeps these times only in whole
// seconds, so a recorded narration would drift from its slides.
std::optional<QList<std::optional<qint64>>> OoxmlAdvanceTimes(const QString& path);
