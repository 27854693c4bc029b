#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <memory>

#include "ConnectionLog.h"
#include "TestSupport.h"
#include "TimeTexts.h"

namespace {

enum
{
    kTotal = 0,
    kToday = 1,
    kWeek = 2,
    kMonth = 3
};

class PeriodTotal : public ::testing::Test
{
protected:
    void TearDown() override { DayDateFormat = "%d/%m/%Y"; }

    // One connection of `hours` hours starting at 10:00 on each given day (y, m, d).
    void Days(std::initializer_list<std::array<int, 3>> days, int hours = 1, const char* name = "Office")
    {
        for (const auto& d : days) {
            char line[128];
            std::snprintf(line, sizeof line, "%02d/%02d/%04d 10:00:00  %02d/%02d/%04d %02d:00:00  x  %s\r\n", d[2],
                          d[1], d[0], d[2], d[1], d[0], 10 + hours, name);
            m_text += line;
        }
    }
    CConnectionLog& Load()
    {
        WriteFile(m_dir.File("log"), m_text);
        m_log = std::make_unique<CConnectionLog>(m_dir.File("log"));
        return *m_log;
    }
    // The total in whole hours at the given local noon.
    long Hours(int type, int y, int m, int d, int weekStart = 0, int monthStart = 1, const std::string& filter = "")
    {
        CScopedClock clock(CTime(y, m, d, 12, 0, 0).GetTime());
        return static_cast<long>(m_log->GetPeriodTotal(type, filter, weekStart, monthStart).GetTotalSeconds() / 3600);
    }

