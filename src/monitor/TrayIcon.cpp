#include "TrayIcon.h"

#include <QIcon>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QTimer>

#include "DesktopNotifier.h"
#include "Resource.h"
#include "TextBytes.h"
#include "TrayHostWatch.h"
#include "TrayTip.h"

namespace {

CTrayIcon::TrayProbe& TrayProbeHook()
{
    static CTrayIcon::TrayProbe probe;
    return probe;
}

// Qt 6 asks whether a StatusNotifier tray exists once, on making its first tray icon, and keeps
// the answer for the life of the process: from then on every icon is of that kind. Nothing else
// here asks Qt about trays (QSystemTrayIcon::isSystemTrayAvailable would make that first
// answer, and opens a bus connection of its own for each question).
enum class QtTrayChoice
{
    Undecided,
    StatusNotifier,
    XEmbed
};
QtTrayChoice& QtChoice()
{
    static QtTrayChoice choice = QtTrayChoice::Undecided;
    return choice;
}

} // namespace

void CTrayIcon::SetTrayProbe(TrayProbe probe)
{
    TrayProbeHook() = std::move(probe);
}

CTrayIcon::CTrayIcon(QObject* parent) : QObject(parent), m_pHosts(nullptr), m_pWatch(new QTimer(this))
{
    // A probe stands for the whole desktop and announces nothing: it is asked every second.
    m_pWatch->setInterval(1000);
    connect(m_pWatch, &QTimer::timeout, this, &CTrayIcon::CheckTray);
    if (!TrayProbeHook()) {
        m_pHosts = new CTrayHostWatch(this);
        connect(m_pHosts, &CTrayHostWatch::Changed, this, &CTrayIcon::CheckTray);
    }
}

CTrayIcon::~CTrayIcon() = default;

QIcon CTrayIcon::Picture(int picture)
{
    QIcon icon(QStringLiteral(":/icons/%1.png").arg(picture));
    // Large panels scale the tray up: give them the sharper drawing.
    icon.addFile(QStringLiteral(":/icons/%1-32.png").arg(picture));
    return icon;
}

bool CTrayIcon::TrayAdd(int id, int picture, const std::string& tip)
{
    m_nId = id;
    m_nPicture = picture;
    m_strTip = CutCharacters(tip, kTrayTipChars);
    m_bAdded = true;
    CheckTray();
    if (!m_pHosts)
        m_pWatch->start();
    return HasTray();
}

CTrayIcon::Kind CTrayIcon::CurrentKind() const
{
    if (!m_pHosts) // made while a probe stood in; one taken away since leaves no tray
        return TrayProbeHook() && TrayProbeHook()() ? Kind::Probed : Kind::None;
    const bool sni = m_pHosts->HasStatusNotifier();
    const bool xembed = m_pHosts->HasXEmbed();
    switch (QtChoice()) {
    case QtTrayChoice::StatusNotifier:
        return sni ? Kind::StatusNotifier : Kind::None;
    case QtTrayChoice::XEmbed:
        return xembed ? Kind::XEmbed : Kind::None;
    case QtTrayChoice::Undecided:
        break;
    }
    return sni ? Kind::StatusNotifier : xembed ? Kind::XEmbed : Kind::None;
}

void CTrayIcon::CreateIcon()
{
    if (m_kind == Kind::StatusNotifier)
        QtChoice() = QtTrayChoice::StatusNotifier;
    else if (m_kind == Kind::XEmbed)
        QtChoice() = QtTrayChoice::XEmbed;
    m_pIcon = std::make_unique<QSystemTrayIcon>(Picture(m_nPicture));
    m_pIcon->setToolTip(ShownTip());
    // A StatusNotifier panel shows the menu itself, from the bus; on an XEmbed tray the window
    // pops its own at a right click.
    if (m_kind == Kind::StatusNotifier && m_menuFactory) {
        m_pMenu.reset(m_menuFactory());
        m_pIcon->setContextMenu(m_pMenu.get());
    }
    connect(m_pIcon.get(), &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        switch (reason) {
        case QSystemTrayIcon::Trigger:
            emit Notify(m_nId, Resource::WM_LBUTTONDOWN);
            break;
        case QSystemTrayIcon::DoubleClick:
            emit Notify(m_nId, Resource::WM_LBUTTONDBLCLK);
            break;
        case QSystemTrayIcon::Context:
            // The panel that asks for the menu by hand already has it from the bus: popping one
            // here would hold its request and, on Wayland, open a titled window mid-screen.
            if (m_kind != Kind::StatusNotifier)
                emit Notify(m_nId, Resource::WM_RBUTTONUP);
            break;
        default:
            break;
        }
    });
    m_pIcon->show();
}

void CTrayIcon::CheckTray()
{
    if (!m_bAdded)
        return;
    const Kind kind = CurrentKind();
    const QString watcher = kind == Kind::StatusNotifier ? m_pHosts->StatusNotifierOwner() : QString();
    if (kind == m_kind && watcher == m_strIconWatcher)
        return;
    const bool had = HasTray();
    // A new icon for a new tray: the old one belonged to a host that is gone, and a restarted
    // watcher knows no items.
    DropIcon();
    m_kind = kind;
    m_strIconWatcher = watcher;
    if (kind != Kind::None)
        CreateIcon();
    if (HasTray() != had)
        emit TrayChanged(HasTray());
}

void CTrayIcon::DropIcon()
{
    if (m_pIcon)
        m_pIcon->hide();
    m_pIcon.reset();
    m_pMenu.reset();
}

void CTrayIcon::TraySetTip(int /*id*/, const std::string& tip)
{
    m_strTip = CutCharacters(tip, kTrayTipChars);
    if (m_pIcon)
        m_pIcon->setToolTip(ShownTip());
}

void CTrayIcon::SetTipDetail(const QString& detail)
{
    if (detail == m_strDetail)
        return;
    m_strDetail = detail;
    if (m_pIcon)
        m_pIcon->setToolTip(ShownTip());
}

QString CTrayIcon::ShownTip() const
{
    const QString tip = QStringFromBytes(m_strTip);
    return PlainTip(m_strDetail.isEmpty() ? tip : tip + QLatin1Char('\n') + m_strDetail);
}

bool CTrayIcon::TraySetIcon(int /*id*/, int picture)
{
    m_nPicture = picture;
    if (!m_pIcon)
        return false;
    m_pIcon->setIcon(Picture(picture));
    return true;
}

void CTrayIcon::TrayDelete(int /*id*/)
{
    m_bAdded = false;
    m_pWatch->stop();
    DropIcon();
    m_kind = Kind::None;
    m_strIconWatcher.clear();
}

bool CTrayIcon::IsShown() const
{
    return m_pIcon && m_pIcon->isVisible();
}

bool CTrayIcon::ShowMessage(const std::string& message)
{
    if (!IsShown() || !QSystemTrayIcon::supportsMessages())
        return false;
    // Qt hands a StatusNotifier item's message to the notification service without waiting for
    // an answer: with none running it would be lost, yet reported as shown.
    if (m_kind == Kind::StatusNotifier && !CDesktopNotifier::ServiceRunning())
        return false;
    m_pIcon->showMessage(QStringLiteral("Zelmorin"), QStringFromBytes(message), QSystemTrayIcon::Warning);
    return true;
}
