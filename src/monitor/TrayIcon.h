#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <string>

class QIcon;
class QSystemTrayIcon;
class QTimer;

// The program's one notification-area icon. While the desktop has no tray there is no icon and
// the operations only remember what it would show. Once added, the icon watches for the tray:
// one that appears later (a panel that starts after the program, the usual race at logon) gets
// the icon, and one that goes away takes it along; either way TrayChanged tells the window,
// which must stay reachable without a tray.
class CTrayIcon : public QObject
{
    Q_OBJECT
public:
    explicit CTrayIcon(QObject* parent = nullptr);
    ~CTrayIcon() override;

    // Tips longer than 63 characters are cut (TrayTip.h). The operations take the icon identifier, as the program has
    // always named its icon; it has only one.
    bool TrayAdd(int id, int picture, const std::string& tip);
    void TraySetTip(int id, const std::string& tip);
    // Lines shown below the tip, outside its 63 characters (the allowance); empty for none.
    void SetTipDetail(const QString& detail);
    const QString& GetTipDetail() const { return m_strDetail; }
    // The tip with its detail, as the desktop shows it.
    QString ShownTip() const;
    bool TraySetIcon(int id, int picture);
    void TrayDelete(int id);

    bool IsShown() const;
    // Whether the desktop has a tray, as of the last look.
    bool HasTray() const { return m_bTray; }
    // Looks for the tray now (the watch does so every second) and adds or drops the icon.
    void CheckTray();

    // The question "is there a tray?"; tests stand in for the desktop with it. Empty: ask Qt.
    using TrayProbe = std::function<bool()>;
    static void SetTrayProbe(TrayProbe probe);
    // A notification beside the icon; false when the desktop cannot show one.
    bool ShowMessage(const std::string& message);
    // What the icon shows now, for tests and for a desktop without a tray.
    const std::string& GetTip() const { return m_strTip; }
    int GetPicture() const { return m_nPicture; }

    // The picture of a tray icon resource (133 idle, 134 connected).
    static QIcon Picture(int picture);

signals:
    // The mouse message of a click (0x201), double click (0x203) or context request (0x205).
    void Notify(int id, int mouseMessage);
    // The tray appeared (true) or went away (false) after the icon was added.
    void TrayChanged(bool present);

private:
    void CreateIcon();

    std::unique_ptr<QSystemTrayIcon> m_pIcon;
    std::string m_strTip;
    QString m_strDetail;
    int m_nPicture = 0;
    int m_nId = 0;
    bool m_bAdded = false;
    bool m_bTray = false;
    QTimer* m_pWatch;
};
