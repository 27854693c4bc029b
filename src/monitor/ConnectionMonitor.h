#pragma once

#include <cstdint>
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
// Its running time is measured on ElapsedClockMs, from the moment of the report that started
// it, so a wall clock that jumps never makes it negative or wrong; its end is its start plus
// that span.
//
// Every record goes to the log through AppendUnlessLogged, and the checkpoint or the pending
// file that held it changes only after the log holds it, so a stop at any point in between
// neither loses nor doubles it. A finished connection that cannot be logged at that moment
// (full disk, read-only log) is kept in memory and in the pending file; while the pending file
// cannot be written either, the checkpoint keeps holding it and the next connection is not
// checkpointed. The pending ones are tried again at every checkpoint and at the stop.
class CConnectionMonitor
{
public:
    CConnectionMonitor(CConnectionLog& log, CCheckpoint& checkpoint, CMonitorView& view);

    // Applies one report seen at atMs (ElapsedClockMs).
    void OnRasPoll(const std::string& name, bool connected, std::int64_t atMs);
    // The same, seen now.
    void OnRasPoll(const std::string& name, bool connected);
    // The program stops: the pending connections go to the log or the pending file. A running
    // connection stays in its checkpoint; one whose last checkpoint could not be written is
    // appended to the log as it stands, if the log can take it.
    void OnStop();

    // The running time " %H:%M:%S" with the whole hours (at least two digits), and the running
    // display: the entry name followed by that time.
    static std::string TimeText(CTimeSpan elapsed);
    static std::string DisplayText(const std::string& name, CTimeSpan elapsed);

    bool IsConnected() const { return m_bConnected; }
    CTime GetStart() const { return m_timeStart; }
    // The running connection's time so far, on ElapsedClockMs: a wall clock set forward or
    // back changes it no more than it changes the connection's logged length.
    CTimeSpan GetElapsed() const;
    const std::vector<SPendingRecord>& GetPending() const { return m_pending; }

private:
    CTimeSpan Elapsed(std::int64_t atMs) const;
    // Appends the pending connections in order; true when none is left.
    bool FlushPending();
    // Logs what it can and puts the rest in the pending file; true when the checkpoint file is
    // free for the running connection.
    bool SecurePending();
    void TellSaveProblem(const std::string& what);
    // Tells the user, once per process, that a file was written without locks.
    void TellIfUnlocked();

    CConnectionLog& m_log;
    CCheckpoint& m_checkpoint;
    CMonitorView& m_view;
    bool m_bConnected = false;
    CTime m_timeStart;
    std::int64_t m_nStartMs = 0;
    std::vector<SPendingRecord> m_pending;
    // The checkpoint file holds a finished connection that is nowhere else on disk.
    bool m_bCheckpointHeld = false;
    // The running connection's last checkpoint could not be written.
    bool m_bRunningUnsaved = false;
    std::string m_strRunningName;
    bool m_bProblemShown = false;
    bool m_bSaveProblemShown = false;
};
