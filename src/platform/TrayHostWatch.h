#pragma once

#include <QObject>
#include <QString>

class QDBusPendingCallWatcher;
class QDBusServiceWatcher;
class QTimer;

// Which trays the desktop offers, followed as it changes. A StatusNotifier tray (GNOME's
// AppIndicator extension, KDE, swaybar, waybar) is a StatusNotifierWatcher on the session bus
// with a host registered; its coming, going and restarting are bus signals, and every question
// to it is asynchronous, so a panel that hangs never holds the window. An XEmbed tray exists on
// X11 only: the owner of the screen's tray selection, which the X server (not the panel)
// reports; it is looked at once a second while there is no StatusNotifier tray.
class CTrayHostWatch : public QObject
{
    Q_OBJECT
public:
    explicit CTrayHostWatch(QObject* parent = nullptr);
    ~CTrayHostWatch() override;

    // A StatusNotifierWatcher with a registered host.
    bool HasStatusNotifier() const { return m_bStatusNotifier; }
    // The watcher's unique bus name; a new one is a new panel that knows no items yet.
    const QString& StatusNotifierOwner() const { return m_strOwner; }
    bool HasXEmbed() const { return m_bXEmbed; }

signals:
    // Something above changed (a new watcher owner included).
    void Changed();

private slots:
    void AskHostRegistered();

private:
    void OnOwnerChanged(const QString& newOwner);
    void CheckXEmbed();
    void SetStatusNotifier(bool present);

    QDBusServiceWatcher* m_pWatcher = nullptr;
    QTimer* m_pXEmbedLook = nullptr;
    QString m_strOwner;
    bool m_bStatusNotifier = false;
    bool m_bXEmbed = false;
    // Answers to an older question are dropped: the watcher may have changed meanwhile.
    quint64 m_nAsked = 0;
};
