#include "TrayIcon.h"

#include <QIcon>
#include <QSystemTrayIcon>
#include <QTimer>

#include "Resource.h"
#include "TextBytes.h"
#include "TrayTip.h"

namespace {

CTrayIcon::TrayProbe& TrayProbeHook()
{
    static CTrayIcon::TrayProbe probe;
    return probe;
}

bool TrayExists()
{
    return TrayProbeHook() ? TrayProbeHook()() : QSystemTrayIcon::isSystemTrayAvailable();
}

} // namespace

void CTrayIcon::SetTrayProbe(TrayProbe probe)
{
    TrayProbeHook() = std::move(probe);
}

CTrayIcon::CTrayIcon(QObject* parent) : QObject(parent), m_pWatch(new QTimer(this))
{
    // Panels announce a new tray only to those who listen for it on the X root window, and
    // other desktops not at all: a look every second finds it on any of them, at little cost.
    m_pWatch->setInterval(1000);
    connect(m_pWatch, &QTimer::timeout, this, &CTrayIcon::CheckTray);
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
    m_bTray = TrayExists();
    if (m_bTray)
        CreateIcon();
    m_pWatch->start();
    return m_bTray;
}

void CTrayIcon::CreateIcon()
{
    m_pIcon = std::make_unique<QSystemTrayIcon>(Picture(m_nPicture));
    m_pIcon->setToolTip(ShownTip());
    connect(m_pIcon.get(), &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        switch (reason) {
        case QSystemTrayIcon::Trigger:
            emit Notify(m_nId, Resource::WM_LBUTTONDOWN);
            break;
        case QSystemTrayIcon::DoubleClick:
            emit Notify(m_nId, Resource::WM_LBUTTONDBLCLK);
            break;
        case QSystemTrayIcon::Context:
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
    const bool present = TrayExists();
    if (present == m_bTray)
        return;
    m_bTray = present;
    // A new icon for a new tray: the old one belonged to a host that is gone.
    m_pIcon.reset();
    if (present)
        CreateIcon();
    emit TrayChanged(present);
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
    if (m_pIcon)
        m_pIcon->hide();
    m_pIcon.reset();
}

bool CTrayIcon::IsShown() const
{
    return m_pIcon && m_pIcon->isVisible();
}

bool CTrayIcon::ShowMessage(const std::string& message)
{
    if (!IsShown() || !QSystemTrayIcon::supportsMessages())
        return false;
    m_pIcon->showMessage(QStringLiteral("Zelmorin"), QStringFromBytes(message), QSystemTrayIcon::Warning);
    return true;
}
