#include "ConnectionMonitor.h"

#include <cstdio>

#include "ConnectionLog.h"
#include "FileException.h"
#include "MonitorView.h"
#include "Resource.h"
#include "TrayTip.h"

CConnectionMonitor::CConnectionMonitor(CConnectionLog& log, CCheckpoint& checkpoint, CMonitorView& view)
    : m_log(log), m_checkpoint(checkpoint), m_view(view)
{
}

std::string CConnectionMonitor::TimeText(CTimeSpan elapsed)
{
    // Whole hours, as the log and the History count them: a day-long connection shows 25:03:04.
    long long s = elapsed.GetTotalSeconds();
    char text[48];
    std::snprintf(text, sizeof text, " %02lld:%02lld:%02lld", s / 3600, (s / 60) % 60, s % 60);
    return text;
}

std::string CConnectionMonitor::DisplayText(const std::string& name, CTimeSpan elapsed)
{
    return name + TimeText(elapsed);
}

bool CConnectionMonitor::FlushPending()
{
    while (!m_pending.empty()) {
        const SPendingRecord& record = m_pending.front();
        try {
            m_log.Append(record.start, record.end, record.name);
        } catch (const CFileException& error) {
            if (!m_bProblemShown) {
                m_bProblemShown = true;
                m_view.ShowLogProblem("Zelmorin could not write to the log file " + error.GetPath() + " (" +
                                      error.GetCause() +
                                      "). The connection is kept and will be written as soon as the log can be "
                                      "written.");
            }
            return false;
        }
        m_pending.erase(m_pending.begin());
    }
    m_bProblemShown = false;
    return true;
}

void CConnectionMonitor::OnRasPoll(const std::string& name, bool connected)
{
    CTime now = CTime::GetCurrentTime();
    if (connected) {
        if (!m_bConnected) {
            // The new connection takes over the checkpoint file: a connection that could not
            // be logged must first be safe elsewhere.
            if (!m_pending.empty()) {
                FlushPending();
                // Logged, or kept in the pending file: either way the checkpoint is free.
                if (m_checkpoint.WritePending(m_pending))
                    m_checkpoint.RemoveCheckpoint();
            }
            m_timeStart = now;
            m_bConnected = true;
            m_view.TraySetIcon(Resource::IDI_CONNECTED);
            m_view.ApplyWindowState();
        }
        CTimeSpan elapsed = now - m_timeStart;
        const std::string time = TimeText(elapsed);
        m_view.SetRunningStatus(name, time);
        m_view.TraySetTip(RunningTip(name, time));
        if ((elapsed.GetTotalSeconds() % 60) % 30 == 0)
            m_checkpoint.WriteCheckpoint(m_timeStart, now, name);
    } else if (m_bConnected) {
        m_bConnected = false;
        m_pending.push_back({m_timeStart, now, name});
        bool logged = FlushPending();
        m_view.UpdateTitle();
        m_view.TraySetIcon(Resource::IDI_IDLE);
        if (logged) {
            m_checkpoint.RemoveCheckpoint();
            m_checkpoint.WritePending(m_pending);
        } else {
            // Until it is in the log, the checkpoint holds the finished connection exactly, and
            // the pending file every one before it.
            const SPendingRecord& last = m_pending.back();
            m_checkpoint.WriteCheckpoint(last.start, last.end, last.name);
            m_checkpoint.WritePending(std::vector<SPendingRecord>(m_pending.begin(), m_pending.end() - 1));
        }
        m_view.ApplyWindowState();
    }
}
