#include "RasProvider.h"

#include <cstdlib>

#include <gtest/gtest.h>

#include "NetworkManagerProvider.h"
#include "PppdProvider.h"
#include "RasProviderFactory.h"
#include "SimulatedProvider.h"
#include "SystemBusMock.h"

namespace {

template <typename T> bool Is(const std::unique_ptr<CRasProvider>& provider)
{
    return dynamic_cast<T*>(provider.get()) != nullptr;
}

TEST(CreateRasProviderTest, ExplicitSelections)
{
    auto simulated = CreateRasProvider("sim:/tmp/some file.txt");
    ASSERT_TRUE(Is<CSimulatedProvider>(simulated));
    EXPECT_EQ(static_cast<CSimulatedProvider&>(*simulated).FilePath(), "/tmp/some file.txt");
    EXPECT_TRUE(Is<CPppdProvider>(CreateRasProvider("pppd")));
    // Chosen even though the (private, stopped) system bus has no NetworkManager.
    EXPECT_TRUE(Is<CNetworkManagerProvider>(CreateRasProvider("nm")));

    setenv("ZELMORIN_RAS", "sim:/x", 1);
    EXPECT_TRUE(Is<CSimulatedProvider>(CreateRasProviderFromEnvironment()));
    unsetenv("ZELMORIN_RAS");
}

TEST(CreateRasProviderTest, AutoPicksNetworkManagerOnlyWhenItsNameIsOwned)
{
    for (const char* selection : {"auto", "", "bogus"})
        EXPECT_TRUE(Is<CPppdProvider>(CreateRasProvider(selection))) << "no bus, selection '" << selection << "'";
    EXPECT_TRUE(Is<CPppdProvider>(CreateRasProviderFromEnvironment()));

    std::string missing = CSystemBusMock::MissingTools();
    if (!missing.empty())
        GTEST_SKIP() << missing;
    CSystemBusMock mock;
    ASSERT_TRUE(mock.StartBus());
    EXPECT_TRUE(Is<CPppdProvider>(CreateRasProvider("auto"))) << "bus without NetworkManager";
    ASSERT_TRUE(mock.StartNetworkManager());
    for (const char* selection : {"auto", "", "bogus"})
        EXPECT_TRUE(Is<CNetworkManagerProvider>(CreateRasProvider(selection))) << "selection '" << selection << "'";
}

TEST(ClampEntryNameTest, CutsAtLimitWithoutSplittingCharacters)
{
    EXPECT_EQ(ClampEntryName(std::string(256, 'a')), std::string(256, 'a'));
    EXPECT_EQ(ClampEntryName(std::string(300, 'a')), std::string(256, 'a'));
    // "é" is 2 bytes and "€" 3: both would straddle byte 256.
    EXPECT_EQ(ClampEntryName(std::string(255, 'a') + "\xC3\xA9"), std::string(255, 'a'));
    EXPECT_EQ(ClampEntryName(std::string(254, 'a') + "\xE2\x82\xAC" + "b"), std::string(254, 'a'));
    EXPECT_EQ(ClampEntryName(std::string(253, 'a') + "\xE2\x82\xAC" + "b"), std::string(253, 'a') + "\xE2\x82\xAC");
    // Latin-1 text (here ©) has no lead byte to back off to.
    EXPECT_EQ(ClampEntryName(std::string(300, '\xA9')), std::string(256, '\xA9'));
}

} // namespace
