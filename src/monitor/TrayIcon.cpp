#include "TrayIcon.h"

#include <QIcon>
#include <QSystemTrayIcon>

#include "Resource.h"
#include "TextBytes.h"
#include "TrayTip.h"

CTrayIcon::CTrayIcon(QObject* parent) : QObject(parent) {}

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
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        return false; // no tray on this desktop: the program goes on without the icon
    m_pIcon = std::make_unique<QSystemTrayIcon>(Picture(picture));
    m_pIcon->setToolTip(QStringFromBytes(m_strTip));
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
    return true;
}

void CTrayIcon::TraySetTip(int /*id*/, const std::string& tip)
{
    m_strTip = CutCharacters(tip, kTrayTipChars);
    if (m_pIcon)
        m_pIcon->setToolTip(QStringFromBytes(m_strTip));
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
