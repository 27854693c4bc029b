#include "ConnectionMonitor.h"

#include <algorithm>
#include <cstdio>

#include "ConnectionLog.h"
#include "ElapsedClock.h"
#include "FileException.h"
#include "LogLock.h"
#include "MonitorView.h"
#include "Resource.h"
#include "StopPoint.h"
#include "TrayTip.h"

CConnectionMonitor::CConnectionMonitor(CConnectionLog& log, CCheckpoint& checkpoint, CMonitorView& view)
    : m_log(log), m_checkpoint(checkpoint), m_view(view)
{
}

std::string CConnectionMonitor::TimeText(CTimeSpan elapsed)
{
    // Whole hours, as the log and the History count them: a day-long connection shows 25:03:04.
    long long s = std::max<long long>(0, elapsed.GetTotalSeconds());
    char text[48];
    std::snprintf(text, sizeof text, " %02lld:%02lld:%02lld", s / 3600, (s / 60) % 60, s % 60);
    return text;
}

std::string CConnectionMonitor::DisplayText(const std::string& name, CTimeSpan elapsed)
{
    return name + TimeText(elapsed);
}

CTimeSpan CConnectionMonitor::Elapsed(std::int64_t atMs) const
{
    return CTimeSpan(std::max<std::int64_t>(0, atMs - m_nStartMs) / 1000);
}

CTimeSpan CConnectionMonitor::GetElapsed() const
{
    return m_bConnected ? Elapsed(ElapsedClockMs()) : CTimeSpan();
}

bool CConnectionMonitor::FlushPending()
{
    while (!m_pending.empty()) {
        const SPendingRecord& record = m_pending.front();
        try {
            m_log.AppendUnlessLogged(record.start, record.end, record.name);
        } catch (const CFileException& error) {
            if (!m_bProblemShown) {
                m_bProblemShown = true;
                m_view.ShowLogProblem(CUserMessage(
                    QT_TRANSLATE_NOOP("CUserMessage",
                                      "Zelmorin could not write to the log file %1 (%2). The connection is kept "
                                      "and will be written as soon as the log can be written."),
                    {error.GetPath(), error.GetCause()}));
            }
            return false;
        }
        StopPoint("logged");
        m_pending.erase(m_pending.begin());
    }
    m_bProblemShown = false;
    return true;
}

void CConnectionMonitor::TellSaveProblem(const std::string& what)
{
    if (m_bSaveProblemShown)
        return;
    m_bSaveProblemShown = true;
    m_view.ShowLogProblem(
        CUserMessage(QT_TRANSLATE_NOOP("CUserMessage", "Zelmorin cannot write %1. A connection may be lost "
                                                       "if the program stops before this is put right."),
                     {what}));
}

bool CConnectionMonitor::SecurePending()
{
    FlushPending();
    if (!m_checkpoint.WritePending(m_pending)) {
        if (!m_pending.empty()) {
            TellSaveProblem(m_checkpoint.GetLastError());
            return !m_bCheckpointHeld;
        }
        // An old pending file that cannot be emptied only repeats records the log holds.
    }
    StopPoint("pending-written");
    m_bCheckpointHeld = false;
    return true;
}

void CConnectionMonitor::OnRasPoll(const std::string& name, bool connected)
{
    OnRasPoll(name, connected, ElapsedClockMs());
}

void CConnectionMonitor::TellIfUnlocked()
{
    // Asked at every report: the recovery at the start, the checkpoint's appends and the
    // History's saves all may be the first to find a file system without locks.
    const std::string path = CLogLock::TakeUnlockedNotice();
    if (!path.empty())
        m_view.ShowLogProblem(CUserMessage(
            QT_TRANSLATE_NOOP("CUserMessage",
                              "The file system of %1 has no file locks, so Zelmorin writes there without them. "
                              "Another program that writes the same file at the same moment could undo a change."),
            {path}));
}

void CConnectionMonitor::OnRasPoll(const std::string& name, bool connected, std::int64_t atMs)
{
    if (connected) {
        if (!m_bConnected) {
            m_timeStart = CTime::GetCurrentTime();
            m_nStartMs = atMs;
            m_bConnected = true;
            m_view.TraySetIcon(Resource::IDI_CONNECTED);
            m_view.ApplyWindowState();
        }
        CTimeSpan elapsed = Elapsed(atMs);
        m_strRunningName = name;
        const std::string time = TimeText(elapsed);
        m_view.SetRunningStatus(name, time);
        m_view.TraySetTip(RunningTip(name, time));
        if ((elapsed.GetTotalSeconds() % 60) % 30 == 0) {
            // The checkpoint is the running connection's only once the finished ones are safe.
            bool free = m_pending.empty() && !m_bCheckpointHeld ? true : SecurePending();
            m_bRunningUnsaved = true;
            if (free) {
                if (m_checkpoint.WriteCheckpoint(m_timeStart, m_timeStart + elapsed, name)) {
                    m_bRunningUnsaved = false;
                    StopPoint("checkpoint-written");
                } else {
                    TellSaveProblem(m_checkpoint.GetLastError());
                }
            }
        }
    } else if (m_bConnected) {
        m_bConnected = false;
        m_pending.push_back({m_timeStart, m_timeStart + Elapsed(atMs), name});
        bool logged = FlushPending();
        m_view.UpdateTitle();
        m_view.TraySetIcon(Resource::IDI_IDLE);
        if (logged) {
            m_bCheckpointHeld = false;
            // Empties a file left by earlier failures; silent, since one that stays only repeats
            // records the log holds, which the next start skips.
            m_checkpoint.WritePending(m_pending);
            if (!m_checkpoint.RemoveCheckpoint())
                TellSaveProblem(m_checkpoint.GetLastError()); // harmless: the log is asked first
        } else if (m_checkpoint.WritePending(m_pending)) {
            StopPoint("pending-written");
            m_bCheckpointHeld = false;
            m_checkpoint.RemoveCheckpoint(); // silent: what it holds is in the pending file too
        } else {
            TellSaveProblem(m_checkpoint.GetLastError());
            // Until it is on disk elsewhere, the checkpoint holds the finished connection, with
            // its real end; unless it already holds an earlier one, which it keeps.
            if (!m_bCheckpointHeld) {
                const SPendingRecord& last = m_pending.back();
                m_checkpoint.WriteCheckpoint(last.start, last.end, last.name);
                m_bCheckpointHeld = true;
            }
        }
        m_view.ApplyWindowState();
    }
    TellIfUnlocked();
}

void CConnectionMonitor::OnStop()
{
    if (!m_pending.empty())
        SecurePending();
    if (!m_bConnected || !m_bRunningUnsaved)
        return;
    // The running connection has no checkpoint to reach the log from at the next start (the
    // folder or the file cannot be written): the log itself may still take it, as it stands.
    try {
        if (m_log.AppendUnlessLogged(m_timeStart, m_timeStart + Elapsed(ElapsedClockMs()), m_strRunningName))
            StopPoint("logged-at-stop");
    } catch (const CFileException&) {
        // silent: the user was told when the checkpoint failed, and nothing else can take it
    }
}
