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

TEST(AllowanceSettings, LoadedAsThePageTakesThem)
{
    const struct
    {
        const char *pszOn, *pszPeriod, *pszMinutes;
        bool bOn;
        int nMinutes;
    } cases[] = {
        // Flags as the settings library writes them, and as the program does.
        {"true", "3", "600", true, 600},
        {"false", "3", "600", false, 600},
        {"1", "3", "600", true, 600},
        {"0", "3", "600", false, 600},
        // Each period takes what the page takes for it, and no more.
        {"1", "1", "1440", true, 1440},
        {"1", "1", "1441", true, 1440}, // the default, cut to a day
        {"1", "1", "44640", true, 1440},
        {"1", "2", "10080", true, 10080},
        {"1", "2", "10081", true, 1800},
        {"1", "3", "44640", true, 44640},
    };
    for (const auto& c : cases) {
        CFakeStore store;
        store.m_values[{"Allowance", "On"}] = c.pszOn;
        store.m_values[{"Allowance", "Period"}] = c.pszPeriod;
        store.m_values[{"Allowance", "Minutes"}] = c.pszMinutes;
        CAllowanceSettings loaded;
        loaded.Load(store);
        EXPECT_EQ(loaded.m_bOn, c.bOn) << c.pszOn;
        EXPECT_EQ(loaded.m_nMinutes, c.nMinutes) << c.pszPeriod << " " << c.pszMinutes;
        EXPECT_LE(loaded.m_nMinutes, CAllowanceSettings::MaxMinutes(loaded.m_nPeriod));
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
