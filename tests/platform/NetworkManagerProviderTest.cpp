#include "NetworkManagerProvider.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include <gtest/gtest.h>

#include "Checkpoint.h"
#include "Clock.h"
#include "ConnectionLog.h"
#include "ConnectionMonitor.h"
#include "MonitorFakes.h"
#include "Poller.h"
#include "SystemBusMock.h"
#include "TestSupport.h"
#include "Time.h"

namespace {

constexpr unsigned kActivating = 1;
constexpr unsigned kActivated = 2;
constexpr unsigned kDeactivating = 3;
constexpr unsigned kDeactivated = 4;

std::vector<SRasConnection> Enum(CRasProvider& provider, int capacity = 8)
{
    std::vector<SRasConnection> out(static_cast<std::size_t>(capacity));
    int count = provider.EnumConnections(out.data(), capacity);
    EXPECT_GE(count, 0) << "the service did not answer";
    out.resize(static_cast<std::size_t>(std::max(count, 0)));
    return out;
}

class NetworkManagerProviderTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::string missing = CSystemBusMock::MissingTools();
        if (!missing.empty())
            GTEST_SKIP() << missing;
        ASSERT_TRUE(m_mock.StartBus());
        ASSERT_TRUE(m_mock.StartNetworkManager());
    }

    CSystemBusMock m_mock;
    CNetworkManagerProvider m_provider;
};

TEST_F(NetworkManagerProviderTest, EntriesAreProfilesWithoutLoopback)
{
    EXPECT_TRUE(m_provider.EnumEntries().empty());
    m_mock.AddProfile("Office VPN", "vpn");
    m_mock.AddProfile("lo", "loopback");
    m_mock.AddProfile("Home DSL", "pppoe");
    EXPECT_EQ(m_provider.EnumEntries(), (std::vector<std::string>{"Office VPN", "Home DSL"}));
}

TEST_F(NetworkManagerProviderTest, ConnectedExactlyWhenActivated)
{
    const std::string active = m_mock.AddActive(m_mock.AddProfile("Home DSL", "pppoe"), "0", kActivating);
    std::vector<SRasConnection> listed = Enum(m_provider);
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_EQ(listed[0].entryName, "Home DSL");
    const std::uint64_t handle = listed[0].handle;
    EXPECT_NE(m_provider.GetConnectStatus(handle), CRasProvider::kConnected);

    m_mock.SetActiveState(active, kActivated);
    EXPECT_EQ(m_provider.GetConnectStatus(handle), CRasProvider::kConnected);
    for (unsigned state : {kDeactivating, kDeactivated}) {
        m_mock.SetActiveState(active, state);
        ASSERT_EQ(Enum(m_provider).size(), 1u);
        EXPECT_EQ(Enum(m_provider)[0].handle, handle) << "the handle must not change with the state";
        EXPECT_NE(m_provider.GetConnectStatus(handle), CRasProvider::kConnected) << "state " << state;
    }
}

std::vector<std::string> Names(const std::vector<SRasConnection>& listed)
{
    std::vector<std::string> names;
    for (const SRasConnection& connection : listed)
        names.push_back(connection.entryName);
    return names;
}

