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

// NetworkManager on the system bus (DBUS_SYSTEM_BUS_ADDRESS when set). Connections are the
// manager's active connections, entries its saved profiles; loopback is left out of both.
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

    // Whether NetworkManager's bus name has an owner right now.
    bool IsServiceRunning();

    // The handle that an active-connection object path gets: a hash of the path, never 0.
    static std::uint64_t HandleOfPath(const QString& path);

private:
    // The bus connection, opened again when it was lost; a disconnected one when there is no bus.
    QDBusConnection Bus();

    std::mutex m_mutex;
    QString m_strConnectionName;
    std::unique_ptr<QDBusConnection> m_pBus;
    // The paths of the connections listed last, by handle, for GetConnectStatus.
    std::map<std::uint64_t, QString> m_mapPaths;
};
