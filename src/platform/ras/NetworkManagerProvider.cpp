#include "NetworkManagerProvider.h"

#include <algorithm>
#include <atomic>

#include <QDBusArgument>
#include <QDBusObjectPath>
#include <QDBusVariant>

namespace {

const QString kService = QStringLiteral("org.freedesktop.NetworkManager");
const QString kManagerPath = QStringLiteral("/org/freedesktop/NetworkManager");
const QString kManagerInterface = QStringLiteral("org.freedesktop.NetworkManager");
const QString kActiveInterface = QStringLiteral("org.freedesktop.NetworkManager.Connection.Active");
const QString kSettingsPath = QStringLiteral("/org/freedesktop/NetworkManager/Settings");
const QString kSettingsInterface = QStringLiteral("org.freedesktop.NetworkManager.Settings");
const QString kProfileInterface = QStringLiteral("org.freedesktop.NetworkManager.Settings.Connection");
const QString kPropertiesInterface = QStringLiteral("org.freedesktop.DBus.Properties");
const QString kDeviceInterface = QStringLiteral("org.freedesktop.NetworkManager.Device");

// NM_ACTIVE_CONNECTION_STATE_ACTIVATED; 1 is still activating, 3 and 4 are going away.
constexpr uint kStateActivated = 2;

// NM_ACTIVATION_STATE_FLAG_EXTERNAL: NetworkManager only watches a device something else set up
// (docker0, libvirt's bridges, a container's veth).
constexpr uint kStateFlagExternal = 0x80;

std::atomic<unsigned> g_nConnectionSerial{0};

// Connection types of virtual links: networks inside the machine, not a way on line.
bool IsVirtualType(const QString& type)
{
    static const QStringList types = {
        QStringLiteral("loopback"),   QStringLiteral("bridge"),    QStringLiteral("veth"),
        QStringLiteral("tun"),        QStringLiteral("dummy"),     QStringLiteral("macvlan"),
        QStringLiteral("vxlan"),      QStringLiteral("ip-tunnel"), QStringLiteral("vrf"),
        QStringLiteral("ovs-bridge"), QStringLiteral("ovs-port"),  QStringLiteral("ovs-interface")};
    return types.contains(type);
}

// NM_DEVICE_TYPE values of the same virtual links, for connections whose type names the
// protocol (an Ethernet profile on a veth).
bool IsVirtualDevice(uint deviceType)
{
    switch (deviceType) {
    case 13: // bridge
    case 16: // tun
    case 17: // ip-tunnel
    case 18: // macvlan
    case 19: // vxlan
    case 20: // veth
    case 22: // dummy
    case 24: // ovs-interface
    case 25: // ovs-port
    case 26: // ovs-bridge
    case 31: // vrf
    case 32: // loopback
        return true;
    default:
        return false;
    }
}

QDBusMessage Call(QDBusConnection& bus, const QString& path, const QString& interface, const QString& method,
                  const QList<QVariant>& args = {})
{
    QDBusMessage message = QDBusMessage::createMethodCall(kService, path, interface, method);
    message.setArguments(args);
    // Block, not BlockWithGui: the caller may be a thread without an event loop.
    return bus.call(message, QDBus::Block, CNetworkManagerProvider::kCallTimeoutMs);
}

bool IsReply(const QDBusMessage& reply)
{
    return reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty();
}

// An error that says the object is not there (any more), as opposed to a service that did not
// answer: a time-out, a service or bus that went away, a refused call.
bool IsGoneObject(const QDBusMessage& reply)
{
    const QString name = reply.errorName();
    return name == QLatin1String("org.freedesktop.DBus.Error.UnknownObject") ||
           name == QLatin1String("org.freedesktop.DBus.Error.UnknownMethod") ||
           name == QLatin1String("org.freedesktop.DBus.Error.UnknownInterface") ||
           name == QLatin1String("org.freedesktop.DBus.Error.InvalidArgs");
}

enum class EAnswer
{
    Ok,
    Gone,
    NoAnswer
};

EAnswer AnswerOf(const QDBusMessage& reply)
{
    if (IsReply(reply))
        return EAnswer::Ok;
    return reply.type() == QDBusMessage::ErrorMessage && IsGoneObject(reply) ? EAnswer::Gone : EAnswer::NoAnswer;
}

QVariant GetProperty(QDBusConnection& bus, const QString& path, const QString& interface, const QString& name,
                     EAnswer* answer = nullptr)
{
    QDBusMessage reply = Call(bus, path, kPropertiesInterface, QStringLiteral("Get"), {interface, name});
    if (answer)
        *answer = AnswerOf(reply);
    if (!IsReply(reply))
        return {};
    return reply.arguments().at(0).value<QDBusVariant>().variant();
}

QVariantMap GetAllProperties(QDBusConnection& bus, const QString& path, const QString& interface, EAnswer& answer)
{
    QDBusMessage reply = Call(bus, path, kPropertiesInterface, QStringLiteral("GetAll"), {interface});
    answer = AnswerOf(reply);
    if (!IsReply(reply))
        return {};
    return qdbus_cast<QVariantMap>(reply.arguments().at(0));
}

// An "ao" value, whether QtDBus handed it over demarshalled or still as a QDBusArgument.
QList<QDBusObjectPath> ToPathList(const QVariant& value)
{
    if (value.metaType() == QMetaType::fromType<QDBusArgument>()) {
        const QDBusArgument argument = value.value<QDBusArgument>();
        if (argument.currentSignature() != QLatin1String("ao"))
            return {};
        return qdbus_cast<QList<QDBusObjectPath>>(argument);
    }
    return value.value<QList<QDBusObjectPath>>();
}

} // namespace

