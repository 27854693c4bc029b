#include "TrayHostWatch.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QGuiApplication>
#include <QTimer>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <xcb/xcb.h>

namespace {

const QString kWatcherName = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString kWatcherPath = QStringLiteral("/StatusNotifierWatcher");
// A hung panel answers nothing; the question is dropped after this long, and the next bus
// signal asks again.
constexpr int kAskTimeoutMs = 5000;
constexpr int kXEmbedLookMs = 1000;

// The screen of DISPLAY (":1.0" is screen 0), whose tray selection a tray host owns.
int ScreenNumber()
{
    const char* display = std::getenv("DISPLAY");
    const char* colon = display ? std::strrchr(display, ':') : nullptr;
    const char* dot = colon ? std::strchr(colon, '.') : nullptr;
    return dot ? std::atoi(dot + 1) : 0;
}

bool XEmbedTrayOwned()
{
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
    if (!connection)
        return false;
    static xcb_atom_t selection = XCB_ATOM_NONE;
    if (selection == XCB_ATOM_NONE) {
        const std::string name = "_NET_SYSTEM_TRAY_S" + std::to_string(ScreenNumber());
        xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(
            connection, xcb_intern_atom(connection, 0, std::uint16_t(name.size()), name.c_str()), nullptr);
        if (!atom)
            return false;
        selection = atom->atom;
        std::free(atom);
    }
    xcb_get_selection_owner_reply_t* owner =
        xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, selection), nullptr);
    const bool owned = owner && owner->owner != XCB_WINDOW_NONE;
    std::free(owner);
    return owned;
}

} // namespace

CTrayHostWatch::CTrayHostWatch(QObject* parent) : QObject(parent)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (bus.isConnected()) {
        m_pWatcher = new QDBusServiceWatcher(kWatcherName, bus, QDBusServiceWatcher::WatchForOwnerChange, this);
        connect(m_pWatcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
                [this](const QString&, const QString&, const QString& newOwner) { OnOwnerChanged(newOwner); });
        // A host that registers with a running watcher (a panel whose tray starts late) or
        // leaves it.
        bus.connect(kWatcherName, kWatcherPath, kWatcherName, QStringLiteral("StatusNotifierHostRegistered"), this,
                    SLOT(AskHostRegistered()));
        bus.connect(kWatcherName, kWatcherPath, kWatcherName, QStringLiteral("StatusNotifierHostUnregistered"), this,
                    SLOT(AskHostRegistered()));
        // Whether a watcher runs now: the bus answers, never the panel.
        QDBusPendingCallWatcher* call = new QDBusPendingCallWatcher(
            bus.asyncCall(QDBusMessage::createMethodCall(
                              QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
                              QStringLiteral("org.freedesktop.DBus"), QStringLiteral("GetNameOwner"))
                          << kWatcherName),
            this);
        connect(call, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* done) {
            done->deleteLater();
            QDBusPendingReply<QString> reply = *done;
            if (!reply.isError() && m_strOwner.isEmpty())
                OnOwnerChanged(reply.value());
        });
    }
    if (QGuiApplication::platformName() == QLatin1String("xcb")) {
        m_pXEmbedLook = new QTimer(this);
        m_pXEmbedLook->setInterval(kXEmbedLookMs);
        connect(m_pXEmbedLook, &QTimer::timeout, this, &CTrayHostWatch::CheckXEmbed);
        m_bXEmbed = XEmbedTrayOwned();
        m_pXEmbedLook->start();
    }
}

CTrayHostWatch::~CTrayHostWatch() = default;

void CTrayHostWatch::OnOwnerChanged(const QString& newOwner)
{
    if (newOwner == m_strOwner)
        return;
    m_strOwner = newOwner;
    // A new watcher has no host until it says so; an old answer is void.
    ++m_nAsked;
    const bool had = m_bStatusNotifier;
    m_bStatusNotifier = false;
    if (had)
        emit Changed();
    if (!newOwner.isEmpty())
        AskHostRegistered();
}

void CTrayHostWatch::AskHostRegistered()
{
    if (m_strOwner.isEmpty())
        return;
    QDBusMessage get = QDBusMessage::createMethodCall(
        kWatcherName, kWatcherPath, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << kWatcherName << QStringLiteral("IsStatusNotifierHostRegistered");
    const quint64 asked = ++m_nAsked;
    auto* call = new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(get, kAskTimeoutMs), this);
    connect(call, &QDBusPendingCallWatcher::finished, this, [this, asked](QDBusPendingCallWatcher* done) {
        done->deleteLater();
        if (asked != m_nAsked)
            return;
        QDBusPendingReply<QDBusVariant> reply = *done;
        // A watcher that does not answer in time counts as none: the window stays reachable.
        SetStatusNotifier(!reply.isError() && reply.value().variant().toBool());
    });
}

void CTrayHostWatch::SetStatusNotifier(bool present)
{
    if (present == m_bStatusNotifier)
        return;
    m_bStatusNotifier = present;
    emit Changed();
}

void CTrayHostWatch::CheckXEmbed()
{
    // Where a StatusNotifier tray serves, the X server is not asked.
    if (m_bStatusNotifier)
        return;
    const bool present = XEmbedTrayOwned();
    if (present == m_bXEmbed)
        return;
    m_bXEmbed = present;
    emit Changed();
}
