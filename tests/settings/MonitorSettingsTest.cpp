#include <gtest/gtest.h>

#include "FakeSettingsStore.h"
#include "HistoryLayout.h"
#include "MonitorSettings.h"
#include "PasswordHash.h"
#include "TimeTexts.h"

namespace {

class MonitorSettings : public ::testing::Test
{
protected:
    void TearDown() override { DayDateFormat = ConnectionDateFormat = "%d/%m/%Y"; }
    CFakeStore m_store;
    CMonitorSettings m_settings;
};

TEST_F(MonitorSettings, FirstStartGivesTheDefaultsInTheFixedOrder)
{
    bool asked = false;
    m_settings.LoadSettings(m_store, [&] {
        asked = true;
        // The shortcut is asked for after the date formats and before the protection.
        EXPECT_EQ(m_store.m_reads.back(), "ConnectionDateFormat");
        return true;
    });
    EXPECT_TRUE(asked);
    EXPECT_EQ(m_store.m_reads,
              (std::vector<std::string>{"PosX", "PosY", "OnTop", "Total", "Hidden", "TotalType", "WeekStart",
                                        "MonthStart", "AutoShow", "SelectedISP", "DayDateFormat",
                                        "ConnectionDateFormat", "Flags", "StringFlags"}));
    EXPECT_EQ(m_settings.m_nPosX, 0x7FFFFFFF);
    EXPECT_FALSE(m_settings.m_bOnTop || m_settings.m_bShowTotal || m_settings.m_bHidden || m_settings.m_bAutoShow);
    EXPECT_EQ(m_settings.m_nTotalType, 0);
    EXPECT_EQ(m_settings.m_nWeekStart, 0);
    EXPECT_EQ(m_settings.m_nMonthStart, 1);
    EXPECT_TRUE(m_settings.m_bAutoStart);
    EXPECT_FALSE(m_settings.m_bProtect);
    EXPECT_TRUE(m_settings.m_bProtectExit);
    EXPECT_TRUE(m_settings.m_bProtectConfig);
    EXPECT_FALSE(m_settings.m_bProtectHistory);
    EXPECT_FALSE(m_settings.m_bHistoryEdit);
    EXPECT_EQ(DayDateFormat, "%d/%m/%Y");

    m_settings.SaveSettings(m_store, 10, 20);
    EXPECT_EQ(m_store.m_writes,
              (std::vector<std::string>{"PosX", "PosY", "OnTop", "Total", "Hidden", "AutoShow", "TotalType",
                                        "WeekStart", "MonthStart", "SelectedISP", "DayDateFormat",
                                        "ConnectionDateFormat", "Flags", "StringFlags"}));
    EXPECT_EQ((m_store.m_values[{"", "Flags"}]), "6");
    EXPECT_EQ((m_store.m_values[{"", "PosY"}]), "20");
}

TEST_F(MonitorSettings, FlagsKeepFiveBitsOnly)
{
    m_store.m_values[{"", "Flags"}] = "31";
    m_settings.LoadSettings(m_store, nullptr);
    EXPECT_TRUE(m_settings.m_bProtect && m_settings.m_bProtectExit && m_settings.m_bProtectConfig &&
                m_settings.m_bProtectHistory && m_settings.m_bHistoryEdit);
    m_settings.SaveSettings(m_store, 0, 0);
    EXPECT_EQ((m_store.m_values[{"", "Flags"}]), "31");

    m_store.m_values[{"", "Flags"}] = "32";
    m_settings.LoadSettings(m_store, nullptr);
    EXPECT_FALSE(m_settings.m_bProtect || m_settings.m_bProtectExit || m_settings.m_bProtectConfig ||
                 m_settings.m_bProtectHistory || m_settings.m_bHistoryEdit);
    m_settings.SaveSettings(m_store, 0, 0);
    EXPECT_EQ((m_store.m_values[{"", "Flags"}]), "0");
}

TEST_F(MonitorSettings, StoredValuesRoundTripAndOutOfRangeOnesLoadAsDefaults)
{
    m_store.m_values = {{{"", "TotalType"}, "2"},         {{"", "WeekStart"}, "6"},
                        {{"", "MonthStart"}, "31"},       {{"", "SelectedISP"}, "My  ISP"},
                        {{"", "DayDateFormat"}, "%d %B"}, {{"", "ConnectionDateFormat"}, ""},
                        {{"", "StringFlags"}, "SECRET"},  {{"", "Hidden"}, "1"}};
    m_settings.LoadSettings(m_store, [] { return false; });
    EXPECT_EQ(m_settings.m_nTotalType, 2);
    EXPECT_EQ(m_settings.m_nWeekStart, 6);
    EXPECT_EQ(m_settings.m_nMonthStart, 31);
    EXPECT_EQ(m_settings.m_strSelectedISP, "My  ISP");
    EXPECT_TRUE(CPasswordHash::Matches("SECRET", m_settings.m_strPassword));
    EXPECT_TRUE(m_settings.m_bHidden);
    EXPECT_EQ(DayDateFormat, "%d %B");
    EXPECT_EQ(ConnectionDateFormat, ""); // "None" is a stored choice, not a missing value

    m_store.m_values = {{{"", "TotalType"}, "4"}, {{"", "WeekStart"}, "7"}, {{"", "MonthStart"}, "0"}};
    m_settings.LoadSettings(m_store, nullptr);
    EXPECT_EQ(m_settings.m_nTotalType, 0);
    EXPECT_EQ(m_settings.m_nWeekStart, 0);
    EXPECT_EQ(m_settings.m_nMonthStart, 1);
    m_store.m_values = {{{"", "TotalType"}, "-1"}, {{"", "MonthStart"}, "32"}};
    m_settings.LoadSettings(m_store, nullptr);
    EXPECT_EQ(m_settings.m_nTotalType, 0);
    EXPECT_EQ(m_settings.m_nMonthStart, 1);
}

// Anyone at the session can read the settings file: it holds a slow, salted hash, never the
// password; older files' plain passwords are still understood and replaced at the next save.
TEST_F(MonitorSettings, ThePasswordIsStoredAsAHashAndAnOldPlainOneIsReplaced)
{
    const std::string hashed = CPasswordHash::Hash("S3CRET");
    struct
    {
        std::string stored;
        bool kept; // saved back unchanged
    } cases[] = {{"S3CRET", false}, {hashed, true}};
    for (const auto& c : cases) {
        m_store.m_values = {{{"", "StringFlags"}, c.stored}};
        m_settings.LoadSettings(m_store, nullptr);
        m_settings.SaveSettings(m_store, 0, 0);
        const std::string saved = m_store.m_values[{"", "StringFlags"}];
        EXPECT_TRUE(CPasswordHash::IsHash(saved)) << saved;
        EXPECT_EQ(saved.find("S3CRET"), std::string::npos);
        EXPECT_EQ(saved == c.stored, c.kept) << saved;
        EXPECT_TRUE(CPasswordHash::Matches("S3CRET", saved));
        for (const char* wrong : {"s3cret", "S3CRE", "S3CRET ", ""})
            EXPECT_FALSE(CPasswordHash::Matches(wrong, saved)) << wrong;
    }
    // Two hashes of one password differ (a fresh salt each), and a new password set in memory
    // is hashed when saved; no password stays none.
    EXPECT_NE(CPasswordHash::Hash("S3CRET"), hashed);
    m_settings.m_strPassword = "N\xC3\x89W";
    m_settings.SaveSettings(m_store, 0, 0);
    EXPECT_TRUE(CPasswordHash::Matches("N\xC3\x89W", (m_store.m_values[{"", "StringFlags"}])));
    m_store.m_values = {{{"", "StringFlags"}, ""}};
    m_settings.LoadSettings(m_store, nullptr);
    m_settings.SaveSettings(m_store, 0, 0);
    EXPECT_EQ((m_store.m_values[{"", "StringFlags"}]), "");
}

TEST_F(MonitorSettings, HistoryLayoutHasItsOwnSection)
{
    CHistoryLayout layout;
    layout.Load(m_store);
    EXPECT_EQ(layout.m_nTreeWidth, 160);
    EXPECT_EQ(layout.m_nColWidth[2], 60);
    layout.m_nWidth = 640;
    layout.m_nColWidth[3] = 99;
    layout.Save(m_store);
    EXPECT_EQ((m_store.m_values[{"History", "Width"}]), "640");
    EXPECT_EQ((m_store.m_values[{"History", "ColWidth3"}]), "99");
    EXPECT_EQ(m_store.m_values.count({"", "Width"}), 0u);
    CHistoryLayout again;
    again.Load(m_store);
    EXPECT_EQ(again.m_nWidth, 640);
    EXPECT_EQ(again.m_nColWidth[3], 99);
}

} // namespace
