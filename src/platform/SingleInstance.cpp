#include "SingleInstance.h"

#include <QDir>
#include <QGuiApplication>
#include <QStandardPaths>
#include <cstdlib>
#include <cstring>
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

} // namespace

CSingleInstance::CSingleInstance() = default;
CSingleInstance::~CSingleInstance() = default;

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

bool CSingleInstance::IsAnotherInstanceRunning()
{
    if (QGuiApplication::platformName() == QLatin1String("xcb")) {
        std::vector<std::string> titles;
        if (ListX11Titles(titles)) {
            for (const std::string& title : titles)
                if (IsOurTitle(title))
                    return true;
            return false;
        }
    }
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    m_pLock = std::make_unique<QLockFile>(folder + QStringLiteral("/zelmorin-%1.lock").arg(QString::number(getuid())));
    m_pLock->setStaleLockTime(0); // a crashed copy's lock is recognised by its dead process
    return !m_pLock->tryLock(0);
}