// Dialled first, then Wi-Fi, then wired; a replaced connection is listed once more, ended.
TEST_F(NetworkManagerProviderTest, ListsTheConnectionThatMatters)
{
    m_mock.AddActive(m_mock.AddProfile("lo", "loopback"), "0", kActivated);
    m_mock.AddActive(m_mock.AddProfile("Wired", "802-3-ethernet"), "1", kActivated);
    EXPECT_EQ(Names(Enum(m_provider)), std::vector<std::string>{"Wired"});
    m_mock.AddActive(m_mock.AddProfile("Cafe", "802-11-wireless"), "2", kActivated);
    std::vector<SRasConnection> listed = Enum(m_provider);
    EXPECT_EQ(Names(listed), (std::vector<std::string>{"Wired", "Cafe"}));
    ASSERT_EQ(listed.size(), 2u);
    EXPECT_NE(m_provider.GetConnectStatus(listed[0].handle), CRasProvider::kConnected) << "the replaced one ends";
    EXPECT_EQ(m_provider.GetConnectStatus(listed[1].handle), CRasProvider::kConnected);
    EXPECT_EQ(Names(Enum(m_provider)), std::vector<std::string>{"Cafe"});

    const std::string vpn = m_mock.AddActive(m_mock.AddProfile("Office VPN", "vpn"), "3", kActivated);
    m_mock.AddActive(m_mock.AddProfile("Phone", "bluetooth"), "4", kActivated);
    EXPECT_EQ(Names(Enum(m_provider)), (std::vector<std::string>{"Cafe", "Office VPN"}));
    EXPECT_EQ(Names(Enum(m_provider)), std::vector<std::string>{"Office VPN"}) << "equals keep the manager's order";
    // Only room for one: the end comes first, the new connection at the next poll.
    m_mock.RemoveActive(vpn);
    EXPECT_EQ(Names(Enum(m_provider, 1)), std::vector<std::string>{"Office VPN"});
    EXPECT_EQ(Names(Enum(m_provider, 1)), std::vector<std::string>{"Phone"});
    EXPECT_EQ(m_provider.EnumConnections(listed.data(), 0), 0);
}

// Bridges, veth, tun and other links inside the machine, and anything NetworkManager only
// watches, are no way on line.
TEST_F(NetworkManagerProviderTest, VirtualLinksAreNotConnections)
{
    m_mock.AddActive(m_mock.AddProfile("docker0", "bridge"), "0", kActivated);
    m_mock.AddActive(m_mock.AddProfile("veth1a2b", "veth"), "1", kActivated);
    m_mock.AddActive(m_mock.AddProfile("tun0", "tun"), "2", kActivated);
    const std::string external = m_mock.AddActive(m_mock.AddProfile("eth-ext", "802-3-ethernet"), "3", kActivated);
    m_mock.SetActiveProperty(external, QStringLiteral("StateFlags"), QVariant::fromValue(0x80u | 0x4u));
    // An Ethernet profile on a veth device (20).
    m_mock.AddActive(m_mock.AddProfile("container", "802-3-ethernet"), "5", kActivated,
                     {QString::fromStdString(m_mock.AddDevice("veth9", 20))});
    EXPECT_TRUE(Enum(m_provider).empty());
    EXPECT_EQ(m_provider.EnumEntries(), (std::vector<std::string>{"eth-ext", "container"}));
    // The same on a real Ethernet device (1) is one.
    m_mock.AddActive(m_mock.AddProfile("Wired", "802-3-ethernet"), "6", kActivated,
                     {QString::fromStdString(m_mock.AddDevice("eth0", 1))});
    EXPECT_EQ(Names(Enum(m_provider)), std::vector<std::string>{"Wired"});

    // A tun device that is a VPN's is one.
    const std::string vpnTun = m_mock.AddActive(m_mock.AddProfile("Work tunnel", "tun"), "4", kActivated);
    m_mock.SetActiveProperty(vpnTun, QStringLiteral("Vpn"), true);
    EXPECT_EQ(Names(Enum(m_provider)), (std::vector<std::string>{"Wired", "Work tunnel"}));
}

