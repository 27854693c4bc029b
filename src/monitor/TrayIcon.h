#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <string>

class CTrayHostWatch;
class QIcon;
class QMenu;
class QSystemTrayIcon;
class QTimer;

// The program's one notification-area icon. While the desktop has no tray there is no icon and
// the operations only remember what it would show. Once added, the icon follows the tray: one
// that appears later (a panel that starts after the program, the usual race at logon) gets the
// icon, one that restarts gets a new one, and one that goes away takes it along; TrayChanged
// tells the window, which must stay reachable without a tray. On a StatusNotifier tray the icon
// carries the window's menu, which the panel shows itself.
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
    bool HasTray() const { return m_kind != Kind::None; }
    // Looks at the trays known now and adds, re-creates or drops the icon.
    void CheckTray();
    // Builds the menu a StatusNotifier tray shows at the icon; each new icon gets a new one.
    using MenuFactory = std::function<QMenu*()>;
    void SetMenuFactory(MenuFactory factory) { m_menuFactory = std::move(factory); }
    // The menu the panel shows now, if any.
    QMenu* GetMenu() const { return m_pMenu.get(); }
    // Whether the icon is a StatusNotifier item (its messages go through the notification
    // service, its menu through the bus).
    bool IsStatusNotifier() const { return m_kind == Kind::StatusNotifier; }

    // The question "is there a tray?"; tests stand in for the desktop with it, and it is asked
    // once a second. Empty: follow the desktop's trays.
    using TrayProbe = std::function<bool()>;
    static void SetTrayProbe(TrayProbe probe);
    // A notification beside the icon; false when the desktop cannot show one (on a
    // StatusNotifier tray: when no notification service runs).
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
    enum class Kind
    {
        None,
        StatusNotifier,
        XEmbed,
        Probed
    };
    Kind CurrentKind() const;
    void CreateIcon();
    void DropIcon();

    CTrayHostWatch* m_pHosts;
    MenuFactory m_menuFactory;
    // Declared before the icon, which refers to it, so that the icon goes first.
    std::unique_ptr<QMenu> m_pMenu;
    std::unique_ptr<QSystemTrayIcon> m_pIcon;
    Kind m_kind = Kind::None;
    // The StatusNotifierWatcher the icon was registered with.
    QString m_strIconWatcher;
    std::string m_strTip;
    QString m_strDetail;
    int m_nPicture = 0;
    int m_nId = 0;
    bool m_bAdded = false;
    QTimer* m_pWatch;
};
