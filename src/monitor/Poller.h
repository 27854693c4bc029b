#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

class CRasProvider;

// The polling worker. About once a second it lists the connections of the service and reports
// (entry name, connected) for each, or one "not connected" under the last name seen when the
// list has become empty after a connected report.
//
// Reports cross to the user-interface thread: the worker queues them and calls the wake-up
// function, which must arrange for DeliverReports() to run on that thread (a queued call).
// DeliverReports applies every queued report, in order, each whole; none before SetReady()
// (the settings are loaded) and none after StopPolling(). The worker never waits for the
// user-interface thread, so StopPolling's wait for the worker cannot deadlock.
class CPoller
{
public:
    using ReportHandler = std::function<void(const std::string& name, bool connected)>;
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
    void SetReady();
    void DeliverReports();

    // One poll as the worker makes it; the worker's own state lives in this object.
    void Poll();

private:
    struct SReport
    {
        std::string name;
        bool connected;
    };

    void RasPollThread();
    void Report(const std::string& name, bool connected);

    CRasProvider& m_provider;
    ReportHandler m_handler;
    Wakeup m_wakeup;
    std::chrono::milliseconds m_interval;

    std::thread m_pollThread;
    std::mutex m_mutex;
    std::condition_variable m_eventStop;
    bool m_bStopRequested = false;
    std::deque<SReport> m_reports;
    bool m_bReady = false;   // user-interface thread only
    bool m_bStopped = false; // user-interface thread only
    bool m_bDelivering = false;

    // The worker's state.
    std::string m_strLastEntry;
    bool m_bLastConnected = false;
};
