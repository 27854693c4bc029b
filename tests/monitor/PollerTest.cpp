#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <thread>

#include "MonitorFakes.h"
#include "Poller.h"

namespace {

using namespace std::chrono_literals;
constexpr int kConnected = CRasProvider::kConnected;

struct SCollected
{
    std::vector<std::string> reports;
    void Add(const std::string& name, bool connected) { reports.push_back(name + (connected ? " up" : " down")); }
};

TEST(Poller, ReportRules)
{
    CFakeProvider provider;
    SCollected got;
    CPoller poller(
        provider, [&](const std::string& n, bool c) { got.Add(n, c); }, nullptr);
    poller.SetReady();

    poller.Poll();                 // nothing listed, nothing was connected
    provider.Set({{"Office", 0}}); // dialling
    poller.Poll();
    provider.Set({{"Office", kConnected}});
    poller.Poll();
    provider.Set({});
    poller.Poll(); // gone: one report under the last name
    poller.Poll(); // and only one
    provider.Set({{"A", kConnected}, {"B", kConnected}});
    poller.Poll();
    provider.Set({{"A", kConnected}, {"B", 3}}); // the last listed is not connected
    poller.Poll();
    provider.Set({});
    poller.Poll(); // last reported was "not connected": no report
    poller.DeliverReports();
    EXPECT_EQ(got.reports,
              (std::vector<std::string>{"Office down", "Office up", "Office down", "A up", "B up", "A up", "B down"}));

    // At most ten connections are seen.
    std::vector<CFakeProvider::SEntry> many;
    for (int i = 0; i < 12; ++i)
        many.push_back({"E" + std::to_string(i), kConnected});
    provider.Set(many);
    got.reports.clear();
    poller.Poll();
    poller.DeliverReports();
    EXPECT_EQ(got.reports.size(), 10u);
    EXPECT_EQ(got.reports.back(), "E9 up");
}

TEST(Poller, ReportsWaitForTheSettingsAndStopWithThePoller)
{
    CFakeProvider provider;
    provider.Set({{"Office", kConnected}});
    std::mutex mutex;
    std::condition_variable woken;
    int wakeups = 0;
    std::thread::id workerThread;
    SCollected got;
    CPoller poller(
        provider, [&](const std::string& n, bool c) { got.Add(n, c); },
        [&] {
            std::lock_guard<std::mutex> lock(mutex);
            ++wakeups;
            workerThread = std::this_thread::get_id();
            woken.notify_all();
        },
        5ms);
    poller.StartPolling();
    {
        std::unique_lock<std::mutex> lock(mutex);
        ASSERT_TRUE(woken.wait_for(lock, 5s, [&] { return wakeups >= 3; }));
        EXPECT_NE(workerThread, std::this_thread::get_id());
    }
    poller.DeliverReports();
    EXPECT_TRUE(got.reports.empty()) << "applied before the settings were loaded";

    poller.SetReady();
    EXPECT_GE(got.reports.size(), 3u);
    provider.Set({});
    poller.StopPolling();
    // Every report the worker made arrived, in order: the connected ones, then at most one end.
    ASSERT_FALSE(got.reports.empty());
    std::size_t ups = 0;
    while (ups < got.reports.size() && got.reports[ups] == "Office up")
        ++ups;
    EXPECT_GE(ups, 3u);
    EXPECT_LE(got.reports.size() - ups, 1u);
    if (ups < got.reports.size()) {
        EXPECT_EQ(got.reports.back(), "Office down");
    }

    std::size_t before = got.reports.size();
    int polls = provider.Polls();
    std::this_thread::sleep_for(30ms);
    poller.DeliverReports();
    EXPECT_EQ(got.reports.size(), before);
    EXPECT_EQ(provider.Polls(), polls) << "the worker went on after the stop";
}

// The provider blocks inside a poll until the test lets it go; the stop must wait for that
// poll and still deliver its report, without deadlocking.
class CSlowProvider : public CFakeProvider
{
public:
    int EnumConnections(SRasConnection* out, int capacity) override
    {
        m_bInside = true;
        while (!m_bRelease)
            std::this_thread::sleep_for(1ms);
        return CFakeProvider::EnumConnections(out, capacity);
    }
    std::atomic<bool> m_bInside{false};
    std::atomic<bool> m_bRelease{false};
};

TEST(Poller, StopWaitsForAPollUnderWay)
{
    CSlowProvider provider;
    provider.Set({{"Office", kConnected}});
    SCollected got;
    CPoller poller(
        provider, [&](const std::string& n, bool c) { got.Add(n, c); }, [] {}, 5ms);
    poller.SetReady();
    poller.StartPolling();
    while (!provider.m_bInside)
        std::this_thread::sleep_for(1ms);
    std::thread release([&] {
        std::this_thread::sleep_for(20ms);
        provider.m_bRelease = true;
    });
    poller.StopPolling();
    release.join();
    EXPECT_EQ(got.reports, std::vector<std::string>{"Office up"});
}

TEST(Poller, ReportsDuringAHandlerWaitTheirTurn)
{
    CFakeProvider provider;
    provider.Set({{"A", kConnected}, {"B", kConnected}});
    SCollected got;
    CPoller* self = nullptr;
    CPoller poller(
        provider,
        [&](const std::string& n, bool c) {
            got.Add(n, c);
            self->DeliverReports(); // a nested delivery, as a nested event loop would make
        },
        nullptr);
    self = &poller;
    poller.SetReady();
    poller.Poll();
    poller.DeliverReports();
    EXPECT_EQ(got.reports, (std::vector<std::string>{"A up", "B up"}));
}

} // namespace
