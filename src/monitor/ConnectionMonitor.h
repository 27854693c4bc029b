#pragma once

#include <string>
#include <vector>

#include "Checkpoint.h"
#include "Time.h"
#include "TimeSpan.h"

class CConnectionLog;
class CMonitorView;

// The running connection: started by the first "connected" report while none runs, shown and
// checkpointed while reports keep saying "connected", ended and logged by the first "not
// connected" report.
//
// A finished connection that cannot be written to the log at that moment (full disk,
// read-only folder) is kept: in memory, in the checkpoint file rewritten with its real end,
// and in the pending file once a new connection needs the checkpoint. It is written with the
// next successful append, or at the next start.
class CConnectionMonitor
{
public:
    CConnectionMonitor(CConnectionLog& log, CCheckpoint& checkpoint, CMonitorView& view);

    // Applies one report, at the current time.
    void OnRasPoll(const std::string& name, bool connected);

    // The running time " %H:%M:%S" with the whole hours (at least two digits), and the running
    // display: the entry name followed by that time.
    static std::string TimeText(CTimeSpan elapsed);
    static std::string DisplayText(const std::string& name, CTimeSpan elapsed);

    bool IsConnected() const { return m_bConnected; }
    CTime GetStart() const { return m_timeStart; }
    const std::vector<SPendingRecord>& GetPending() const { return m_pending; }

private:
    // Appends the pending connections in order; true when none is left.
    bool FlushPending();

    CConnectionLog& m_log;
    CCheckpoint& m_checkpoint;
    CMonitorView& m_view;
    bool m_bConnected = false;
    CTime m_timeStart;
    std::vector<SPendingRecord> m_pending;
    bool m_bProblemShown = false;
};
