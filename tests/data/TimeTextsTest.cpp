#include <gtest/gtest.h>

#include "Connection.h"
#include "LogLineParser.h"
#include "TestSupport.h"
#include "Time.h"
#include "TimeTexts.h"

namespace {

class TimeTexts : public ::testing::Test
{
protected:
    void TearDown() override
    {
        DayDateFormat = "%d/%m/%Y";
        ConnectionDateFormat = "%d/%m/%Y";
    }
    CScopedTimeZone m_zone{"Europe/Rome"};
};

TEST_F(TimeTexts, DurationKeepsWholeHoursAndNegativeParts)
{
    struct
    {
        long long seconds;
        const char* text;
    } cases[] = {{0, "00:00:00"},     {59, "00:00:59"},
                 {3600, "01:00:00"},  {86400, "24:00:00"},
                 {93909, "26:05:09"}, {360000, "100:00:00"},
                 {-65, "00:-1:-5"},   {-3661, "-1:-1:-1"},
                 {8730, "02:25:30"},  {4294967296LL, "1193046:28:16"}};
    for (const auto& c : cases)
        EXPECT_EQ(FormatDuration(CTimeSpan(c.seconds)), c.text) << c.seconds;
}

TEST_F(TimeTexts, SpanPatternCopiesOtherCharacters)
{
    EXPECT_EQ(CTimeSpan(3725).Format("[%M|%S] %H %%"), "[02|05] %H %%");
    EXPECT_EQ(CTimeSpan(0, 1, 2, 3).GetTotalSeconds(), 3723);
    EXPECT_EQ(CTimeSpan(2, 0, 0, 1).GetTotalSeconds(), 2 * 86400 + 1);
}

TEST_F(TimeTexts, ComposeCarriesFieldsOutOfRange)
{
    EXPECT_EQ(CTime(1999, 13, 1, 0, 0, 0), CTime(2000, 1, 1, 0, 0, 0));
    EXPECT_EQ(CTime(1999, 1, 32, 0, 0, 0), CTime(1999, 2, 1, 0, 0, 0));
    EXPECT_EQ(CTime(1999, 3, 5, 24, 0, 0), CTime(1999, 3, 6, 0, 0, 0));
    CTime t(1999, 3, 5, 14, 7, 9);
    EXPECT_EQ(t.GetYear(), 1999);
    EXPECT_EQ(t.GetMonth(), 3);
    EXPECT_EQ(t.GetDay(), 5);
    EXPECT_EQ(t.GetHour(), 14);
    EXPECT_EQ(t.GetMinute(), 7);
    EXPECT_EQ(t.GetSecond(), 9);
    EXPECT_EQ(t.GetWeekday(), 5);      // a Friday
    EXPECT_EQ(t.GetTime(), 920639229); // 13:07:09 UTC
}

TEST_F(TimeTexts, ValidRangeRunsToTheYear9999)
{
    CScopedTimeZone utc("UTC");
    EXPECT_TRUE(CTime(1970, 1, 1, 0, 0, 0).IsValid());
    EXPECT_TRUE(CTime(2038, 1, 19, 3, 14, 8).IsValid());
    EXPECT_TRUE(CTime(2106, 2, 7, 6, 28, 16).IsValid());
    EXPECT_TRUE(CTime(9999, 12, 31, 23, 59, 59).IsValid());
    EXPECT_FALSE(CTime(10000, 1, 1, 0, 0, 0).IsValid());
    EXPECT_FALSE(CTime(1969, 12, 31, 23, 59, 59).IsValid());
    EXPECT_FALSE((CTime(9999, 12, 31, 23, 59, 59) + CTimeSpan(1)).IsValid());
    EXPECT_EQ(CTime(2038, 1, 19, 4, 0, 0).Format("%d/%m/%Y %H:%M:%S"), "19/01/2038 04:00:00");
}

TEST_F(TimeTexts, RepeatedLocalHourGivesTheEarlierInstantWhateverCameBefore)
{
    // 31 October 2021, 02:30 occurs twice in Rome: 00:30 UTC (summer time) and 01:30 UTC.
    const std::int64_t earlier = 1635640200;
    CTime(2021, 7, 1, 0, 0, 0);
    EXPECT_EQ(CTime(2021, 10, 31, 2, 30, 0).GetTime(), earlier);
    CTime(2021, 1, 1, 0, 0, 0);
    EXPECT_EQ(CTime(2021, 10, 31, 2, 30, 0).GetTime(), earlier);
    // A time in the spring gap moves forward: 02:30 on 28 March 2021 is 03:30 summer time.
    EXPECT_EQ(CTime(2021, 3, 28, 2, 30, 0).GetHour(), 3);
}

TEST_F(TimeTexts, CarryOutOfTheRepeatedHourIsOneInstantWhateverCameBefore)
{
    // 31 October 1999, 02:00 to 03:00 occurs twice in Rome; 30991 seconds carry the time out of
    // it, to 10:36:31 winter time.
    const std::int64_t expected = 941362591;
    for (auto before : {CTime(1999, 7, 1, 0, 0, 0), CTime(1999, 1, 1, 0, 0, 0), CTime(1999, 10, 31, 2, 30, 0)}) {
        (void)before;
        EXPECT_EQ(CTime(1999, 10, 31, 2, 0, 30991).GetTime(), expected);
    }
    CLogLineParser parser;
    SLogLine line;
    for (const char* previous : {"01/07/1999 12:00:00  01/07/1999 13:00:00  01:00:00  Summer",
                                 "01/01/1999 12:00:00  01/01/1999 13:00:00  01:00:00  Winter"}) {
        ASSERT_TRUE(parser.Parse(previous, line));
        ASSERT_TRUE(parser.Parse("31/10/1999 02:00:30991  31/10/1999 11:00:00  00:00:00  Carry", line));
        EXPECT_EQ(line.start, expected) << previous;
    }
}

TEST_F(TimeTexts, FormatGivesEmptyTextForEmptyResults)
{
    CTime t(1999, 3, 5, 14, 7, 9);
    EXPECT_EQ(t.Format(""), "");
    EXPECT_EQ(t.Format("%d, %A"), "05, Friday");
    std::string longPattern(300, 'x');
    EXPECT_EQ(t.Format(longPattern + "%Y"), longPattern + "1999");
}

TEST_F(TimeTexts, DateTimeTextFollowsTheCurrentSetting)
{
    CConnection record(CTime(1999, 3, 5, 23, 50, 0), CTime(1999, 3, 6, 2, 15, 30), "Office");
    EXPECT_EQ(record.GetDuration().GetTotalSeconds(), 8730);
    EXPECT_EQ(record.GetDurationText(), "02:25:30");
    EXPECT_EQ(record.GetStartText(), "05/03/1999 23:50:00");
    EXPECT_EQ(record.GetEndText(), "06/03/1999 02:15:30");
    EXPECT_EQ(record.m_bDeleted, 0);

    ConnectionDateFormat = "%m/%d/%Y";
    EXPECT_EQ(record.GetStartText(), "03/05/1999 23:50:00");
    ConnectionDateFormat = "";
    EXPECT_EQ(FormatDateTime(CTime(1999, 3, 5, 14, 7, 9)), " 14:07:09");
}

TEST_F(TimeTexts, RecordEndingBeforeItStartsLastsNoTime)
{
    CConnection record(CTime(1999, 3, 5, 10, 1, 5), CTime(1999, 3, 5, 10, 0, 0), "");
    EXPECT_EQ(record.GetDuration().GetTotalSeconds(), 0);
    EXPECT_EQ(record.GetDurationText(), "00:00:00");
    // The instants stay as they were read: only an edit changes them.
    EXPECT_EQ(record.FormatLine("  "), "05/03/1999 10:01:05  05/03/1999 10:00:00  00:00:00  \r\n");
}

TEST_F(TimeTexts, RecordRefusesInstantsItCannotStore)
{
    CConnection record(CTime(1999, 3, 5, 10, 0, 0), CTime(1999, 3, 5, 11, 0, 0), "Office");
    EXPECT_THROW(record.SetEnd(CTime(CTime::kMax + 1)), std::out_of_range);
    EXPECT_EQ(record.GetEnd(), CTime(1999, 3, 5, 11, 0, 0));
    EXPECT_THROW(CConnection(CTime(-1), CTime(0), "x"), std::out_of_range);
}

} // namespace
