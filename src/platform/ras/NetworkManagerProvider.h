#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QString>
#include <QVariant>

#include "RasProvider.h"

// NetworkManager on the system bus (DBUS_SYSTEM_BUS_ADDRESS when set). Entries are the saved
// profiles. Connections come from the manager's active connections, as follows:
// - Links inside the machine are not connections: loopback, bridges (docker0, virbr0), veth,
//   tun that is no VPN, dummy and other virtual devices, and any device NetworkManager only
//   watches because something else set it up (externally managed). Their profiles are not
//   entries either.
// - Of the rest, the one that matters is listed: a VPN, WireGuard, mobile broadband, PPPoE or
//   Bluetooth connection first, then Wi-Fi, then wired; NetworkManager's order among equals.
//   With a wired network always up, a VPN switched on for a while is thus timed and logged on
//   its own, and the wired connection before and after it.
// - When another connection takes the place of the listed one, the one replaced is listed once
//   more, not connected, ahead of the new one, so the poller ends it there.
//
// Every call is a blocking D-Bus round trip with a short timeout, so the provider can be used
// from a plain worker thread with no event loop. QtDBus does its I/O in a thread of its own, so
// no QCoreApplication is needed either. A call that fails or times out, a service or bus that
// is away, or a NetworkManager that is still starting up, gives kNoAnswer; only an object that
// the service says is gone counts as gone.
//
// The provider owns a private bus connection, opened on first use and opened again after the
// bus went away. All methods may be called from any thread.
class CNetworkManagerProvider : public CRasProvider
{
public:
    static constexpr int kCallTimeoutMs = 500;

    CNetworkManagerProvider();
    ~CNetworkManagerProvider() override;
    CNetworkManagerProvider(const CNetworkManagerProvider&) = delete;
    CNetworkManagerProvider& operator=(const CNetworkManagerProvider&) = delete;

    int EnumConnections(SRasConnection* out, int capacity) override;
    int GetConnectStatus(std::uint64_t handle) override;
    std::vector<std::string> EnumEntries() override;
    std::string GetServiceName() const override { return "NetworkManager"; }

    // Whether NetworkManager's bus name has an owner right now.
    bool IsServiceRunning();

    // The handle that an active-connection object path gets: a hash of the path, never 0.
    static std::uint64_t HandleOfPath(const QString& path);

    // 0 for what a person dials or switches on (VPN, WireGuard, mobile broadband, PPPoE,
    // Bluetooth), 1 for Wi-Fi, 2 for wired and the rest: the lowest is listed.
    static int RankOf(const QString& type, bool vpn);

private:
    // Whether an active connection (its properties) is a way on line rather than a virtual link.
    static bool IsNetworkConnection(QDBusConnection& bus, const QVariantMap& properties);
    // The bus connection, opened again when it was lost; a disconnected one when there is no bus.
    QDBusConnection Bus();

    std::mutex m_mutex;
    QString m_strConnectionName;
    std::unique_ptr<QDBusConnection> m_pBus;
    // The paths of the connections listed last, by handle, for GetConnectStatus; an empty path
    // for one listed as ended.
    std::map<std::uint64_t, QString> m_mapPaths;
    // The connection listed last as the one that matters; empty when none was.
    QString m_strShownPath;
    std::string m_strShownName;
};
