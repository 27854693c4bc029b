#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "AllowanceSettings.h"
#include "AllowanceWatch.h"
#include "ConnectionLog.h"
#include "FakeSettingsStore.h"
#include "TestSupport.h"

namespace {

// A daily allowance of one hour, warned at 50 %, watched over an empty log while a connection
// runs: the running time alone decides the level.
class AllowanceWatchTest : public ::testing::Test
{
protected:
    AllowanceWatchTest()
    {
        m_settings.m_bOn = true;
        m_settings.m_nMinutes = 60;
        m_settings.m_nPeriod = CAllowanceSettings::kDay;
        m_settings.m_nWarnPercent = 50;
        m_settings.Save(m_store);
        WriteFile(m_dir.File("log"), "");
        m_log.Load();
    }
    std::unique_ptr<CAllowanceWatch> Start()
    {
        m_settings.Load(m_store); // as at a start of the program
        return std::make_unique<CAllowanceWatch>(
            m_settings, m_store,
            [this](SAllowanceState::EThreshold level, const SAllowanceState&) { m_given.push_back(level); });
    }
    void Run(CAllowanceWatch& watch, int day, long long seconds, const char* name = "A", int year = 2024)
    {
        const CTime start(year, 4, day, 8, 0, 0);
        CAllowance::SRunning running{name, start, seconds};
        watch.Update(m_log, start + CTimeSpan(seconds), &running, 0, 1);
    }

    CScopedTimeZone m_zone{"Europe/Rome"};
    CTempDir m_dir;
    CConnectionLog m_log{m_dir.File("log")};
    CFakeStore m_store;
    CAllowanceSettings m_settings;
    std::vector<SAllowanceState::EThreshold> m_given;
};

TEST_F(AllowanceWatchTest, EachLevelOncePerPeriodAlsoAcrossRestarts)
{
    auto watch = Start();
    for (long long s = 0; s <= 4000; s += 10)
        Run(*watch, 2, s);
    EXPECT_EQ(m_given, (std::vector{SAllowanceState::kWarning, SAllowanceState::kFull}));

    // The program starts again on the same day: nothing new to say.
    watch = Start();
    Run(*watch, 2, 5000);
    EXPECT_EQ(m_given.size(), 2u);

    // The next day is a new period.
    Run(*watch, 3, 1800);
    Run(*watch, 3, 1900);
    EXPECT_EQ(m_given.size(), 3u);
    EXPECT_EQ(m_given.back(), SAllowanceState::kWarning);
    // Restarted after the warning only: the whole allowance is still to be told.
    watch = Start();
    Run(*watch, 3, 1950);
    Run(*watch, 3, 3600);
    Run(*watch, 3, 3700);
    EXPECT_EQ(m_given.size(), 4u);
    EXPECT_EQ(m_given.back(), SAllowanceState::kFull);
}

TEST_F(AllowanceWatchTest, PeriodsAfter2038AreWarnedOnceToo)
{
    for (int year : {2038, 2106, 2500}) {
        SCOPED_TRACE(year);
        m_given.clear();
        auto watch = Start();
        Run(*watch, 2, 1800, "A", year);
        Run(*watch, 2, 1900, "A", year);
        EXPECT_EQ(m_given, std::vector{SAllowanceState::kWarning});
        EXPECT_EQ((m_store.m_values[{"Allowance", "NotifiedStart"}]),
                  std::to_string(CTime(year, 4, 2, 0, 0, 0).GetTime()));
        // A restart in the same period does not warn again.
        watch = Start();
        Run(*watch, 2, 2000, "A", year);
        EXPECT_EQ(m_given.size(), 1u);
        Run(*watch, 2, 3600, "A", year);
        EXPECT_EQ(m_given.size(), 2u);
    }
}

TEST_F(AllowanceWatchTest, AChangeOfWhatIsCountedGivesTheWarningsAgain)
{
    struct SCase
    {
        const char* pszWhat;
        void (*change)(CAllowanceSettings&);
        long long nSeconds; // running time after the change
        std::vector<SAllowanceState::EThreshold> again;
    };
    const SCase cases[] = {
        {"a larger allowance", [](CAllowanceSettings& s) { s.m_nMinutes = 120; }, 3700, {SAllowanceState::kWarning}},
        {"a larger one still used up",
         [](CAllowanceSettings& s) { s.m_nMinutes = 61; },
         3700,
         {SAllowanceState::kFull}},
        {"another entry", [](CAllowanceSettings& s) { s.m_strEntry = "A"; }, 3700, {SAllowanceState::kFull}},
        {"nothing", [](CAllowanceSettings&) {}, 3800, {}},
        // Sunday 14 April: the week from Sunday begins with the same day.
        {"the week",
         [](CAllowanceSettings& s) { s.m_nPeriod = CAllowanceSettings::kWeek; },
         3700,
         {SAllowanceState::kFull}},
    };
    for (int i = 0; i < int(std::size(cases)); ++i) {
        const SCase& c = cases[i];
        SCOPED_TRACE(c.pszWhat);
        m_settings = CAllowanceSettings();
        m_settings.m_bOn = true;
        m_settings.m_nMinutes = 60;
        m_settings.m_nPeriod = CAllowanceSettings::kDay;
        m_settings.m_nWarnPercent = 50;
        m_settings.Save(m_store);
        m_given.clear();
        auto watch = Start();
        Run(*watch, 10 + i, 3700);
        ASSERT_EQ(m_given, std::vector{SAllowanceState::kFull});
        c.change(m_settings);
        m_settings.Save(m_store);
        watch = Start();
        Run(*watch, 10 + i, c.nSeconds);
        m_given.erase(m_given.begin());
        EXPECT_EQ(m_given, c.again);
    }
}

TEST_F(AllowanceWatchTest, ARecordWithoutWhatItWasGivenForStillCounts)
{
    auto watch = Start();
    Run(*watch, 20, 3700);
    ASSERT_EQ(m_given.size(), 1u);
    // As an earlier version left it: the period's start and level only.
    m_store.m_values.erase({"Allowance", "NotifiedFor"});
    watch = Start();
    Run(*watch, 20, 3800);
    EXPECT_EQ(m_given.size(), 1u);
    // The next period writes the full record.
    Run(*watch, 21, 3700);
    EXPECT_EQ(m_given.size(), 2u);
    EXPECT_EQ((m_store.m_values[{"Allowance", "NotifiedFor"}]), "1 60 ");
}

TEST_F(AllowanceWatchTest, AJumpPastBothLevelsGivesTheHigherOnly)
{
    auto watch = Start();
    Run(*watch, 4, 10);
    Run(*watch, 4, 7200);
    Run(*watch, 4, 7300);
    EXPECT_EQ(m_given, std::vector{SAllowanceState::kFull});
}

TEST_F(AllowanceWatchTest, SilentWhileOffOrForAnotherEntry)
{
    m_settings.m_bOn = false;
    m_settings.Save(m_store);
    auto watch = Start();
    Run(*watch, 5, 7200);
    EXPECT_TRUE(m_given.empty());

    m_settings.m_bOn = true;
    m_settings.m_strEntry = "B";
    m_settings.Save(m_store);
    watch = Start();
    Run(*watch, 5, 7200, "A");
    EXPECT_TRUE(m_given.empty());
    Run(*watch, 5, 7200, "B");
    EXPECT_EQ(m_given.size(), 1u);
}

} // namespace
