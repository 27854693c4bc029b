#pragma once

#include <QObject>
#include <memory>
#include <string>

class QIcon;
class QSystemTrayIcon;

// The program's one notification-area icon. A desktop without a tray simply has no icon: every
// operation then does nothing, and the rest of the program is unaffected.
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
    bool TraySetIcon(int id, int picture);
    void TrayDelete(int id);

    bool IsShown() const;
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

private:
    std::unique_ptr<QSystemTrayIcon> m_pIcon;
    std::string m_strTip;
    int m_nPicture = 0;
    int m_nId = 0;
};
