#pragma once

#include <memory>

class CAppSettings;
class CMonitorDlg;
class QApplication;

// The application: refuses a second copy, then runs the main window for the whole life of the
// program. The settings store and the connection service come from the desktop session.
class CMonitorApp
{
public:
    // Returns the process's exit code.
    int InitInstance(QApplication& app);

    // The running main window, for the end-of-session handlers.
    static CMonitorDlg* MainWindow();

private:
    void WatchForTermination(CMonitorDlg& dialog, CAppSettings& settings);
};