TEST_F(NetworkManagerProviderTest, VanishedConnectionIsGone)
{
    const std::string first = m_mock.AddActive(m_mock.AddProfile("First", "vpn"), "0", kActivated);
    const std::string second = m_mock.AddActive(m_mock.AddProfile("Second", "vpn"), "1", kActivated);
    std::vector<SRasConnection> listed = Enum(m_provider);
    ASSERT_EQ(Names(listed), std::vector<std::string>{"First"});

    // Gone after it was listed: not connected, listed once more as ended, then no longer.
    m_mock.RemoveActive(first);
    EXPECT_NE(m_provider.GetConnectStatus(listed[0].handle), CRasProvider::kConnected);
    EXPECT_EQ(Names(Enum(m_provider)), (std::vector<std::string>{"First", "Second"}));
    listed = Enum(m_provider);
    ASSERT_EQ(Names(listed), std::vector<std::string>{"Second"});

    // Still in ActiveConnections but the object is gone: skipped.
    m_mock.RemoveObject(second);
    EXPECT_EQ(Names(Enum(m_provider)), std::vector<std::string>{"Second"});
    EXPECT_TRUE(Enum(m_provider).empty());
    EXPECT_NE(m_provider.GetConnectStatus(listed[0].handle), CRasProvider::kConnected);
    EXPECT_NE(m_provider.GetConnectStatus(12345), CRasProvider::kConnected);
}

// The whole road: a wired network up all along and a VPN for a minute give the VPN its own
// record in the log, between two of the wired connection.
TEST_F(NetworkManagerProviderTest, VpnOverAWiredNetworkIsLoggedOnItsOwn)
{
    CScopedTimeZone zone("Europe/Rome");
    CScopedClock clock(CTime(2026, 3, 5, 9, 0, 0).GetTime());
    CTempDir dir;
    CConnectionLog log(dir.File("Zelmorin.Log"));
    CCheckpoint checkpoint(dir.Path() + "/");
    CRecordingView view;
    CConnectionMonitor monitor(log, checkpoint, view);
    CPoller poller(
        m_provider,
        [&](const std::string& name, bool connected, std::int64_t) {
            monitor.OnRasPoll(name, connected, ClockNow() * 1000); // the test steps the wall clock
        },
        nullptr);
    poller.SetReady();
    auto pollAt = [&](int h, int m, int s) {
        CScopedClock::Set(CTime(2026, 3, 5, h, m, s).GetTime());
        poller.Poll();
        poller.DeliverReports();
    };

    m_mock.AddActive(m_mock.AddProfile("Wired", "802-3-ethernet"), "0", kActivated);
    m_mock.AddActive(m_mock.AddProfile("docker0", "bridge"), "1", kActivated);
    pollAt(9, 0, 0);
    pollAt(9, 5, 0);
    const std::string vpn = m_mock.AddActive(m_mock.AddProfile("Office VPN", "vpn"), "2", kActivated);
    pollAt(9, 10, 0);
    pollAt(9, 10, 30);
    pollAt(9, 11, 0);
    m_mock.RemoveActive(vpn);
    pollAt(9, 11, 1);
    pollAt(9, 11, 2);
    poller.StopPolling();

    ASSERT_EQ(log.GetConnectionCount(), 2);
    EXPECT_EQ(ReadFile(dir.File("Zelmorin.Log")), "05/03/2026 09:00:00  05/03/2026 09:10:00  00:10:00  Wired\r\n"
                                                  "05/03/2026 09:10:00  05/03/2026 09:11:01  00:01:01  Office VPN\r\n");
    EXPECT_TRUE(monitor.IsConnected()) << "the wired connection runs again";
}

// A bridge alone (docker0 on a machine off line) is never logged.
TEST_F(NetworkManagerProviderTest, BridgeAloneIsNeverLogged)
{
    CTempDir dir;
    CConnectionLog log(dir.File("Zelmorin.Log"));
    CCheckpoint checkpoint(dir.Path() + "/");
    CRecordingView view;
    CConnectionMonitor monitor(log, checkpoint, view);
    CPoller poller(
        m_provider,
        [&](const std::string& name, bool connected, std::int64_t) {
            monitor.OnRasPoll(name, connected, ClockNow() * 1000); // the test steps the wall clock
        },
        nullptr);
    poller.SetReady();
    const std::string bridge = m_mock.AddActive(m_mock.AddProfile("docker0", "bridge"), "0", kActivated);
    poller.Poll();
    poller.DeliverReports();
    EXPECT_FALSE(monitor.IsConnected());
    m_mock.RemoveActive(bridge);
    poller.Poll();
    poller.DeliverReports();
    poller.StopPolling();
    EXPECT_EQ(log.GetConnectionCount(), 0);
    EXPECT_TRUE(view.m_calls.empty());
}

