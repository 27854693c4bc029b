#pragma once

#include <QObject>
#include <QTimer>
#include <functional>

class QDialog;
class QEvent;
class QWidget;

// The end of the program that the user did not ask for: SIGTERM, SIGHUP or the session
// manager's quit. The settings are saved at once, every open dialog, question and menu is
// closed as if cancelled, and the main dialog ends, so the program returns through its normal
// shut-down (worker stopped, tray icon removed, settings saved again). A running connection is
// not logged: it stays in the checkpoint for the next start.
class CSessionEnd : public QObject
{
    Q_OBJECT
public:
    // saveSettings writes the settings to their file now. With exitAfterGrace the process ends
    // itself kGraceMs after End, should the way out hang.
    CSessionEnd(QDialog& mainDialog, std::function<void()> saveSettings, bool exitAfterGrace);
    ~CSessionEnd() override;

    void End();
    bool IsEnding() const { return m_bEnding; }

    // Closes every popup menu and every visible dialog but `except` as if cancelled.
    static void CancelDialogs(const QWidget* except);

    // How long the program may take to end before the process is ended without it.
    static constexpr int kGraceMs = 1800;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QDialog& m_mainDialog;
    std::function<void()> m_saveSettings;
    QTimer m_cancelAgain;
    bool m_bExitAfterGrace;
    bool m_bEnding = false;
};
