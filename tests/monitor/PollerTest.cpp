#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <thread>

#include "ElapsedClock.h"
#include "MonitorFakes.h"
#include "Poller.h"
#include "TestSupport.h"

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
        provider, [&](const std::string& n, bool c, std::int64_t) { got.Add(n, c); }, nullptr);
    poller.SetReady();

    poller.Poll();                 // nothing listed, nothing was connected
    provider.Set({{"Office", 0}}); // dialling: nothing runs yet
    poller.Poll();
    provider.Set({{"Office", kConnected}});
    poller.Poll();
    provider.Set({});
    poller.Poll(); // gone: one report under the last name
    poller.Poll(); // and only one
    provider.Set({{"A", kConnected}, {"B", kConnected}});
    poller.Poll();
    provider.Set({{"A", 3}}); // hanging up while still listed: ends at this poll
    poller.Poll();
    provider.Set({});
    poller.Poll(); // already ended: no second report
    poller.DeliverReports();
    EXPECT_EQ(got.reports, (std::vector<std::string>{"Office up", "Office down", "A up", "B up", "B down"}));

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

TEST(Poller, DiallingNeverEndsAConnectedOneAndAReplacementEndsTheOldOne)
{
    CFakeProvider provider;
    SCollected got;
    CPoller poller(
        provider, [&](const std::string& n, bool c, std::int64_t) { got.Add(n, c); }, nullptr);
    poller.SetReady();
    provider.Set({{"Office", kConnected}, {"Home", 0}});
    for (int i = 0; i < 3; ++i)
        poller.Poll();
    provider.Set({{"Home", 0}, {"Office", kConnected}}); // the other order too
    poller.Poll();
    provider.Set({{"Mobile", kConnected}}); // Office went and Mobile came between two polls
    poller.Poll();
    provider.Set({{"Office", kConnected}, {"Mobile", kConnected}}); // Mobile still runs
    poller.Poll();
    poller.DeliverReports();
    EXPECT_EQ(got.reports, (std::vector<std::string>{"Office up", "Office up", "Office up", "Office up", "Office down",
                                                     "Mobile up", "Office up", "Mobile up"}));
}

std::atomic<std::int64_t> g_elapsedMs{0};
std::int64_t FakeElapsed()
{
    return g_elapsedMs.load();
}

TEST(Poller, AServiceThatDoesNotAnswerChangesNothingUntilItStaysAway)
{
    SetElapsedClockHook(FakeElapsed);
    CFakeProvider provider;
    std::vector<std::pair<std::string, std::int64_t>> got;
    CPoller poller(
        provider,
        [&](const std::string& n, bool c, std::int64_t at) {
            got.push_back({n + (c ? " up" : " down"), at});
        },
        nullptr);
    poller.SetReady();
    auto pollAt = [&](std::int64_t ms) {
        g_elapsedMs = ms;
        poller.Poll();
        poller.DeliverReports();
    };
    provider.Set({{"Office", kConnected}});
    pollAt(1000);
    provider.SetAnswer(false); // a stall, a restart of the service or of the bus
    pollAt(2000);
    pollAt(30000);
    provider.SetAnswer(true);
    pollAt(31000);                   // back, same connection: it simply goes on
    provider.SetStatusAnswer(false); // listed, but its state call fails
    pollAt(32000);
    provider.SetStatusAnswer(true);
    provider.SetAnswer(false);
    pollAt(90000); // 59 s of silence
    EXPECT_EQ(got.size(), 2u);
    pollAt(91000); // 60 s: it ends when it was last seen
    pollAt(200000);
    ASSERT_EQ(got.size(), 3u);
    EXPECT_EQ(got[0], (std::pair<std::string, std::int64_t>{"Office up", 1000}));
    EXPECT_EQ(got[1], (std::pair<std::string, std::int64_t>{"Office up", 31000}));
    EXPECT_EQ(got[2], (std::pair<std::string, std::int64_t>{"Office down", 31000}));
    SetElapsedClockHook(nullptr);
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
        provider, [&](const std::string& n, bool c, std::int64_t) { got.Add(n, c); },
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
        ASSERT_TRUE(woken.wait_for(lock, kPatience, [&] { return wakeups >= 3; }));
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

    // While a second poller polls three times, the stopped one polls no more.
    std::size_t before = got.reports.size();
    int polls = provider.Polls();
    CFakeProvider other;
    CPoller witness(
        other, [](const std::string&, bool, std::int64_t) {}, [] {}, 5ms);
    witness.StartPolling();
    ASSERT_TRUE(WaitUntil([&] { return other.Polls() >= 3; }));
    witness.StopPolling();
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
        while (!m_bRelease) // held until the test lets it go, however long that takes
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
        provider, [&](const std::string& n, bool c, std::int64_t) { got.Add(n, c); }, [] {}, 5ms);
    poller.SetReady();
    poller.StartPolling();
    ASSERT_TRUE(WaitUntil([&] { return provider.m_bInside.load(); }));
    // Let go once the stop has been asked for; the stop waits for the poll either way, and
    // its report arrives whichever thread gets there first.
    std::atomic<bool> stopping{false};
    std::thread release([&] {
        WaitUntil([&] { return stopping.load(); });
        provider.m_bRelease = true;
    });
    stopping = true;
    poller.StopPolling();
    release.join();
    EXPECT_EQ(got.reports, std::vector<std::string>{"Office up"});
}

TEST(Poller, TimedStopGivesUpOnAWorkerHeldUpInTheService)
{
    CSlowProvider provider;
    SCollected got;
    auto poller = std::make_unique<CPoller>(
        provider, [&](const std::string& n, bool c, std::int64_t) { got.Add(n, c); }, [] {}, 5ms);
    poller->SetReady();
    poller->StartPolling();
    ASSERT_TRUE(WaitUntil([&] { return provider.m_bInside.load(); }));
    // The worker is held until after the stop returns, so returning at all is giving up.
    EXPECT_FALSE(poller->StopPolling(100ms));
    provider.m_bRelease = true; // only so that the test can end cleanly
    poller.reset();
    EXPECT_TRUE(got.reports.empty()) << "a report applied after the stop";

    CFakeProvider quick;
    CPoller idle(
        quick, [](const std::string&, bool, std::int64_t) {}, [] {}, 5ms);
    idle.StartPolling();
    EXPECT_TRUE(idle.StopPolling(kPatience));
}

TEST(Poller, ReportsDuringAHandlerWaitTheirTurn)
{
    CFakeProvider provider;
    provider.Set({{"A", kConnected}, {"B", kConnected}});
    SCollected got;
    CPoller* self = nullptr;
    CPoller poller(
        provider,
        [&](const std::string& n, bool c, std::int64_t) {
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
