#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <memory>

#include "Allowance.h"
#include "ConnectionLog.h"
#include "Period.h"
#include "TestSupport.h"

namespace {

constexpr long long kHour = 3600;

CTime At(int y, int m, int d, int h = 0, int min = 0, int s = 0)
{
    return CTime(y, m, d, h, min, s);
}

class PeriodTest : public ::testing::Test
{
protected:
    CScopedTimeZone m_zone{"Europe/Rome"};
};

TEST_F(PeriodTest, DaysAreLocalMidnightToMidnightAcrossDaylightSaving)
{
    // 2024-03-31 springs forward, 2024-10-27 falls back.
    for (auto [day, hours] : {std::pair{31, 23}, std::pair{30, 24}}) {
        CPeriod p = CPeriod::At(CPeriod::kDay, At(2024, 3, day, 12), 0, 1);
        ASSERT_TRUE(p.IsValid());
        EXPECT_EQ(p.GetStart(), At(2024, 3, day));
        EXPECT_EQ((p.GetEnd() - p.GetStart()).GetTotalSeconds(), hours * kHour) << day;
    }
    CPeriod fall = CPeriod::At(CPeriod::kDay, At(2024, 10, 27, 2, 30), 0, 1);
    EXPECT_EQ((fall.GetEnd() - fall.GetStart()).GetTotalSeconds(), 25 * kHour);
    // The first and the last second belong to their own day.
    EXPECT_EQ(CPeriod::At(CPeriod::kDay, At(2024, 10, 27), 0, 1).GetStart(), At(2024, 10, 27));
    EXPECT_EQ(CPeriod::At(CPeriod::kDay, At(2024, 10, 28) - CTimeSpan(1), 0, 1).GetStart(), At(2024, 10, 27));
}

TEST_F(PeriodTest, WeeksBeginOnTheChosenDay)
{
    // Wednesday 2024-03-27; the week from Monday holds the short night.
    CPeriod monday = CPeriod::At(CPeriod::kWeek, At(2024, 3, 27, 9), 1, 1);
    EXPECT_EQ(monday.GetStart(), At(2024, 3, 25));
    EXPECT_EQ(monday.GetEnd(), At(2024, 4, 1));
    EXPECT_EQ((monday.GetEnd() - monday.GetStart()).GetTotalSeconds(), 7 * 24 * kHour - kHour);
    EXPECT_EQ(monday.GetDayCount(), 7);
    // A Sunday is the first day of a week from Sunday and the last of one from Monday.
    EXPECT_EQ(CPeriod::At(CPeriod::kWeek, At(2024, 3, 31, 9), 0, 1).GetStart(), At(2024, 3, 31));
    EXPECT_EQ(CPeriod::At(CPeriod::kWeek, At(2024, 3, 31, 9), 1, 1).GetStart(), At(2024, 3, 25));
    // Across the turn of the year; a week start out of range counts as Sunday.
    EXPECT_EQ(CPeriod::At(CPeriod::kWeek, At(2025, 1, 2, 9), 1, 1).GetStart(), At(2024, 12, 30));
    EXPECT_EQ(CPeriod::At(CPeriod::kWeek, At(2025, 1, 2, 9), 9, 1).GetStart(), At(2024, 12, 29));
}

TEST_F(PeriodTest, MonthStartsThatAMonthLacks)
{
    struct
    {
        int monthStart;
        CTime now, start, end;
    } cases[] = {
        {1, At(2024, 2, 10), At(2024, 2, 1), At(2024, 3, 1)},
        {15, At(2024, 1, 3), At(2023, 12, 15), At(2024, 1, 15)},
        // March has a 31st, April does not: April's period runs from March 31 to May 1...
        {31, At(2024, 4, 15), At(2024, 3, 31), At(2024, 5, 1)},
        // ...and May's from its 1st to its 31st.
        {31, At(2024, 5, 15), At(2024, 5, 1), At(2024, 5, 31)},
        {31, At(2024, 5, 31, 8), At(2024, 5, 31), At(2024, 7, 1)},
        {30, At(2024, 2, 10), At(2024, 1, 30), At(2024, 3, 1)},
        {30, At(2024, 3, 5), At(2024, 3, 1), At(2024, 3, 30)},
        {29, At(2023, 2, 10), At(2023, 1, 29), At(2023, 3, 1)},
        {29, At(2024, 2, 29, 23, 59, 59), At(2024, 2, 29), At(2024, 3, 29)},
    };
    for (const auto& c : cases) {
        CPeriod p = CPeriod::At(CPeriod::kMonth, c.now, 0, c.monthStart);
        EXPECT_EQ(p.GetStart(), c.start) << c.monthStart << " " << c.now.Format("%F");
        EXPECT_EQ(p.GetEnd(), c.end) << c.monthStart << " " << c.now.Format("%F");
    }
    EXPECT_FALSE(CPeriod::At(0, At(2024, 2, 10), 0, 1).IsValid());
}

// One connection a day, each of a different length, so that a day counted wrongly shows.
class AllowanceTest : public ::testing::Test
{
protected:
    void Add(CTime start, long long seconds, const char* name)
    {
        m_text += start.Format("%d/%m/%Y %H:%M:%S") + "  " + (start + CTimeSpan(seconds)).Format("%d/%m/%Y %H:%M:%S") +
                  "  x  " + name + "\r\n";
    }
    CConnectionLog& Load()
    {
        WriteFile(m_dir.File("log"), m_text);
        m_log = std::make_unique<CConnectionLog>(m_dir.File("log"));
        EXPECT_TRUE(m_log->Load());
        return *m_log;
    }

