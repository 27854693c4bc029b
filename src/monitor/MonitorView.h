#pragma once

#include <string>

#include "UserMessage.h"

// What the running-connection logic changes on screen; the main window implements it, tests
// record it.
class CMonitorView
{
public:
    virtual ~CMonitorView() = default;
    virtual void SetStatusText(const std::string& text) = 0;
    // The running display: the entry name and the running time " HH:MM:SS". A window too narrow
    // for both shortens the name, never the time.
    virtual void SetRunningStatus(const std::string& name, const std::string& time) { SetStatusText(name + time); }
    virtual void TraySetIcon(int iconId) = 0;
    virtual void TraySetTip(const std::string& tip) = 0;
    // Topmost state, title, shown or hidden.
    virtual void ApplyWindowState() = 0;
    // The title and, while no connection runs, the tray tip.
    virtual void UpdateTitle() = 0;
    // Tells the user, once, that a finished connection could not be written to the log yet.
    virtual void ShowLogProblem(const CUserMessage& message) = 0;
};
