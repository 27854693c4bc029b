#include "SystemBusMock.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <gtest/gtest.h>

#include "TestSupport.h"

namespace {

const QString kService = QStringLiteral("org.freedesktop.NetworkManager");
const QString kMockInterface = QStringLiteral("org.freedesktop.DBus.Mock");
const QString kMockRoot = QStringLiteral("/org/freedesktop");
const QString kManagerPath = QStringLiteral("/org/freedesktop/NetworkManager");
const QString kActiveInterface = QStringLiteral("org.freedesktop.NetworkManager.Connection.Active");

// The bus socket lives here for the whole program; the address must be in the environment before
// libdbus first reads it.
struct SBusAddress
{
    SBusAddress() { setenv("DBUS_SYSTEM_BUS_ADDRESS", ("unix:path=" + dir.File("system_bus_socket")).c_str(), 1); }
    CTempDir dir;
} g_busAddress;

// Debian's python3-dbusmock lives in the system interpreter, which a PATH python3 may not be.
std::string DbusmockPython()
{
    for (const char* python : {"/usr/bin/python3", "python3"}) {
        if (std::system((std::string(python) + " -c 'import dbusmock' >/dev/null 2>&1").c_str()) == 0)
            return python;
    }
    return {};
}

// Starts a child with stderr (and stdout unless `stdoutPipe` is given) sent to /dev/null; with
// `stdoutPipe`, that receives the read end of the child's stdout.
pid_t Spawn(std::vector<std::string> args, int* stdoutPipe = nullptr)
{
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    int fds[2] = {-1, -1};
    if (stdoutPipe && pipe2(fds, O_CLOEXEC) != 0)
        return -1;
    pid_t pid = fork();
    if (pid == 0) {
        // Do not outlive a test program that crashes.
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        int null = open("/dev/null", O_RDWR);
        dup2(stdoutPipe ? fds[1] : null, STDOUT_FILENO);
        dup2(null, STDERR_FILENO);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    if (stdoutPipe) {
        close(fds[1]);
        *stdoutPipe = fds[0];
    }
    return pid;
}

// True once the child wrote a line to `fd`, within kPatience; closes `fd`.
bool WaitForLine(int fd)
{
    std::string text;
    pollfd readable{fd, POLLIN, 0};
    char buffer[256];
    while (text.find('\n') == std::string::npos && poll(&readable, 1, kPatienceMs) == 1) {
        ssize_t got = read(fd, buffer, sizeof(buffer));
        if (got <= 0)
            break;
        text.append(buffer, static_cast<std::size_t>(got));
    }
    close(fd);
    return text.find('\n') != std::string::npos;
}

void Kill(pid_t& pid)
{
    if (pid <= 0)
        return;
    kill(pid, SIGCONT);
    kill(pid, SIGTERM);
    int status = 0;
    for (int i = 0; i < 200 && waitpid(pid, &status, WNOHANG) == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (waitpid(pid, &status, WNOHANG) == 0) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
    }
    pid = -1;
}

int g_nControlSerial = 0;

} // namespace

std::string CSystemBusMock::MissingTools()
{
    if (std::system("command -v dbus-daemon >/dev/null 2>&1") != 0)
        return "dbus-daemon is not installed (package dbus-daemon)";
    if (DbusmockPython().empty())
        return "python3-dbusmock is not installed";
    return {};
}

CSystemBusMock::CSystemBusMock() : m_strControlName(QStringLiteral("zelmorin-test-control-%1").arg(++g_nControlSerial))
{
    qDBusRegisterMetaType<QMap<QString, QVariantMap>>();
}

CSystemBusMock::~CSystemBusMock()
{
    StopBus();
}

bool CSystemBusMock::StartBus()
{
    const std::string config = g_busAddress.dir.File("bus.conf");
    const std::string socket = g_busAddress.dir.File("system_bus_socket");
    unlink(socket.c_str());
    std::ofstream(config) << "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
                             " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
                             "<busconfig><listen>unix:path="
                          << socket
                          << "</listen><auth>EXTERNAL</auth>"
                             "<policy context=\"default\"><allow send_destination=\"*\" eavesdrop=\"true\"/>"
                             "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>\n";
    // The daemon prints its address once it accepts connections.
    int output = -1;
    m_nBusPid = Spawn({"dbus-daemon", "--config-file=" + config, "--nofork", "--print-address"}, &output);
    if (m_nBusPid < 0 || !WaitForLine(output))
        return false;
    // Through the bus type, not the address: libdbus then closes a connection that fails to
    // register instead of aborting over it.
    return QDBusConnection::connectToBus(QDBusConnection::SystemBus, m_strControlName).isConnected();
}

void CSystemBusMock::StopBus()
{
    StopNetworkManager();
    QDBusConnection::disconnectFromBus(m_strControlName);
    Kill(m_nBusPid);
}

bool CSystemBusMock::StartNetworkManager()
{
    m_nMockPid = Spawn({DbusmockPython(), "-m", "dbusmock", "--template", "networkmanager", "--system"});
    QDBusConnection bus(m_strControlName);
    return WaitUntil([&] { return bus.interface()->isServiceRegistered(kService).value(); });
}

void CSystemBusMock::StopNetworkManager()
{
    Kill(m_nMockPid);
}

void CSystemBusMock::PauseNetworkManager(bool paused)
{
    kill(m_nMockPid, paused ? SIGSTOP : SIGCONT);
}

QDBusMessage CSystemBusMock::Call(const QString& path, const QString& interface, const QString& method,
                                  const QVariantList& args)
{
    QDBusMessage message = QDBusMessage::createMethodCall(kService, path, interface, method);
    message.setArguments(args);
    QDBusMessage reply = QDBusConnection(m_strControlName).call(message, QDBus::Block, 5000);
    EXPECT_EQ(reply.type(), QDBusMessage::ReplyMessage)
        << method.toStdString() << ": " << reply.errorMessage().toStdString();
    return reply;
}

std::string CSystemBusMock::AddProfile(const std::string& id, const std::string& type)
{
    QMap<QString, QVariantMap> settings;
    settings[QStringLiteral("connection")] = {{QStringLiteral("id"), QString::fromStdString(id)},
                                              {QStringLiteral("type"), QString::fromStdString(type)}};
    QDBusMessage reply = Call(QStringLiteral("/org/freedesktop/NetworkManager/Settings"),
                              QStringLiteral("org.freedesktop.NetworkManager.Settings"),
                              QStringLiteral("AddConnection"), {QVariant::fromValue(settings)});
    return reply.arguments().value(0).value<QDBusObjectPath>().path().toStdString();
}

std::string CSystemBusMock::AddActive(const std::string& profilePath, const std::string& name, unsigned state,
                                      const QStringList& devices)
{
    QDBusMessage reply =
        Call(kMockRoot, kMockInterface, QStringLiteral("AddActiveConnection"),
             {devices, QString::fromStdString(profilePath), QStringLiteral("/"), QString::fromStdString(name), state});
    return reply.arguments().value(0).toString().toStdString();
}

std::string CSystemBusMock::AddDevice(const std::string& name, unsigned type)
{
    // 100: NM_DEVICE_STATE_ACTIVATED.
    QDBusMessage reply = Call(kMockRoot, kMockInterface, QStringLiteral("AddEthernetDevice"),
                              {QString::fromStdString(name), QString::fromStdString(name), 100u});
    const QString path = reply.arguments().value(0).toString();
    Call(kMockRoot, kMockInterface, QStringLiteral("SetProperty"),
         {path, QStringLiteral("org.freedesktop.NetworkManager.Device"), QStringLiteral("DeviceType"),
          QVariant::fromValue(QDBusVariant(type))});
    return path.toStdString();
}

void CSystemBusMock::SetActiveState(const std::string& activePath, unsigned state)
{
    Call(kMockRoot, kMockInterface, QStringLiteral("SetProperty"),
         {QString::fromStdString(activePath), kActiveInterface, QStringLiteral("State"),
          QVariant::fromValue(QDBusVariant(state))});
}

void CSystemBusMock::SetActiveProperty(const std::string& activePath, const QString& name, const QVariant& value)
{
    const QString path = QString::fromStdString(activePath);
    QDBusMessage get = QDBusMessage::createMethodCall(kService, path, QStringLiteral("org.freedesktop.DBus.Properties"),
                                                      QStringLiteral("Get"));
    get.setArguments({kActiveInterface, name});
    const bool exists =
        QDBusConnection(m_strControlName).call(get, QDBus::Block, 5000).type() == QDBusMessage::ReplyMessage;
    if (exists)
        Call(kMockRoot, kMockInterface, QStringLiteral("SetProperty"),
             {path, kActiveInterface, name, QVariant::fromValue(QDBusVariant(value))});
    else
        Call(path, kMockInterface, QStringLiteral("AddProperty"),
             {kActiveInterface, name, QVariant::fromValue(QDBusVariant(value))});
}

void CSystemBusMock::SetStartup(bool startup)
{
    Call(kMockRoot, kMockInterface, QStringLiteral("SetProperty"),
         {kManagerPath, kService, QStringLiteral("Startup"), QVariant::fromValue(QDBusVariant(startup))});
}

void CSystemBusMock::RemoveActive(const std::string& activePath)
{
    QDBusMessage reply = Call(kManagerPath, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"),
                              {kService, QStringLiteral("ActiveConnections")});
    QList<QDBusObjectPath> paths =
        qdbus_cast<QList<QDBusObjectPath>>(reply.arguments().value(0).value<QDBusVariant>().variant());
    paths.removeAll(QDBusObjectPath(QString::fromStdString(activePath)));
    Call(kMockRoot, kMockInterface, QStringLiteral("SetProperty"),
         {kManagerPath, kService, QStringLiteral("ActiveConnections"),
          QVariant::fromValue(QDBusVariant(QVariant::fromValue(paths)))});
    RemoveObject(activePath);
}

void CSystemBusMock::RemoveObject(const std::string& path)
{
    Call(kMockRoot, kMockInterface, QStringLiteral("RemoveObject"), {QString::fromStdString(path)});
}