    CScopedTimeZone m_zone{"Europe/Rome"};
    CTempDir m_dir;
    std::string m_text;
    std::unique_ptr<CConnectionLog> m_log;
};

TEST_F(AllowanceTest, UseMatchesTheTitleTotalOnEveryDay)
{
    // The log grows a day at a time, as it does in use: the title total counts a later day of
    // the month within a week that began in the previous one, so records in the future would
    // make the two differ for no purpose.
    CConnectionLog& log = Load();
    const long long first = CPeriod::DaysFromCivil(2023, 12, 1);
    const long long last = CPeriod::DaysFromCivil(2025, 1, 10);
    int checked = 0;
    for (long long d = first; d <= last; ++d) {
        int y = 0, m = 0, dd = 0;
        CPeriod::CivilFromDays(d, y, m, dd);
        log.Append(At(y, m, dd, 10), At(y, m, dd, 10) + CTimeSpan(60 * (d - first + 1)), d % 3 ? "A" : "B");
        if (y < 2024)
            continue;
        for (CTime now : {At(y, m, dd), At(y, m, dd, 23, 59, 59)}) {
            CScopedClock clock(now.GetTime());
            auto check = [&](int kind, int weekStart, int monthStart, const std::string& entry) {
                CPeriod p = CPeriod::At(kind, now, weekStart, monthStart);
                ASSERT_TRUE(p.IsValid());
                ASSERT_LE(p.GetStart(), now);
                ASSERT_GT(p.GetEnd(), now);
                ASSERT_EQ(CAllowance::LoggedUse(log, p, now, entry),
                          log.GetPeriodTotal(kind, entry, weekStart, monthStart).GetTotalSeconds())
                    << kind << " " << weekStart << " " << monthStart << " " << now.Format("%F %T");
                ++checked;
            };
            check(CPeriod::kDay, 0, 1, "");
            for (int weekStart = 0; weekStart < 7; ++weekStart)
                check(CPeriod::kWeek, weekStart, 1, weekStart % 2 ? "A" : "");
            for (int monthStart : {1, 2, 15, 28, 29, 30, 31})
                check(CPeriod::kMonth, 0, monthStart, monthStart % 2 ? "B" : "");
        }
    }
    EXPECT_GT(checked, 10000);
}

TEST_F(AllowanceTest, UsedLeftOverAndThresholds)
{
    Add(At(2024, 4, 2, 10), 7 * kHour, "A");
    CConnectionLog& log = Load();
    const CAllowance allowance(10 * kHour, CPeriod::kMonth, "", 80, 0, 1);
    const CTime now = At(2024, 4, 3, 12);
    struct
    {
        long long running;
        long long left, over;
        int percent;
        SAllowanceState::EThreshold threshold;
    } cases[] = {
        {0, 3 * kHour, 0, 70, SAllowanceState::kNone},        {kHour - 1, 2 * kHour + 1, 0, 79, SAllowanceState::kNone},
        {kHour, 2 * kHour, 0, 80, SAllowanceState::kWarning}, {3 * kHour - 1, 1, 0, 99, SAllowanceState::kWarning},
        {3 * kHour, 0, 0, 100, SAllowanceState::kFull},       {5 * kHour, 0, 2 * kHour, 120, SAllowanceState::kFull},
    };
    for (const auto& c : cases) {
        CAllowance::SRunning running{"A", now - CTimeSpan(c.running), c.running};
        SAllowanceState s = allowance.Compute(log, now, &running);
        EXPECT_EQ(s.used, 7 * kHour + c.running);
        EXPECT_EQ(s.left, c.left) << c.running;
        EXPECT_EQ(s.over, c.over) << c.running;
        EXPECT_EQ(s.percentUsed, c.percent) << c.running;
        EXPECT_EQ(s.threshold, c.threshold) << c.running;
        EXPECT_EQ(s.pace == SAllowanceState::kUsedUp, c.left == 0);
    }
}

TEST_F(AllowanceTest, SharesFarPastTheAllowanceAreTold)
{
    CConnectionLog& log = Load();
    const CAllowance hourly(kHour, CPeriod::kDay, "", 80, 0, 1);
    const CTime now = At(2024, 4, 2, 12);
    const struct
    {
        long long nUsed, nPercent;
    } cases[] = {{kHour - 1, 99},
                 {kHour * 10000, 1000000},
                 {kHour * 10000 + 36, 1000001},
                 {kHour * 10000000000LL, 1000000000000LL},
                 {LLONG_MAX, 256204778801521550LL}}; // 2562047788015215 hours and 1807 s
    for (const auto& c : cases) {
        CAllowance::SRunning running{"A", now - CTimeSpan(kHour), c.nUsed};
        EXPECT_EQ(hourly.Compute(log, now, &running).percentUsed, c.nPercent) << c.nUsed;
    }
}

TEST_F(AllowanceTest, EntryFilterAndTheRunningConnection)
{
    Add(At(2024, 4, 2, 10), 2 * kHour, "A");
    Add(At(2024, 4, 2, 14), 3 * kHour, "B");
    CConnectionLog& log = Load();
    const CTime now = At(2024, 4, 2, 20);
    const CAllowance all(10 * kHour, CPeriod::kDay, "", 80, 0, 1);
    const CAllowance onlyA(10 * kHour, CPeriod::kDay, "A", 80, 0, 1);
    EXPECT_EQ(all.Compute(log, now).used, 5 * kHour);
    EXPECT_EQ(onlyA.Compute(log, now).used, 2 * kHour);

    CAllowance::SRunning a{"A", now - CTimeSpan(600), 600};
    CAllowance::SRunning b{"B", now - CTimeSpan(600), 600};
    EXPECT_EQ(onlyA.Compute(log, now, &a).used, 2 * kHour + 600);
    EXPECT_EQ(onlyA.Compute(log, now, &b).used, 2 * kHour);
    EXPECT_EQ(all.Compute(log, now, &b).used, 5 * kHour + 600);
    // Begun yesterday: the log will count it for yesterday, so today's allowance does not.
    CAllowance::SRunning overnight{"A", At(2024, 4, 1, 23), 21 * kHour};
    EXPECT_EQ(onlyA.Compute(log, now, &overnight).used, 2 * kHour);
    EXPECT_EQ(onlyA.Compute(log, At(2024, 4, 1, 23, 30), &overnight).used, 21 * kHour);
}

TEST_F(AllowanceTest, PaceFromTheRateSoFar)
{
    // April 2024 has no daylight-saving change: 30 days of 24 hours.
    Add(At(2024, 4, 5, 10), 10 * kHour, "A");
    CConnectionLog& log = Load();
    const CTime now = At(2024, 4, 11); // ten days in
    SAllowanceState lasts = CAllowance(60 * kHour, CPeriod::kMonth, "", 80, 0, 1).Compute(log, now);
    EXPECT_EQ(lasts.pace, SAllowanceState::kLasts);
    EXPECT_EQ(lasts.percentLeftAtEnd, 50);

    // Running out exactly at the period's end is lasting with nothing left.
    SAllowanceState edge = CAllowance(30 * kHour, CPeriod::kMonth, "", 80, 0, 1).Compute(log, now);
    EXPECT_EQ(edge.pace, SAllowanceState::kLasts);
    EXPECT_EQ(edge.percentLeftAtEnd, 0);

    SAllowanceState idle = CAllowance(60 * kHour, CPeriod::kMonth, "B", 80, 0, 1).Compute(log, now);
    EXPECT_EQ(idle.pace, SAllowanceState::kLasts);
    EXPECT_EQ(idle.percentLeftAtEnd, 100);

    // Twenty hours more in the log: the rate so far runs out on the 21st.
    Add(At(2024, 4, 6, 0), 20 * kHour, "A");
    SAllowanceState runs = CAllowance(60 * kHour, CPeriod::kMonth, "", 80, 0, 1).Compute(Load(), now);
    ASSERT_EQ(runs.pace, SAllowanceState::kRunsOut);
    EXPECT_EQ(runs.runsOut, At(2024, 4, 21));
}

TEST_F(AllowanceTest, PaceCountsRealHoursOnDaylightSavingDays)
{
    // 06:00 on the short day is five hours after midnight, in a day of 23.
    const CTime spring = At(2024, 3, 31, 6);
    Add(spring - CTimeSpan(kHour), kHour, "A");
    // 05:00 on the long day is six hours after midnight: three hours used of ten run out
    // twenty hours in, at 19:00 local time.
    const CTime fall = At(2024, 10, 27, 5);
    Add(At(2024, 10, 27, 0), kHour, "A");     // clear of the repeated hour, which a log line
    Add(At(2024, 10, 27, 3), 2 * kHour, "A"); // cannot name twice
    CConnectionLog& log = Load();

    SAllowanceState s = CAllowance(5 * kHour, CPeriod::kDay, "", 80, 0, 1).Compute(log, spring);
    ASSERT_EQ(s.pace, SAllowanceState::kLasts);
    EXPECT_EQ(s.percentLeftAtEnd, 8); // 1 - 23/25
    SAllowanceState f = CAllowance(10 * kHour, CPeriod::kDay, "", 80, 0, 1).Compute(log, fall);
    ASSERT_EQ(f.pace, SAllowanceState::kRunsOut);
    EXPECT_EQ(f.runsOut, At(2024, 10, 27, 19));
}

TEST_F(AllowanceTest, ARunningConnectionRunsOutNoLaterThanWhatIsLeft)
{
    // A month of sixty hours, ten used on the 5th; now the 11th, 00:00.
    Add(At(2024, 4, 5, 10), 10 * kHour, "A");
    CConnectionLog& log = Load();
    const CTime now = At(2024, 4, 11);
    const CAllowance monthly(60 * kHour, CPeriod::kMonth, "A", 80, 0, 1);
    const struct
    {
        const char* pszWhat;
        const char* pszName;
        long long nRunning;
        SAllowanceState::EPace pace;
        CTime runsOut;
    } cases[] = {
        // 45 hours used in ten days runs out on the 14th at that rate; on line, 15 hours on.
        {"on line", "A", 35 * kHour, SAllowanceState::kRunsOut, At(2024, 4, 11, 15)},
        {"nearly used up", "A", 49 * kHour, SAllowanceState::kRunsOut, At(2024, 4, 11, 1)},
        // Not the counted entry: the rate so far alone, which lasts the month.
        {"another entry", "B", 35 * kHour, SAllowanceState::kLasts, CTime()},
    };
    for (const auto& c : cases) {
        CAllowance::SRunning running{c.pszName, now - CTimeSpan(c.nRunning), c.nRunning};
        const SAllowanceState s = monthly.Compute(log, now, &running);
        EXPECT_EQ(s.pace, c.pace) << c.pszWhat;
        if (c.pace == SAllowanceState::kRunsOut) {
            EXPECT_EQ(s.runsOut, c.runsOut) << c.pszWhat;
        }
    }
    // With more left than the period has, the running connection cannot use it up.
    CAllowance::SRunning hour{"A", now - CTimeSpan(kHour), kHour};
    const SAllowanceState roomy = CAllowance(31 * 24 * kHour, CPeriod::kMonth, "A", 80, 0, 1).Compute(log, now, &hour);
    EXPECT_EQ(roomy.pace, SAllowanceState::kLasts);
    EXPECT_GT(roomy.percentLeftAtEnd, 0);
}

TEST_F(AllowanceTest, NoRateAtTheVeryStartOfAPeriod)
{
    CConnectionLog& log = Load();
    const CAllowance daily(kHour, CPeriod::kDay, "", 80, 0, 1);
    const CTime start = At(2024, 4, 2);
    for (long long in : {0LL, 1LL, CAllowance::kFirstRateSeconds - 1}) {
        CAllowance::SRunning running{"A", start, in};
        SAllowanceState s = daily.Compute(log, start + CTimeSpan(in), &running);
        EXPECT_EQ(s.pace, SAllowanceState::kNoRate) << in;
        EXPECT_EQ(s.left, kHour - in);
    }
    CAllowance::SRunning minute{"A", start, CAllowance::kFirstRateSeconds};
    EXPECT_EQ(daily.Compute(log, start + CTimeSpan(CAllowance::kFirstRateSeconds), &minute).pace,
              SAllowanceState::kRunsOut);
    // Even with no time at all a used-up allowance says so.
    CAllowance::SRunning full{"A", start, kHour};
    EXPECT_EQ(daily.Compute(log, start + CTimeSpan(30), &full).pace, SAllowanceState::kUsedUp);
}

} // namespace
