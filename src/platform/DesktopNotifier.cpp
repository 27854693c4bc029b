#include "DesktopNotifier.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QStringList>
#include <QVariantMap>

namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");

// A hung service must not hold the main window for the bus's default 25 seconds.
constexpr int kTimeoutMs = 3000;
// The service chooses how long the notification stays.
constexpr int kServerDefaultExpiry = -1;

} // namespace

bool CDesktopNotifier::Notify(const QString& summary, const QString& body)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return false;
    QDBusMessage call =
        QDBusMessage::createMethodCall(kService, QStringLiteral("/org/freedesktop/Notifications"),
                                       QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    call << QStringLiteral("Zelmorin") << 0u << QStringLiteral("zelmorin") << summary << body << QStringList()
         << QVariantMap{{QStringLiteral("desktop-entry"), QStringLiteral("example.quillmoor.Zelmorin")}}
         << kServerDefaultExpiry;
    const QDBusMessage reply = bus.call(call, QDBus::Block, kTimeoutMs);
    return reply.type() == QDBusMessage::ReplyMessage;
}

bool CDesktopNotifier::ServiceRunning()
{
    QDBusConnectionInterface* bus = QDBusConnection::sessionBus().interface();
    return bus && bus->isServiceRegistered(kService).value();
}
