#pragma once

#include <string>
#include <sys/types.h>

#include <QDBusMessage>
#include <QVariant>

// A private dbus-daemon standing in for the system bus, with python3-dbusmock's NetworkManager
// template on it. DBUS_SYSTEM_BUS_ADDRESS points at it for the whole test program (set before
// main, since libdbus reads it once), so no test ever talks to the real system bus. Everything
// started is killed in the destructor, and with the test program if that dies.
class CSystemBusMock
{
public:
    // Empty when dbus-daemon and python3-dbusmock are there, else what is missing.
    static std::string MissingTools();

    CSystemBusMock();
    ~CSystemBusMock();
    CSystemBusMock(const CSystemBusMock&) = delete;
    CSystemBusMock& operator=(const CSystemBusMock&) = delete;

    bool StartBus();
    void StopBus();
    // Starts the mock and waits until it owns its bus name.
    bool StartNetworkManager();
    void StopNetworkManager();
    // SIGSTOP / SIGCONT: a service that is there but does not answer.
    void PauseNetworkManager(bool paused);
    // The manager's Startup property: true while NetworkManager is still starting up.
    void SetStartup(bool startup);

    // Settings.AddConnection; returns the profile's object path.
    std::string AddProfile(const std::string& id, const std::string& type);
    // The mock's AddActiveConnection for that profile, on the given devices; returns the active
    // connection's path.
    std::string AddActive(const std::string& profilePath, const std::string& name, unsigned state,
                          const QStringList& devices = {});
    // A device of NM_DEVICE_TYPE `type` (an Ethernet device retyped); returns its path.
    std::string AddDevice(const std::string& name, unsigned type);
    void SetActiveState(const std::string& activePath, unsigned state);
    // Another property of an active connection ("StateFlags", "Vpn", ...), added if it is new.
    void SetActiveProperty(const std::string& activePath, const QString& name, const QVariant& value);
    // Drops the connection from ActiveConnections and removes its object.
    void RemoveActive(const std::string& activePath);
    // Removes the object only, as if it went away just after the list was read.
    void RemoveObject(const std::string& path);

private:
    QDBusMessage Call(const QString& path, const QString& interface, const QString& method, const QVariantList& args);

    pid_t m_nBusPid = -1;
    pid_t m_nMockPid = -1;
    QString m_strControlName;
};