    CScopedTimeZone m_zone{"Europe/Rome"};
    CTempDir m_dir;
    std::string m_text;
    std::unique_ptr<CConnectionLog> m_log;
};

TEST_F(PeriodTotal, ConnectionsCountForTheDayTheyStart)
{
    m_text = "31/03/1999 23:00:00  01/04/1999 01:00:00  x  A\r\n"
             "01/04/1999 00:00:00  01/04/1999 00:00:30  x  A\r\n"
             "30/04/1999 23:59:59  01/05/1999 00:00:29  x  A\r\n";
    CConnectionLog& log = Load();
    ASSERT_EQ(log.GetMonthCount(), 2);
    EXPECT_EQ(log.FindMonth(1999, 3)->GetTotal("").GetTotalSeconds(), 7200);
    EXPECT_EQ(log.FindMonth(1999, 3)->FindDay(31)->GetTotal("").GetTotalSeconds(), 7200);
    EXPECT_EQ(log.FindMonth(1999, 4)->FindDay(1)->GetTotal("").GetTotalSeconds(), 30);
    EXPECT_EQ(log.FindMonth(1999, 4)->FindDay(30)->GetTotal("").GetTotalSeconds(), 30);
    EXPECT_EQ(log.FindMonth(1999, 5), nullptr);
}

TEST_F(PeriodTotal, FilterDeletedAndNegativeDurations)
{
    Days({{{1999, 3, 5}}}, 1, "Office");
    Days({{{1999, 3, 5}}}, 2, "Home");
    m_text += "*05/03/1999 10:00:00  05/03/1999 18:00:00  x  Office\r\n";
    m_text += "05/03/1999 10:00:00  05/03/1999 09:30:00  x  Back\r\n";
    CConnectionLog& log = Load();
    const CLogDay* day = log.FindMonth(1999, 3)->FindDay(5);
    EXPECT_EQ(day->GetTotal("Office").GetTotalSeconds(), 3600);
    EXPECT_EQ(day->GetTotal("office").GetTotalSeconds(), 0);
    // The record that ends before it starts lasts no time; it does not take from the others.
    EXPECT_EQ(day->GetTotal("").GetTotalSeconds(), 3 * 3600);
    EXPECT_EQ(day->GetTotal("Back").GetTotalSeconds(), 0);
    EXPECT_EQ(day->GetText("Back"), "05/03/1999 = 00:00:00");
    EXPECT_EQ(log.GetTotal("Nobody").GetTotalSeconds(), 0);
    EXPECT_EQ(day->GetText("Office"), "05/03/1999 = 01:00:00");
}

TEST_F(PeriodTotal, AnEndInTheRepeatedHourCountsNoTime)
{
    // Dialled at 01:50 before the clocks went back, hung up at 01:24 after: the log's end reads
    // as the first 01:24, before the start.
    CScopedTimeZone zone("America/New_York");
    m_text = "03/11/2024 01:50:00  03/11/2024 01:24:00  00:34:00  A\r\n"
             "03/11/2024 09:00:00  03/11/2024 09:10:00  00:10:00  A\r\n";
    CConnectionLog& log = Load();
    const CLogDay* day = log.FindMonth(2024, 11)->FindDay(3);
    ASSERT_NE(day, nullptr);
    EXPECT_EQ(day->GetTotal("A").GetTotalSeconds(), 600);
    EXPECT_EQ(day->GetText("A"), "03/11/2024 = 00:10:00");
    CScopedClock clock(CTime(2024, 11, 3, 12, 0, 0).GetTime());
    EXPECT_EQ(log.GetPeriodTotal(kToday, "", 0, 1).GetTotalSeconds(), 600);
}

TEST_F(PeriodTotal, Labels)
{
    m_text = "05/03/1999 10:00:00  06/03/1999 12:05:09  x  A\r\n"
             "05/03/1999 20:00:00  05/03/1999 22:25:30  x  B\r\n";
    CConnectionLog& log = Load();
    EXPECT_EQ(log.FindMonth(1999, 3)->GetText(""), "March 1999 = 28:30:39");
    EXPECT_EQ(log.FindMonth(1999, 3)->GetText("B"), "March 1999 = 02:25:30");
    DayDateFormat = "%d, %A";
    EXPECT_EQ(log.FindMonth(1999, 3)->FindDay(5)->GetText("B"), "05, Friday = 02:25:30");
}

// In the C locale the C library's names are the built-in ones; a month out of range has none.
TEST_F(PeriodTotal, LocalMonthNamesInTheCLocale)
{
    m_text = "05/09/1999 10:00:00  05/09/1999 11:00:00  x  A\r\n";
    CConnectionLog& log = Load();
    EXPECT_EQ(log.FindMonth(1999, 9)->GetText("", true), "September 1999 = 01:00:00");
    for (int month = 1; month <= 12; ++month)
        EXPECT_EQ(CLogMonth::LocalMonthName(month), CLogMonth::MonthName(month)) << month;
    EXPECT_EQ(CLogMonth::LocalMonthName(0), "");
    EXPECT_EQ(CLogMonth::LocalMonthName(13), "");
}

TEST_F(PeriodTotal, TodayAndOutOfRangeTypes)
{
    Days({{{1999, 3, 5}}, {{1999, 3, 6}}}, 2);
    Load();
    EXPECT_EQ(Hours(kToday, 1999, 3, 5), 2);
    EXPECT_EQ(Hours(kToday, 1999, 3, 7), 0);
    EXPECT_EQ(Hours(kTotal, 1999, 3, 7), 4);
    EXPECT_EQ(Hours(4, 1999, 3, 5), 0);
    EXPECT_EQ(Hours(-1, 1999, 3, 5), 0);
}

TEST_F(PeriodTotal, MonthRuleAcrossMonthAndYearEnds)
{
    Days({{{1999, 5, 14}},
          {{1999, 5, 15}},
          {{1999, 5, 31}},
          {{1999, 6, 1}},
          {{1999, 6, 14}},
          {{1999, 6, 15}},
          {{1999, 6, 30}},
          {{1999, 12, 14}},
          {{1999, 12, 15}},
          {{1999, 12, 31}},
          {{2000, 1, 5}},
          {{2000, 1, 20}}});
    Load();
    EXPECT_EQ(Hours(kMonth, 1999, 6, 10, 0, 15), 6); // all of June and 15-31 May
    EXPECT_EQ(Hours(kMonth, 1999, 6, 20, 0, 15), 2); // 15-30 June
    EXPECT_EQ(Hours(kMonth, 2000, 1, 10, 0, 15), 4); // January 2000 and 15-31 December 1999
    EXPECT_EQ(Hours(kMonth, 1999, 6, 20, 0, 1), 4);  // the calendar month, future days included
}

TEST_F(PeriodTotal, MonthStartBeyondShortMonths)
{
    Days({{{1999, 3, 30}}, {{1999, 3, 31}}, {{1999, 4, 1}}, {{1999, 4, 30}}, {{1999, 2, 28}}});
    Load();
    EXPECT_EQ(Hours(kMonth, 1999, 4, 30, 0, 31), 3); // April and 31 March
    EXPECT_EQ(Hours(kMonth, 1999, 3, 1, 0, 30), 2);  // March; February has no 30th
}

TEST_F(PeriodTotal, WeekRule)
{
    Days({{{1999, 2, 27}},
          {{1999, 2, 28}},
          {{1999, 3, 1}},
          {{1999, 3, 7}},
          {{1999, 3, 8}},
          {{1999, 3, 9}},
          {{1999, 3, 10}},
          {{1999, 3, 11}}});
    Load();
    // Monday start, Wednesday 10 March: 8, 9 and 10 March.
    EXPECT_EQ(Hours(kWeek, 1999, 3, 10, 1), 3);
    // Sunday start, Tuesday 2 March: the week began 28 February, so all of March counts.
    EXPECT_EQ(Hours(kWeek, 1999, 3, 2, 0), 1 + 6);
    // Today is the week's first day.
    EXPECT_EQ(Hours(kWeek, 1999, 3, 8, 1), 1);
    // A start outside 0-6 counts as Sunday.
    EXPECT_EQ(Hours(kWeek, 1999, 3, 10, 9), Hours(kWeek, 1999, 3, 10, 0));
    EXPECT_EQ(Hours(kWeek, 1999, 3, 10, -3), 4);
}

TEST_F(PeriodTotal, WeekAcrossTheYearEnd)
{
    Days({{{1999, 12, 26}}, {{1999, 12, 31}}, {{2000, 1, 1}}, {{2000, 1, 20}}});
    Load();
    // Sunday 26 December 1999 starts the week of Saturday 1 January 2000.
    EXPECT_EQ(Hours(kWeek, 2000, 1, 1, 0), 4);
}

TEST_F(PeriodTotal, WeekAfterAShortDaylightSavingNight)
{
    // Sunday 28 March 2021 had 23 hours in Rome. At 00:30 on Monday a week starting Sunday
    // began the day before, not eight days before.
    Days({{{2021, 3, 21}}, {{2021, 3, 27}}, {{2021, 3, 28}}, {{2021, 3, 29}}});
    Load();
    CScopedClock clock(CTime(2021, 3, 29, 0, 30, 0).GetTime());
    EXPECT_EQ(m_log->GetPeriodTotal(kWeek, "", 0, 1).GetTotalSeconds(), 2 * 3600);
}

} // namespace