TEST_F(NetworkManagerProviderTest, WorksFromThreadWithoutEventLoop)
{
    m_mock.AddActive(m_mock.AddProfile("Office", "vpn"), "0", kActivated);
    int status = 0;
    std::vector<std::string> entries;
    std::thread worker([&] {
        CNetworkManagerProvider provider;
        std::vector<SRasConnection> listed = Enum(provider);
        status = listed.size() == 1 ? provider.GetConnectStatus(listed[0].handle) : -1;
        entries = provider.EnumEntries();
    });
    worker.join();
    EXPECT_EQ(status, CRasProvider::kConnected);
    EXPECT_EQ(entries, std::vector<std::string>{"Office"});
}

TEST_F(NetworkManagerProviderTest, ServiceMissingOrStalledIsNoAnswer)
{
    m_mock.AddActive(m_mock.AddProfile("Office", "vpn"), "0", kActivated);
    std::vector<SRasConnection> listed = Enum(m_provider);
    ASSERT_EQ(listed.size(), 1u);
    SRasConnection out[4];
    // A stalled service: each call gives up at its time-out and says it knows nothing.
    m_mock.PauseNetworkManager(true);
    EXPECT_EQ(m_provider.EnumConnections(out, 4), CRasProvider::kNoAnswer);
    EXPECT_EQ(m_provider.GetConnectStatus(listed[0].handle), CRasProvider::kNoAnswer);
    EXPECT_TRUE(m_provider.EnumEntries().empty());
    m_mock.PauseNetworkManager(false);
    EXPECT_EQ(m_provider.GetConnectStatus(listed[0].handle), CRasProvider::kConnected);

    m_mock.StopNetworkManager();
    EXPECT_FALSE(m_provider.IsServiceRunning());
    EXPECT_EQ(m_provider.EnumConnections(out, 4), CRasProvider::kNoAnswer);
    EXPECT_EQ(m_provider.GetConnectStatus(listed[0].handle), CRasProvider::kNoAnswer);
    EXPECT_TRUE(m_provider.EnumEntries().empty());
}

TEST_F(NetworkManagerProviderTest, AManagerStillStartingUpIsNoAnswer)
{
    // Its list is empty until it has taken over the connections that run.
    m_mock.SetStartup(true);
    SRasConnection out[4];
    EXPECT_EQ(m_provider.EnumConnections(out, 4), CRasProvider::kNoAnswer);
    m_mock.SetStartup(false);
    EXPECT_EQ(m_provider.EnumConnections(out, 4), 0);
}

TEST_F(NetworkManagerProviderTest, ReconnectsAfterBusCameBack)
{
    m_mock.AddActive(m_mock.AddProfile("Office", "vpn"), "0", kActivated);
    ASSERT_EQ(Enum(m_provider).size(), 1u);

    m_mock.StopBus();
    SRasConnection out[4];
    EXPECT_EQ(m_provider.EnumConnections(out, 4), CRasProvider::kNoAnswer);
    EXPECT_TRUE(m_provider.EnumEntries().empty());

    ASSERT_TRUE(m_mock.StartBus());
    ASSERT_TRUE(m_mock.StartNetworkManager());
    m_mock.AddProfile("Home", "pppoe");
    EXPECT_EQ(m_provider.EnumEntries(), std::vector<std::string>{"Home"});
    // An answer with no connection is an answer: the connection listed before is listed once
    // more, ended, and then nothing.
    EXPECT_EQ(Names(Enum(m_provider)), std::vector<std::string>{"Office"});
    EXPECT_TRUE(Enum(m_provider).empty());
}

} // namespace