CNetworkManagerProvider::CNetworkManagerProvider()
    : m_strConnectionName(QStringLiteral("zelmorin-ras-nm-%1").arg(g_nConnectionSerial.fetch_add(1)))
{
}

CNetworkManagerProvider::~CNetworkManagerProvider()
{
    m_pBus.reset();
    QDBusConnection::disconnectFromBus(m_strConnectionName);
}

std::uint64_t CNetworkManagerProvider::HandleOfPath(const QString& path)
{
    // FNV-1a: the same path keeps its handle across polls and provider instances.
    std::uint64_t hash = 14695981039346656037ULL;
    for (char c : path.toUtf8()) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 1099511628211ULL;
    }
    return hash == 0 ? 1 : hash;
}

QDBusConnection CNetworkManagerProvider::Bus()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_pBus && m_pBus->isConnected())
        return *m_pBus;
    // A connection that was lost stays registered under its name; drop it so that the name
    // opens a fresh one.
    m_pBus.reset();
    QDBusConnection::disconnectFromBus(m_strConnectionName);
    QDBusConnection bus = QDBusConnection::connectToBus(QDBusConnection::SystemBus, m_strConnectionName);
    if (bus.isConnected())
        m_pBus = std::make_unique<QDBusConnection>(bus);
    else
        QDBusConnection::disconnectFromBus(m_strConnectionName);
    return bus;
}

bool CNetworkManagerProvider::IsServiceRunning()
{
    QDBusConnection bus = Bus();
    if (!bus.isConnected())
        return false;
    QDBusMessage message =
        QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
                                       QStringLiteral("org.freedesktop.DBus"), QStringLiteral("NameHasOwner"));
    message.setArguments({kService});
    QDBusMessage reply = bus.call(message, QDBus::Block, kCallTimeoutMs);
    return IsReply(reply) && reply.arguments().at(0).toBool();
}

int CNetworkManagerProvider::RankOf(const QString& type, bool vpn)
{
    // What a person dials or switches on first, then Wi-Fi, then the wire that is always there.
    static const QStringList dialled = {
        QStringLiteral("vpn"),   QStringLiteral("wireguard"), QStringLiteral("gsm"), QStringLiteral("cdma"),
        QStringLiteral("pppoe"), QStringLiteral("bluetooth"), QStringLiteral("adsl")};
    if (vpn || dialled.contains(type))
        return 0;
    if (type == QLatin1String("802-11-wireless") || type == QLatin1String("wifi-p2p") ||
        type == QLatin1String("olpc-mesh"))
        return 1;
    return 2;
}

bool CNetworkManagerProvider::IsNetworkConnection(QDBusConnection& bus, const QVariantMap& properties)
{
    if (properties.value(QStringLiteral("Vpn")).toBool())
        return true;
    if (IsVirtualType(properties.value(QStringLiteral("Type")).toString()))
        return false;
    if (properties.value(QStringLiteral("StateFlags")).toUInt() & kStateFlagExternal)
        return false;
    const QList<QDBusObjectPath> devices = ToPathList(properties.value(QStringLiteral("Devices")));
    if (devices.isEmpty())
        return true;
    bool ok = false;
    const uint deviceType =
        GetProperty(bus, devices.first().path(), kDeviceInterface, QStringLiteral("DeviceType")).toUInt(&ok);
    return !ok || !IsVirtualDevice(deviceType);
}

