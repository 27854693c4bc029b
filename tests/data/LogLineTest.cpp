#include <gtest/gtest.h>

#include "Connection.h"
#include "LogLineParser.h"
#include "TestSupport.h"

namespace {

class LogLine : public ::testing::Test
{
protected:
    CScopedTimeZone m_zone{"Europe/Rome"};
};

TEST_F(LogLine, WorkedExampleRoundTrips)
{
    const std::string line = "05/03/1999 23:50:00  06/03/1999 02:15:30  02:25:30  Office";
    auto record = CConnection::FromLine(line);
    ASSERT_TRUE(record);
    EXPECT_EQ(record->GetStart(), CTime(1999, 3, 5, 23, 50, 0));
    EXPECT_EQ(record->GetEnd(), CTime(1999, 3, 6, 2, 15, 30));
    EXPECT_EQ(record->m_strName, "Office");
    EXPECT_EQ(record->m_bDeleted, 0);
    EXPECT_EQ(record->FormatLine("  "), line + "\r\n");

    auto deleted = CConnection::FromLine("*" + line);
    ASSERT_TRUE(deleted);
    EXPECT_EQ(deleted->m_bDeleted, 1);
    EXPECT_EQ(deleted->FormatLine("  "), "*" + line + "\r\n");
}

TEST_F(LogLine, LinesPast2038RoundTrip)
{
    const struct
    {
        const char* pszLine;
        std::int64_t nStart, nLength;
    } cases[] = {
        // The first second past 32 signed bits, in Rome.
        {"19/01/2038 04:14:08  19/01/2038 05:00:00  00:45:52  Office", 2147483648, 2752},
        {"07/02/2106 07:28:16  07/02/2106 08:28:16  01:00:00  Office", 4294967296, 3600},
        {"31/12/9999 22:00:00  31/12/9999 23:59:59  01:59:59  Office", 253402290000, 7199},
    };
    for (const auto& c : cases) {
        auto record = CConnection::FromLine(c.pszLine);
        ASSERT_TRUE(record) << c.pszLine;
        EXPECT_EQ(record->GetStart().GetTime(), c.nStart);
        EXPECT_EQ(record->GetDuration().GetTotalSeconds(), c.nLength);
        EXPECT_EQ(record->FormatLine("  "), std::string(c.pszLine) + "\r\n");
        // Written back after an edit, the instants keep every bit.
        record->SetEnd(record->GetEnd() - CTimeSpan(1));
        EXPECT_EQ(record->GetDuration().GetTotalSeconds(), c.nLength - 1);
    }
}

TEST_F(LogLine, DurationFieldIsIgnoredAndNamesKeepTheirBlanks)
{
    auto record = CConnection::FromLine("05/03/1999 23:50:00  06/03/1999 02:15:30  99:00:00  My  ISP");
    ASSERT_TRUE(record);
    EXPECT_EQ(record->GetDurationText(), "02:25:30");
    EXPECT_EQ(record->m_strName, "My  ISP");

    auto empty = CConnection::FromLine("05/03/1999 23:50:00  06/03/1999 02:15:30  02:25:30  ");
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty->m_strName, "");
}

TEST_F(LogLine, ReadsWhatTheCLibraryScanWouldRead)
{
    // Unpadded numbers, and a tab between date and time, are read as numbers are read.
    auto record = CConnection::FromLine("5/3/1999 9:07:09  5/3/1999\t10:7:9  x  Home");
    ASSERT_TRUE(record);
    EXPECT_EQ(record->GetStart(), CTime(1999, 3, 5, 9, 7, 9));
    EXPECT_EQ(record->GetEnd(), CTime(1999, 3, 5, 10, 7, 9));
    // A digit right after the seconds belongs to them, as the scan reads it.
    auto longer = CConnection::FromLine("05/03/1999 09:07:091  05/03/1999 10:00:00  x  Home");
    ASSERT_TRUE(longer);
    EXPECT_EQ(longer->GetStart(), CTime(1999, 3, 5, 9, 8, 31));
    // Fields out of range carry as they do when composing.
    auto carried = CConnection::FromLine("31/04/1999 24:00:00  01/05/1999 01:00:00  x  Home");
    ASSERT_TRUE(carried);
    EXPECT_EQ(carried->GetStart(), CTime(1999, 5, 2, 0, 0, 0));
}

TEST_F(LogLine, LinesOffTheFormatAreNotRecords)
{
    const char* bad[] = {
        "",
        "*",
        "05/03/1999 23:50:00  06/03/1999 02:15:30",            // two separators only
        "05/03/1999 23:50:00  06/03/1999 02:15:30 02:25:30 x", // single blanks
        "05/03/1999  06/03/1999 02:15:30  02:25:30  x",        // start without a time
        "05/03/1999 23:50  06/03/1999 02:15:30  02:25:30  x",  // five numbers
        "aa/03/1999 23:50:00  06/03/1999 02:15:30  02:25:30  x",
        "05/03/1969 23:50:00  06/03/1999 02:15:30  02:25:30  x",   // before 1970
        "05/03/10000 23:50:00  06/03/10000 02:15:30  02:25:30  x", // after 9999
        "05/03/99999999999 23:50:00  06/03/1999 02:15:30  02:25:30  x",
    };
    for (const char* line : bad)
        EXPECT_FALSE(CConnection::FromLine(line)) << line;
}

TEST_F(LogLine, ParserGivesTheStartDayForTheIndex)
{
    CLogLineParser parser;
    SLogLine parsed;
    ASSERT_TRUE(parser.Parse("31/03/1999 23:59:59  01/04/1999 00:00:10  x  a", parsed));
    EXPECT_EQ(parsed.startYear, 1999);
    EXPECT_EQ(parsed.startMonth, 3);
    EXPECT_EQ(parsed.startDay, 31);
    // 02:30 on the spring change day does not exist; the instant is 03:30 the same day.
    ASSERT_TRUE(parser.Parse("28/03/2021 02:30:00  28/03/2021 04:00:00  x  a", parsed));
    EXPECT_EQ(parsed.startDay, 28);
    EXPECT_EQ(CTime(parsed.start).GetHour(), 3);
    // 32 January is 1 February.
    ASSERT_TRUE(parser.Parse("32/01/2000 10:00:00  32/01/2000 11:00:00  x  a", parsed));
    EXPECT_EQ(parsed.startMonth, 2);
    EXPECT_EQ(parsed.startDay, 1);
}

} // namespace
