#pragma once

#include <QDialog>
#include <QIcon>
#include <QPoint>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "AllowanceSettings.h"
#include "AllowanceWatch.h"
#include "Checkpoint.h"
#include "MonitorSettings.h"
#include "MonitorView.h"

class CConnectionLog;
class CConnectionMonitor;
class CPoller;
class CRasProvider;
class CSettingsStore;
class CTrayIcon;
class QLabel;
class QTimer;
class QMenu;
class QPushButton;

// The main window: a small always-available bar with the running connection's name and time
// and a History button, the owner of the log, the checkpoint, the poller, the tray icon and
// the settings. It runs for the whole life of the program; the close box only hides it.
class CMonitorDlg : public QDialog, public CMonitorSettings, public CMonitorView
{
    Q_OBJECT
public:
    // Replacements for the windows the commands open and for the password question (tests
    // count and answer them instead); without them the real windows open and the real
    // password dialog asks.
    using HistoryOpener = std::function<void(CMonitorDlg&)>;
    using PreferencesOpener = std::function<void(CMonitorDlg&)>;
    using PasswordCheck = std::function<bool(QWidget* parent)>;
    static void SetHistoryOpener(HistoryOpener opener);
    static void SetPreferencesOpener(PreferencesOpener opener);
    static void SetPasswordCheck(PasswordCheck check);
    // Shows an allowance warning; false when it could not. Without one the desktop's
    // notification service shows it.
    using AllowanceNotifier = std::function<bool(const QString& summary, const QString& body)>;
    static void SetAllowanceNotifier(AllowanceNotifier notifier);
    // The longest wait between two refreshes of the title and the tip (a minute unless a test
    // shortens it); they refresh at every midnight, where the periods turn, too.
    static void SetRefreshLimit(std::chrono::milliseconds limit);

    // dataPrefix: the data directory with a trailing "/", or empty for the current directory.
    CMonitorDlg(std::unique_ptr<CRasProvider> provider, CSettingsStore& store, const std::string& dataPrefix);
    ~CMonitorDlg() override;

    // The initialisation: tray icon, worker, placement, settings; the loaded settings are
    // applied by a posted call, as soon as the event loop runs.
    void OnInitDialog();
    // Removes the tray icon and saves the settings; once.
    void OnDestroy();
    // The user's session ends: only the settings are saved; a running connection stays in the
    // checkpoint.
    void OnEndSession(bool ending);

    void StartPolling();
    // Stops the worker, then puts the connections that could not be logged where the next
    // start finds them. With a limit: false when the worker is held up in the service; the
    // process must then end without destroying the window.
    void StopPolling();
    bool StopPolling(std::chrono::milliseconds limit);
    void OnRasPoll(const std::string& name, bool connected);
    void OnRasPoll(const std::string& name, bool connected, std::int64_t atMs);

    // Menu commands.
    void OnHistory();
    void OnHistoryClosed();
    void OnAlwaysOnTop();
    void OnTotal();
    void OnHide();
    void OnExit();
    void OnAbout();
    void OnPreferences();
    void OnHelp();
    void OnTrayNotify(int id, int mouseMessage);
    // A later start of the program asks this copy to show its window.
    void OnShowRequest();
    // Asks for the password; true when the stored one was typed. Cancel is false.
    bool CheckPassword();

    void ShowPopupMenu(QWidget* owner, int x, int y);
    // The popup menu with its check and grey states as they are now; the caller owns it.
    QMenu* BuildPopupMenu(QWidget* owner);
    // The checks and the enabled items of a menu of BuildPopupMenu, as the window's state is now.
    void UpdateMenuStates(QMenu* menu);
    void UpdateTrayMenu();
    static bool IsWayland();
    QPoint PositionToStore() const;

    // CMonitorView
    void SetStatusText(const std::string& text) override;
    void SetRunningStatus(const std::string& name, const std::string& time) override;
    void TraySetIcon(int iconId) override;
    void TraySetTip(const std::string& tip) override;
    void ApplyWindowState() override;
    void UpdateTitle() override;
    void ShowLogProblem(const CUserMessage& message) override;
    // The message in the desktop's language.
    static std::string Translated(const CUserMessage& message);

    bool IsConnected() const;
    bool IsHistoryOpen() const { return m_bHistoryOpen; }
    void SetHistoryOpen(bool open) { m_bHistoryOpen = open; }
    CConnectionLog& GetLog() const { return *m_pLog; }
    CTrayIcon& GetTray() const { return *m_pTray; }
    QLabel* GetStatusLabel() const { return m_pStatus; }
    const std::string& GetLogPath() const { return m_strLogPath; }
    const std::string& GetCheckpointPath() const { return m_checkpoint.GetPath(); }
    CSettingsStore& GetSettingsStore() const { return m_store; }
    CAllowanceSettings& GetAllowanceSettings() { return m_allowance; }
    // The allowance now, counting the running connection; the period is invalid while it is off.
    SAllowanceState GetAllowanceState();

    static const char* TotalLabel(int totalType);
    // Which connection service is watched, for the window's tip; with none found, how to choose
    // one. Empty when the provider does not say.
    QString ServiceText() const;

protected:
    void accept() override; // OK: ends the program
    void reject() override; // Cancel, Escape: hides the window
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // A notification beside the tray icon, else the status field: the polling must go on.
    void ShowProblemText(const std::string& message);
    void PlaceWindow();
    void OnTrayChanged(bool present);
    // The allowance lines below the tray tip, and the warnings when due.
    void UpdateAllowance();
    // Widens the window so that the window manager shows the whole title.
    void FitTitle(const QString& title);
    void GiveAllowanceWarning(const SAllowanceState& state);
    // Refreshes the title and the tip, and waits for the next minute or midnight.
    void OnRefresh();
    void ScheduleRefresh();

    CSettingsStore& m_store;
    std::string m_strLogPath;
    QIcon m_hIcon;
    std::unique_ptr<CConnectionLog> m_pLog;
    CCheckpoint m_checkpoint;
    std::unique_ptr<CConnectionMonitor> m_pMonitor;
    std::unique_ptr<CRasProvider> m_pProvider;
    std::unique_ptr<CPoller> m_pPollThread;
    CTrayIcon* m_pTray;
    QLabel* m_pStatus;
    QPushButton* m_pHistoryButton;
    bool m_bHistoryOpen = false;
    bool m_bDestroyed = false;
    bool m_bApplyingState = false;
    CAllowanceSettings m_allowance;
    CAllowanceWatch m_allowanceWatch;
    std::string m_strRunningName;
    // "- Today 01:02:05" while the title shows a total, else empty.
    std::string m_strTotal;
    QTimer* m_pRefresh;
    static constexpr int kWidthDu = 133; // the window's width without a title to fit
};