int CNetworkManagerProvider::EnumConnections(SRasConnection* out, int capacity)
{
    struct SCandidate
    {
        QString path;
        std::string name;
        int rank;
    };
    if (!out || capacity <= 0)
        return 0;
    std::vector<SCandidate> candidates;
    QDBusConnection bus = Bus();
    // No bus, no service, a stall: nothing is known, which is not the same as no connection.
    if (!bus.isConnected())
        return kNoAnswer;
    EAnswer answer = EAnswer::Ok;
    const QVariantMap manager = GetAllProperties(bus, kManagerPath, kManagerInterface, answer);
    // While it starts up, NetworkManager has not taken over the connections that run yet: its
    // list is not an answer.
    if (answer != EAnswer::Ok || manager.value(QStringLiteral("Startup")).toBool())
        return kNoAnswer;
    {
        const QList<QDBusObjectPath> paths = ToPathList(manager.value(QStringLiteral("ActiveConnections")));
        for (const QDBusObjectPath& objectPath : paths) {
            const QString path = objectPath.path();
            const QVariantMap properties = GetAllProperties(bus, path, kActiveInterface, answer);
            if (answer == EAnswer::NoAnswer)
                return kNoAnswer;
            // Empty when the connection went away after the list was read: it is simply gone.
            if (properties.isEmpty() || !IsNetworkConnection(bus, properties))
                continue;
            candidates.push_back({path, ClampEntryName(properties.value(QStringLiteral("Id")).toString().toStdString()),
                                  RankOf(properties.value(QStringLiteral("Type")).toString(),
                                         properties.value(QStringLiteral("Vpn")).toBool())});
        }
    }
    // Equal ranks keep NetworkManager's order.
    std::stable_sort(candidates.begin(), candidates.end(),
                     [](const SCandidate& a, const SCandidate& b) { return a.rank < b.rank; });

    // Only the connection that matters is listed, so that it alone is timed. When another takes
    // its place, the one it replaces is listed once more, not connected, ahead of it: the poller
    // then ends the old one and starts the new one, each logged with its own times.
    std::lock_guard<std::mutex> lock(m_mutex);
    std::map<std::uint64_t, QString> listed;
    int count = 0;
    const SCandidate* top = candidates.empty() ? nullptr : &candidates.front();
    if (!m_strShownPath.isEmpty() && (!top || top->path != m_strShownPath)) {
        SRasConnection& ended = out[count++];
        ended.handle = HandleOfPath(m_strShownPath);
        ended.entryName = m_strShownName;
        listed[ended.handle] = QString(); // no path: never connected again
    }
    if (top && count < capacity) {
        SRasConnection& connection = out[count++];
        connection.handle = HandleOfPath(top->path);
        connection.entryName = top->name;
        listed[connection.handle] = top->path;
        m_strShownPath = top->path;
        m_strShownName = top->name;
    } else {
        m_strShownPath.clear();
        m_strShownName.clear();
    }
    m_mapPaths = std::move(listed);
    return count;
}

int CNetworkManagerProvider::GetConnectStatus(std::uint64_t handle)
{
    QString path;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        auto found = m_mapPaths.find(handle);
        if (found == m_mapPaths.end() || found->second.isEmpty())
            return kDialling;
        path = found->second;
    }
    QDBusConnection bus = Bus();
    if (!bus.isConnected())
        return kNoAnswer;
    bool ok = false;
    EAnswer answer = EAnswer::Ok;
    const uint state = GetProperty(bus, path, kActiveInterface, QStringLiteral("State"), &answer).toUInt(&ok);
    if (answer == EAnswer::NoAnswer)
        return kNoAnswer;
    return ok && state == kStateActivated ? kConnected : kDialling;
}

std::vector<std::string> CNetworkManagerProvider::EnumEntries()
{
    std::vector<std::string> entries;
    QDBusConnection bus = Bus();
    if (!bus.isConnected())
        return entries;
    const QDBusMessage list = Call(bus, kSettingsPath, kSettingsInterface, QStringLiteral("ListConnections"));
    if (!IsReply(list))
        return entries;
    for (const QDBusObjectPath& objectPath : ToPathList(list.arguments().at(0))) {
        const QDBusMessage reply = Call(bus, objectPath.path(), kProfileInterface, QStringLiteral("GetSettings"));
        // A profile deleted meanwhile, or one this user may not read, is left out.
        if (!IsReply(reply))
            continue;
        const auto settings = qdbus_cast<QMap<QString, QVariantMap>>(reply.arguments().at(0));
        const QVariantMap connection = settings.value(QStringLiteral("connection"));
        const QString id = connection.value(QStringLiteral("id")).toString();
        if (id.isEmpty() || IsVirtualType(connection.value(QStringLiteral("type")).toString()))
            continue;
        entries.push_back(ClampEntryName(id.toStdString()));
    }
    return entries;
}
