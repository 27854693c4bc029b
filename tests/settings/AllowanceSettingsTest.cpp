#include <gtest/gtest.h>

#include "AllowanceSettings.h"
#include "FakeSettingsStore.h"

namespace {

TEST(AllowanceSettings, RoundTripsUnderItsOwnSection)
{
    CFakeStore store;
    CAllowanceSettings settings;
    settings.m_bOn = true;
    settings.m_nMinutes = 12 * 60 + 34;
    settings.m_nPeriod = CAllowanceSettings::kWeek;
    settings.m_strEntry = "My  ISP";
    settings.m_nWarnPercent = 75;
    settings.Save(store);
    for (const auto& value : store.m_values)
        EXPECT_EQ(value.first.first, "Allowance") << value.first.second;

    CAllowanceSettings loaded;
    loaded.Load(store);
    EXPECT_TRUE(loaded.m_bOn);
    EXPECT_EQ(loaded.GetSeconds(), (12 * 60 + 34) * 60);
    EXPECT_EQ(loaded.m_nPeriod, CAllowanceSettings::kWeek);
    EXPECT_EQ(loaded.m_strEntry, "My  ISP");
    EXPECT_EQ(loaded.m_nWarnPercent, 75);
}

TEST(AllowanceSettings, TheLastWarningsPeriodStartKeepsAllItsBits)
{
    // Written as an integer by earlier versions, as text past 2038; anything else is no warning.
    const struct
    {
        const char* pszStored;
        long long nRead;
    } cases[] = {{"1711922400", 1711922400},
                 {"4294967296", 4294967296},
                 {"253402214400", 253402214400},
                 {"-5", 0},
                 {"12x", 0},
                 {"", 0}};
    for (const auto& c : cases) {
        CFakeStore store;
        store.m_values[{"Allowance", "NotifiedStart"}] = c.pszStored;
        CAllowanceSettings loaded;
        loaded.Load(store);
        EXPECT_EQ(loaded.m_nNotifiedStart, c.nRead) << c.pszStored;
        loaded.SaveNotified(store);
        CAllowanceSettings again;
        again.Load(store);
        EXPECT_EQ(again.m_nNotifiedStart, c.nRead) << c.pszStored;
    }
}

TEST(AllowanceSettings, ValuesOutOfRangeLoadAsDefaults)
{
    CFakeStore store;
    store.m_values[{"Allowance", "Minutes"}] = "0";
    store.m_values[{"Allowance", "Period"}] = "0"; // "since installation" has no allowance
    store.m_values[{"Allowance", "WarnPercent"}] = "100";
    CAllowanceSettings loaded;
    loaded.m_nMinutes = 5;
    loaded.Load(store);
    const CAllowanceSettings defaults;
    EXPECT_FALSE(loaded.m_bOn);
    EXPECT_EQ(loaded.m_nMinutes, defaults.m_nMinutes);
    EXPECT_EQ(loaded.m_nPeriod, CAllowanceSettings::kMonth);
    EXPECT_EQ(loaded.m_nWarnPercent, 80);

    store.m_values[{"Allowance", "Minutes"}] = std::to_string(CAllowanceSettings::kMaxMinutes + 1);
    store.m_values[{"Allowance", "Period"}] = "4";
    loaded.Load(store);
    EXPECT_EQ(loaded.m_nMinutes, defaults.m_nMinutes);
    EXPECT_EQ(loaded.m_nPeriod, CAllowanceSettings::kMonth);
}

} // namespace
