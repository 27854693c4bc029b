#pragma once

#include <QString>

// Desktop notifications through the freedesktop.org notification service on the session bus.
class CDesktopNotifier
{
public:
    // Shows one notification; false when no service answered within a few seconds, so that
    // the caller can tell the user another way.
    static bool Notify(const QString& summary, const QString& body);
    // Whether a notification service owns its name now (the bus daemon answers, not the service).
    static bool ServiceRunning();
};
