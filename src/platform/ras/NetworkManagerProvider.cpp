#include "NetworkManagerProvider.h"

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
const QString kLoopbackType = QStringLiteral("loopback");

// NM_ACTIVE_CONNECTION_STATE_ACTIVATED; 1 is still activating, 3 and 4 are going away.
constexpr uint kStateActivated = 2;

std::atomic<unsigned> g_nConnectionSerial{0};

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

int CNetworkManagerProvider::EnumConnections(SRasConnection* out, int capacity)
{
    if (!out || capacity <= 0)
        return 0;
    std::map<std::uint64_t, QString> listed;
    int count = 0;
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
            if (count >= capacity)
                break;
            const QString path = objectPath.path();
            const QVariantMap properties = GetAllProperties(bus, path, kActiveInterface, answer);
            if (answer == EAnswer::NoAnswer)
                return kNoAnswer;
            // Empty when the connection went away after the list was read: it is simply gone.
            if (properties.isEmpty() || properties.value(QStringLiteral("Type")).toString() == kLoopbackType)
                continue;
            SRasConnection& connection = out[count++];
            connection.handle = HandleOfPath(path);
            connection.entryName = ClampEntryName(properties.value(QStringLiteral("Id")).toString().toStdString());
            listed[connection.handle] = path;
        }
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    m_mapPaths = std::move(listed);
    return count;
}

int CNetworkManagerProvider::GetConnectStatus(std::uint64_t handle)
{
    QString path;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        auto found = m_mapPaths.find(handle);
        if (found == m_mapPaths.end())
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
        if (id.isEmpty() || connection.value(QStringLiteral("type")).toString() == kLoopbackType)
            continue;
        entries.push_back(ClampEntryName(id.toStdString()));
    }
    return entries;
}
