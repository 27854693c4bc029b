#include "NetworkManagerProvider.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include <gtest/gtest.h>

#include "SystemBusMock.h"

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

template <typename F> double SecondsFor(F call)
{
    auto start = std::chrono::steady_clock::now();
    call();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
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

TEST_F(NetworkManagerProviderTest, ListsInOrderWithinCapacityAndSkipsLoopback)
{
    m_mock.AddActive(m_mock.AddProfile("lo", "loopback"), "0", kActivated);
    m_mock.AddActive(m_mock.AddProfile("First", "vpn"), "1", kActivated);
    m_mock.AddActive(m_mock.AddProfile("Second", "pppoe"), "2", kActivating);
    m_mock.AddActive(m_mock.AddProfile("Third", "vpn"), "3", kActivated);

    std::vector<SRasConnection> listed = Enum(m_provider);
    ASSERT_EQ(listed.size(), 3u);
    EXPECT_EQ(listed[0].entryName, "First");
    EXPECT_EQ(listed[1].entryName, "Second");
    EXPECT_EQ(listed[2].entryName, "Third");
    EXPECT_NE(listed[0].handle, listed[1].handle);
    EXPECT_EQ(m_provider.GetConnectStatus(listed[2].handle), CRasProvider::kConnected);

    std::vector<SRasConnection> two = Enum(m_provider, 2);
    ASSERT_EQ(two.size(), 2u);
    EXPECT_EQ(two[1].entryName, "Second");
    EXPECT_EQ(m_provider.EnumConnections(listed.data(), 0), 0);
}

TEST_F(NetworkManagerProviderTest, VanishedConnectionIsGone)
{
    const std::string first = m_mock.AddActive(m_mock.AddProfile("First", "vpn"), "0", kActivated);
    const std::string second = m_mock.AddActive(m_mock.AddProfile("Second", "vpn"), "1", kActivated);
    std::vector<SRasConnection> listed = Enum(m_provider);
    ASSERT_EQ(listed.size(), 2u);

    // Gone after it was listed: not connected, and no longer listed.
    m_mock.RemoveActive(first);
    EXPECT_NE(m_provider.GetConnectStatus(listed[0].handle), CRasProvider::kConnected);
    ASSERT_EQ(Enum(m_provider).size(), 1u);
    EXPECT_EQ(Enum(m_provider)[0].entryName, "Second");

    // Still in ActiveConnections but the object is gone: skipped.
    m_mock.RemoveObject(second);
    EXPECT_TRUE(Enum(m_provider).empty());
    EXPECT_NE(m_provider.GetConnectStatus(listed[1].handle), CRasProvider::kConnected);
    EXPECT_NE(m_provider.GetConnectStatus(12345), CRasProvider::kConnected);
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

TEST_F(NetworkManagerProviderTest, ServiceMissingOrStalledIsNoAnswerWithinTimeout)
{
    m_mock.AddActive(m_mock.AddProfile("Office", "vpn"), "0", kActivated);
    std::vector<SRasConnection> listed = Enum(m_provider);
    ASSERT_EQ(listed.size(), 1u);
    SRasConnection out[4];
    m_mock.PauseNetworkManager(true);
    // One call each, so each must give up after about one timeout, and say it knows nothing.
    EXPECT_LT(SecondsFor([&] { EXPECT_EQ(m_provider.EnumConnections(out, 4), CRasProvider::kNoAnswer); }), 1.5);
    EXPECT_LT(SecondsFor([&] { EXPECT_EQ(m_provider.GetConnectStatus(listed[0].handle), CRasProvider::kNoAnswer); }),
              1.5);
    EXPECT_LT(SecondsFor([&] { EXPECT_TRUE(m_provider.EnumEntries().empty()); }), 1.5);
    m_mock.PauseNetworkManager(false);
    EXPECT_EQ(m_provider.GetConnectStatus(listed[0].handle), CRasProvider::kConnected);

    m_mock.StopNetworkManager();
    EXPECT_LT(SecondsFor([&] {
                  EXPECT_FALSE(m_provider.IsServiceRunning());
                  EXPECT_EQ(m_provider.EnumConnections(out, 4), CRasProvider::kNoAnswer);
                  EXPECT_EQ(m_provider.GetConnectStatus(listed[0].handle), CRasProvider::kNoAnswer);
                  EXPECT_TRUE(m_provider.EnumEntries().empty());
              }),
              0.5);
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
    EXPECT_LT(SecondsFor([&] {
                  EXPECT_EQ(m_provider.EnumConnections(out, 4), CRasProvider::kNoAnswer);
                  EXPECT_TRUE(m_provider.EnumEntries().empty());
              }),
              0.5);

    ASSERT_TRUE(m_mock.StartBus());
    ASSERT_TRUE(m_mock.StartNetworkManager());
    m_mock.AddProfile("Home", "pppoe");
    EXPECT_EQ(m_provider.EnumEntries(), std::vector<std::string>{"Home"});
    EXPECT_TRUE(Enum(m_provider).empty()) << "an answer with no connection is an answer";
}

} // namespace
