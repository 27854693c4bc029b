#include "Poller.h"

#include <algorithm>

#include "ElapsedClock.h"
#include "RasProvider.h"

namespace {
constexpr int kMaxConnections = 10; // the service is asked for at most this many
}

CPoller::CPoller(CRasProvider& provider, ReportHandler handler, Wakeup wakeup, std::chrono::milliseconds interval)
    : m_provider(provider), m_handler(std::move(handler)), m_wakeup(std::move(wakeup)), m_interval(interval)
{
}

CPoller::~CPoller()
{
    // Without delivering: the owner may be half destroyed by now.
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_bStopRequested = true;
    }
    m_eventStop.notify_all();
    if (m_pollThread.joinable())
        m_pollThread.join();
}

void CPoller::StartPolling()
{
    if (m_pollThread.joinable() || m_bStopped)
        return;
    m_pollThread = std::thread(&CPoller::RasPollThread, this);
}

void CPoller::StopPolling()
{
    if (m_bStopped)
        return;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_bStopRequested = true;
    }
    m_eventStop.notify_all();
    if (m_pollThread.joinable())
        m_pollThread.join();
    DeliverReports();
    m_bStopped = true;
    std::lock_guard<std::mutex> lock(m_mutex);
    m_reports.clear();
}

bool CPoller::StopPolling(std::chrono::milliseconds limit)
{
    if (m_bStopped || !m_pollThread.joinable()) {
        StopPolling();
        return true;
    }
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_bStopRequested = true;
        m_eventStop.notify_all();
        if (!m_eventStop.wait_for(lock, limit, [this] { return m_bWorkerEnded; })) {
            m_bStopped = true;
            m_reports.clear();
            return false;
        }
    }
    StopPolling();
    return true;
}

void CPoller::SetReady()
{
    m_bReady = true;
    DeliverReports();
}

void CPoller::DeliverReports()
{
    // A handler that runs a nested event loop (a message box) must not apply later reports
    // before it has finished with this one; they wait for the next delivery.
    if (!m_bReady || m_bStopped || m_bDelivering)
        return;
    m_bDelivering = true;
    for (;;) {
        SReport report;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_reports.empty())
                break;
            report = std::move(m_reports.front());
            m_reports.pop_front();
        }
        m_handler(report.name, report.connected, report.atMs);
    }
    m_bDelivering = false;
}

void CPoller::Report(const std::string& name, bool connected, std::int64_t atMs)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_reports.push_back({name, connected, atMs});
    }
    if (m_wakeup)
        m_wakeup();
}

void CPoller::Poll()
{
    SRasConnection connections[kMaxConnections];
    int count = m_provider.EnumConnections(connections, kMaxConnections);
    bool answered = count >= 0;
    std::vector<std::string> connected;
    for (int i = 0; answered && i < count && i < kMaxConnections; ++i) {
        int state = m_provider.GetConnectStatus(connections[i].handle);
        if (state == CRasProvider::kNoAnswer)
            answered = false;
        else if (state == CRasProvider::kConnected)
            connected.push_back(connections[i].entryName);
    }
    const std::int64_t now = ElapsedClockMs();
    if (!answered) {
        // A stall or a restart of the service says nothing about the connection; only a long
        // silence ends it, at the last moment it was known to run.
        if (m_bLastConnected && now - m_nLastAnswerMs >= kServiceGoneMs) {
            Report(m_strLastEntry, false, m_nLastSeenMs);
            m_bLastConnected = false;
            m_lastConnected.clear();
        }
        return;
    }
    m_nLastAnswerMs = now;
    if (m_bLastConnected) {
        bool continues = std::any_of(connected.begin(), connected.end(), [this](const std::string& name) {
            return std::find(m_lastConnected.begin(), m_lastConnected.end(), name) != m_lastConnected.end();
        });
        if (!continues) {
            Report(m_strLastEntry, false, now);
            m_bLastConnected = false;
        }
    }
    for (const std::string& name : connected)
        Report(name, true, now);
    if (!connected.empty()) {
        m_bLastConnected = true;
        m_strLastEntry = connected.back();
        m_nLastSeenMs = now;
    }
    m_lastConnected = std::move(connected);
}

void CPoller::RasPollThread()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    while (!m_bStopRequested) {
        lock.unlock();
        Poll();
        lock.lock();
        m_eventStop.wait_for(lock, m_interval, [this] { return m_bStopRequested; });
    }
    m_bWorkerEnded = true;
    m_eventStop.notify_all();
}
