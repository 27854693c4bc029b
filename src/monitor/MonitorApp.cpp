#include "MonitorApp.h"

#include <QApplication>
#include <QEventLoop>
#include <QSessionManager>
#include <QSocketNotifier>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <sys/socket.h>
#include <unistd.h>

#include "AppSettings.h"
#include "LogLock.h"
#include "MonitorDlg.h"
#include "Prompt.h"
#include "RasProviderFactory.h"
#include "SessionEnd.h"
#include "SingleInstance.h"
#include "TextBytes.h"

namespace {

CMonitorDlg* g_mainWindow = nullptr;
int g_signalPipe[2] = {-1, -1};
bool g_bTerminating = false;
// Set by the signal itself, so that a wait for the log's lock ends at once.
std::atomic<bool> g_bSignalled{false};
// A termination is honoured within two seconds, even while the worker waits for the service.
constexpr std::chrono::milliseconds kTerminationWait{1500};

void OnSignal(int)
{
    g_bSignalled = true; // lock-free, so safe in a handler
    char byte = 1;
    // Only async-signal-safe work here: the event loop does the rest.
    (void)!write(g_signalPipe[1], &byte, 1);
}

} // namespace

CMonitorDlg* CMonitorApp::MainWindow()
{
    return g_mainWindow;
}

void CMonitorApp::WatchForTermination(CMonitorDlg& dialog, CAppSettings& settings)
{
    // SIGTERM, SIGHUP and the session manager's quit end the program as if every open dialog
    // were cancelled; a running connection stays in the checkpoint and reaches the log at the
    // next start.
    auto* ending = new CSessionEnd(
        dialog,
        [&dialog, &settings] {
            g_bTerminating = true; // the worker then gets a bounded time to stop
            dialog.OnEndSession(true);
            settings.Sync();
        },
        true);
    ending->setParent(&dialog);
    // The user may still cancel a logout after this: only the settings are saved.
    QObject::connect(qApp, &QGuiApplication::commitDataRequest, &dialog, [&dialog, &settings](QSessionManager&) {
        dialog.OnEndSession(true);
        settings.Sync();
    });
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_signalPipe) != 0)
        return; // no pipe: SIGTERM then ends the process the default way, as a crash would
    auto* notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, &dialog);
    QObject::connect(notifier, &QSocketNotifier::activated, ending, [ending] {
        char byte;
        (void)!read(g_signalPipe[0], &byte, 1);
        ending->End();
    });
    struct sigaction action
    {
    };
    CLogLock::SetCancelFlag(&g_bSignalled);
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGHUP, &action, nullptr);
}

int CMonitorApp::InitInstance(QApplication& app)
{
    CSingleInstance instance;
    if (instance.IsAnotherInstanceRunning()) {
        CPrompt::Tell(nullptr,
                      BytesFromQString(QCoreApplication::translate("CMonitorApp", "Zelmorin is already running.")));
        return 0;
    }
    app.setQuitOnLastWindowClosed(false); // the window hides; only Exit and OK end the program

    CAppSettings settings;
    CMonitorDlg dialog(CreateRasProviderFromEnvironment(), settings, CAppSettings::GetDataPrefix());
    g_mainWindow = &dialog;
    QObject::connect(&instance, &CSingleInstance::ShowRequested, &dialog, [&dialog](const QByteArray& token) {
        // Qt's Wayland activation request presents the token found here, once.
        if (!token.isEmpty())
            qputenv("XDG_ACTIVATION_TOKEN", token);
        dialog.OnShowRequest();
    });
    WatchForTermination(dialog, settings);
    QEventLoop loop;
    QObject::connect(&dialog, &QDialog::finished, &loop, &QEventLoop::quit);
    dialog.OnInitDialog();
    loop.exec();
    bool stopped = true;
    if (g_bTerminating)
        stopped = dialog.StopPolling(kTerminationWait);
    else
        dialog.StopPolling();
    dialog.OnDestroy();
    settings.Sync();
    if (!stopped)
        std::_Exit(0); // the worker is stuck in the service; everything is saved

    g_mainWindow = nullptr;
    return 0;
}
