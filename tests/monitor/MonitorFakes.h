#pragma once

#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "FakeSettingsStore.h"
#include "MonitorView.h"
#include "RasProvider.h"

// Records every change the running-connection logic makes on screen, in order.
class CRecordingView : public CMonitorView
{
public:
    void SetStatusText(const std::string& text) override { m_calls.push_back("status " + text); }
    void TraySetIcon(int iconId) override { m_calls.push_back("icon " + std::to_string(iconId)); }
    void TraySetTip(const std::string& tip) override { m_calls.push_back("tip " + tip); }
    void ApplyWindowState() override { m_calls.push_back("apply"); }
    void UpdateTitle() override { m_calls.push_back("title"); }
    void ShowLogProblem(const CUserMessage& message) override { m_calls.push_back("problem " + message.Text()); }

    std::vector<std::string> m_calls;
};

// A connection service whose list a test sets.
class CFakeProvider : public CRasProvider
{
public:
    struct SEntry
    {
        std::string name;
        int state;
    };

    void Set(std::vector<SEntry> connections)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_connections = std::move(connections);
    }
    // false: the service does not answer (every call, or the state calls only).
    void SetAnswer(bool answers)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_bAnswers = answers;
    }
    void SetStatusAnswer(bool answers)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_bStatusAnswers = answers;
    }
    int EnumConnections(SRasConnection* out, int capacity) override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        ++m_nPolls;
        if (!m_bAnswers)
            return kNoAnswer;
        int n = 0;
        for (; n < capacity && n < static_cast<int>(m_connections.size()); ++n) {
            out[n].handle = static_cast<std::uint64_t>(n) + 1;
            out[n].entryName = m_connections[static_cast<std::size_t>(n)].name;
        }
        m_listed = m_connections;
        return n;
    }
    int GetConnectStatus(std::uint64_t handle) override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_bStatusAnswers)
            return kNoAnswer;
        return handle >= 1 && handle <= m_listed.size() ? m_listed[handle - 1].state : 0;
    }
    std::vector<std::string> EnumEntries() override { return {}; }
    std::string GetServiceName() const override { return m_strService; }
    bool IsServiceInstalled() const override { return m_bInstalled; }
    // Set before the window is made.
    std::string m_strService;
    bool m_bInstalled = true;
    int Polls()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_nPolls;
    }

private:
    std::mutex m_mutex;
    std::vector<SEntry> m_connections, m_listed;
    int m_nPolls = 0;
    bool m_bAnswers = true;
    bool m_bStatusAnswers = true;
};
