#include "SingleInstance.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>
#include <xcb/xcb.h>

namespace {

xcb_atom_t Atom(xcb_connection_t* connection, const char* name)
{
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 1, std::uint16_t(std::strlen(name)), name), nullptr);
    xcb_atom_t atom = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return atom;
}

// A text property of a window, or false when it has none.
bool TextProperty(xcb_connection_t* connection, xcb_window_t window, xcb_atom_t property, xcb_atom_t type,
                  std::string& text)
{
    if (property == XCB_ATOM_NONE)
        return false;
    xcb_get_property_reply_t* reply =
        xcb_get_property_reply(connection, xcb_get_property(connection, 0, window, property, type, 0, 1024), nullptr);
    if (!reply)
        return false;
    bool found = reply->format == 8 && reply->type != XCB_ATOM_NONE;
    if (found)
        text.assign(static_cast<const char*>(xcb_get_property_value(reply)),
                    std::size_t(xcb_get_property_value_length(reply)));
    std::free(reply);
    return found;
}

// A folder nobody else can put files into: this user's own, not a link, 0700.
bool IsPrivateFolder(const QString& folder)
{
    struct stat st
    {
    };
    return !folder.isEmpty() && lstat(QFile::encodeName(folder).constData(), &st) == 0 && S_ISDIR(st.st_mode) &&
           st.st_uid == getuid() && (st.st_mode & 077) == 0;
}

// Where the lock and the socket live. In a shared folder (the temporary folder, when there is
// no runtime folder) another user could create the lock first and keep the program from ever
// starting, so it is the runtime folder when that is private, else a private folder in the
// user's cache.
QString LockFolder()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (IsPrivateFolder(runtime))
        return runtime;
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    if (cache.isEmpty())
        return QString();
    QDir().mkpath(cache);
    const QString own = cache + QStringLiteral("/zelmorin-runtime");
    (void)mkdir(QFile::encodeName(own).constData(), S_IRWXU); // an existing one is checked below
    return IsPrivateFolder(own) ? own : QString();
}

} // namespace

CSingleInstance::CSingleInstance(const QString& folder) : m_folder(folder)
{
    // Without any private folder the lock cannot be made, and the window titles alone decide.
    if (m_folder.isEmpty())
        m_folder = LockFolder();
}

CSingleInstance::~CSingleInstance() = default;

QString CSingleInstance::LockPath() const
{
    return m_folder + QStringLiteral("/zelmorin-%1.lock").arg(getuid());
}

QString CSingleInstance::SocketPath() const
{
    return m_folder + QStringLiteral("/zelmorin-%1.socket").arg(getuid());
}

bool CSingleInstance::IsOurTitle(const std::string& title)
{
    return title.compare(0, 10, " Zelmorin ") == 0 && title.size() >= 10;
}

bool CSingleInstance::ListX11Titles(std::vector<std::string>& titles)
{
    int screenNumber = 0;
    xcb_connection_t* connection = xcb_connect(nullptr, &screenNumber);
    if (!connection || xcb_connection_has_error(connection)) {
        if (connection)
            xcb_disconnect(connection);
        return false;
    }
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int i = 0; i < screenNumber && screens.rem; ++i)
        xcb_screen_next(&screens);
    xcb_window_t root = screens.data->root;
    xcb_atom_t clientList = Atom(connection, "_NET_CLIENT_LIST");
    xcb_atom_t netName = Atom(connection, "_NET_WM_NAME");
    xcb_atom_t utf8 = Atom(connection, "UTF8_STRING");

    std::vector<xcb_window_t> windows;
    xcb_get_property_reply_t* list =
        clientList == XCB_ATOM_NONE
            ? nullptr
            : xcb_get_property_reply(
                  connection, xcb_get_property(connection, 0, root, clientList, XCB_ATOM_WINDOW, 0, 65536), nullptr);
    if (list && list->format == 32 && xcb_get_property_value_length(list) > 0) {
        auto* ids = static_cast<xcb_window_t*>(xcb_get_property_value(list));
        windows.assign(ids, ids + xcb_get_property_value_length(list) / 4);
    } else {
        // No window manager: the root's children are the top-level windows.
        xcb_query_tree_reply_t* tree = xcb_query_tree_reply(connection, xcb_query_tree(connection, root), nullptr);
        if (tree) {
            xcb_window_t* children = xcb_query_tree_children(tree);
            windows.assign(children, children + xcb_query_tree_children_length(tree));
            std::free(tree);
        }
    }
    std::free(list);

    for (xcb_window_t window : windows) {
        std::string title;
        // A window whose title cannot be read is skipped.
        if (TextProperty(connection, window, netName, utf8, title) ||
            TextProperty(connection, window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, title))
            titles.push_back(title);
    }
    xcb_disconnect(connection);
    return true;
}

