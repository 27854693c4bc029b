#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class CRasProvider;

// The polling worker. About once a second it asks the service for its connections and reports
// what changed for the running connection, each report stamped with the moment it was seen
// (ElapsedClockMs):
// - every connected connection is reported "connected", in the service's order; connections
//   that are still dialling or hanging up are not reported while another one is connected, so
//   they never end it;
// - when none of the connections reported connected last time is connected any more, one
//   "not connected" goes under the last name reported, before any new one starts: a connection
//   replaced by another between two polls ends there, under its own name;
// - a poll that the service did not answer changes nothing; when it has not answered for
//   kServiceGoneMs, a connection that was running ends at the last moment it was seen.
//
// Reports cross to the user-interface thread: the worker queues them and calls the wake-up
// function, which must arrange for DeliverReports() to run on that thread (a queued call).
// DeliverReports applies every queued report, in order, each whole; none before SetReady()
// (the settings are loaded) and none after StopPolling(). The worker never waits for the
// user-interface thread, so StopPolling's wait for the worker cannot deadlock.
class CPoller
{
public:
    // atMs: when the state was seen, on ElapsedClockMs.
    using ReportHandler = std::function<void(const std::string& name, bool connected, std::int64_t atMs)>;
    static constexpr std::int64_t kServiceGoneMs = 60000;
    using Wakeup = std::function<void()>;

    CPoller(CRasProvider& provider, ReportHandler handler, Wakeup wakeup,
            std::chrono::milliseconds interval = std::chrono::milliseconds(1000));
    ~CPoller();
    CPoller(const CPoller&) = delete;
    CPoller& operator=(const CPoller&) = delete;

    void StartPolling();
    // Ends the worker. The reports of a poll under way when it is called still arrive (applied
    // here if the user-interface thread has not taken them yet); none after.
    void StopPolling();
    // The same, waiting at most `limit` for a worker held up in the service. False when the
    // worker is still in a poll: no report is applied any more, and the worker cannot be
    // waited for, so the caller must end the process without destroying this object.
    bool StopPolling(std::chrono::milliseconds limit);
    void SetReady();
    void DeliverReports();

    // One poll as the worker makes it; the worker's own state lives in this object.
    void Poll();

private:
    struct SReport
    {
        std::string name;
        bool connected;
        std::int64_t atMs;
    };

    void RasPollThread();
    void Report(const std::string& name, bool connected, std::int64_t atMs);

    CRasProvider& m_provider;
    ReportHandler m_handler;
    Wakeup m_wakeup;
    std::chrono::milliseconds m_interval;

    std::thread m_pollThread;
    std::mutex m_mutex;
    std::condition_variable m_eventStop;
    bool m_bStopRequested = false;
    bool m_bWorkerEnded = false;
    std::deque<SReport> m_reports;
    bool m_bReady = false;   // user-interface thread only
    bool m_bStopped = false; // user-interface thread only
    bool m_bDelivering = false;

    // The worker's state.
    std::string m_strLastEntry;
    bool m_bLastConnected = false;
    std::vector<std::string> m_lastConnected; // the names reported connected by the last poll
    std::int64_t m_nLastSeenMs = 0;           // when they were seen
    std::int64_t m_nLastAnswerMs = 0;         // the last poll the service answered
};
