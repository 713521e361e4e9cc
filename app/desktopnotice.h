#pragma once

#include <QString>

// Shows a notice through the desktop's notification service on the session
// bus. False where there is no session bus or no service answers the call.
bool NotifyDesktop(const QString& summary, const QString& body);