bool CSingleInstance::OtherProgramHasOurTitle()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return false; // other programs' windows cannot be listed here
    std::vector<std::string> titles;
    if (!ListX11Titles(titles))
        return false;
    for (const std::string& title : titles)
        if (IsOurTitle(title))
            return true;
    return false;
}

QByteArray CSingleInstance::ActivationTokenOf(const QByteArray& token)
{
    // Tokens are opaque to us; anything but a short run of visible ASCII is not one, and must
    // not reach the running copy's environment.
    if (token.size() > kMaxTokenBytes)
        return QByteArray();
    for (char c : token)
        if (c <= ' ' || c > '~')
            return QByteArray();
    return token;
}

bool CSingleInstance::AskRunningCopyToShow() const
{
    QLocalSocket socket;
    socket.connectToServer(SocketPath());
    if (!socket.waitForConnected(1000))
        return false;
    // The connection itself is the request. The launcher's activation token goes along: on
    // Wayland only a window presenting it may come to the front.
    const QByteArray token = ActivationTokenOf(qgetenv("XDG_ACTIVATION_TOKEN"));
    socket.write(token.isEmpty() ? QByteArray("show\n") : "show " + token + "\n");
    socket.waitForBytesWritten(1000);
    socket.disconnectFromServer();
    // A token is good for one window. Qt would present it again with this copy's own box, and
    // whichever came first would take it from the running window.
    qunsetenv("XDG_ACTIVATION_TOKEN");
    return true;
}

void CSingleInstance::OnRequest(QLocalSocket* socket)
{
    // Answered once, at the end of the line or of the connection, whichever comes first; an
    // unreadable line is still a request to show, without a token.
    auto answered = std::make_shared<bool>(false);
    auto finish = [this, socket, answered] {
        if (*answered)
            return;
        *answered = true;
        QByteArray line = socket->read(kMaxLineBytes).trimmed();
        QByteArray token;
        if (line.startsWith("show "))
            token = ActivationTokenOf(line.mid(5));
        socket->disconnectFromServer();
        socket->deleteLater();
        emit ShowRequested(token);
    };
    connect(socket, &QLocalSocket::readyRead, this, [socket, finish] {
        if (socket->canReadLine() || socket->bytesAvailable() >= kMaxLineBytes)
            finish();
    });
    connect(socket, &QLocalSocket::disconnected, this, finish);
    // A copy that connects and says nothing is not waited for long.
    QTimer::singleShot(kRequestWaitMs, socket, finish);
    if (socket->canReadLine() || socket->state() != QLocalSocket::ConnectedState)
        finish();
}

bool CSingleInstance::IsAnotherInstanceRunning()
{
    if (m_folder.isEmpty())
        return OtherProgramHasOurTitle();
    m_pLock = std::make_unique<QLockFile>(LockPath());
    m_pLock->setStaleLockTime(0); // a crashed copy's lock is recognised by its dead process
    // The holder may be between its lock and its listen, or about to give up because of another
    // program's window: keep trying both for a moment.
    QDeadlineTimer deadline(3000);
    bool locked = false, tookOver = false;
    while (!(locked = m_pLock->tryLock(0))) {
        if (m_pLock->error() != QLockFile::LockFailedError)
            break; // the lock cannot be made at all (a read-only folder): the titles alone decide
        if (AskRunningCopyToShow())
            return true;
        if (deadline.hasExpired()) {
            // A lock that names no process (its maker died before writing it) is nobody's.
            qint64 pid = 0;
            QString host, app;
            if (tookOver || m_pLock->getLockInfo(&pid, &host, &app) || !m_pLock->removeStaleLockFile())
                return true;
            tookOver = true;
            continue;
        }
        QThread::msleep(100);
    }
    if (OtherProgramHasOurTitle()) {
        m_pLock.reset();
        return true;
    }
    if (!locked)
        return false;

    m_pServer = std::make_unique<QLocalServer>();
    m_pServer->setSocketOptions(QLocalServer::UserAccessOption);
    // A socket left by a crashed copy: the lock is ours, so nobody else listens on it.
    QLocalServer::removeServer(SocketPath());
    connect(m_pServer.get(), &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = m_pServer->nextPendingConnection())
            OnRequest(socket);
    });
    // Silent on purpose: without the socket later starts are still refused by the lock; they
    // only cannot bring this copy's window back.
    m_pServer->listen(SocketPath());
    return false;
}
