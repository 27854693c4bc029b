#include "Poller.h"

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
        m_handler(report.name, report.connected);
    }
    m_bDelivering = false;
}

void CPoller::Report(const std::string& name, bool connected)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_reports.push_back({name, connected});
    }
    if (m_wakeup)
        m_wakeup();
}

void CPoller::Poll()
{
    SRasConnection connections[kMaxConnections];
    int count = m_provider.EnumConnections(connections, kMaxConnections);
    if (count <= 0 && m_bLastConnected) {
        Report(m_strLastEntry, false);
        m_bLastConnected = false;
    }
    for (int i = 0; i < count && i < kMaxConnections; ++i) {
        bool connected = m_provider.GetConnectStatus(connections[i].handle) == CRasProvider::kConnected;
        m_bLastConnected = connected;
        m_strLastEntry = connections[i].entryName;
        Report(connections[i].entryName, connected);
    }
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
}
