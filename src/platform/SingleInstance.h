#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <memory>
#include <string>
#include <vector>

class QLocalServer;
class QLocalSocket;
class QLockFile;

// One copy of the program per user. A per-user lock in the runtime folder decides, whatever the
// state of the running copy's window (a window manager lists mapped windows only); the copy that
// holds it listens on a local socket there, through which a later start asks it to show its
// window. Lock first, listen second: two starts at the same moment cannot both win. Windows of
// other programs whose title begins with " Zelmorin " still count, on X11, as they always have.
class CSingleInstance : public QObject
{
    Q_OBJECT
public:
    // folder: where the lock and the socket live; empty means the user's runtime folder
    // (XDG_RUNTIME_DIR).
    explicit CSingleInstance(const QString& folder = QString());
    ~CSingleInstance() override;

    // True when another copy runs; it has then been asked to show its window, and given the
    // launcher's activation token, which leaves this process's environment. False when this
    // process is the one copy: it holds the lock and listens until destroyed.
    bool IsAnotherInstanceRunning();

    // True when the first 10 characters of a window title are " Zelmorin ".
    static bool IsOurTitle(const std::string& title);
    // The titles of the top-level windows of the X11 display; false when the display cannot be
    // listed.
    static bool ListX11Titles(std::vector<std::string>& titles);

    QString LockPath() const;
    QString SocketPath() const;

    // The token when it is one (visible ASCII, at most kMaxTokenBytes), else empty.
    static QByteArray ActivationTokenOf(const QByteArray& token);
    static constexpr int kMaxTokenBytes = 255;

signals:
    // A later start asked this copy to show its main window, with the activation token its
    // launcher gave it (empty when none).
    void ShowRequested(const QByteArray& activationToken);

private:
    static constexpr qint64 kMaxLineBytes = 300;
    static constexpr int kRequestWaitMs = 2000;
    bool AskRunningCopyToShow() const;
    void OnRequest(QLocalSocket* socket);
    static bool OtherProgramHasOurTitle();

    QString m_folder;
    std::unique_ptr<QLockFile> m_pLock;
    std::unique_ptr<QLocalServer> m_pServer;
};
