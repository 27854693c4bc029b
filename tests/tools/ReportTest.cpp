#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <sstream>

#include "Clock.h"
#include "Report.h"
#include "TestSupport.h"
#include "TimeTexts.h"

namespace {

class Report : public ::testing::Test
{
protected:
    void SetUp() override
    {
        WriteFile(m_dir.File("Zelmorin.Log"), "05/03/1999 23:50:00  06/03/1999 02:15:30  02:25:30  Office\r\n"
                                              "06/03/1999 10:00:00  06/03/1999 10:00:00  00:00:00  Home\r\n"
                                              "08/03/1999 09:00:00  08/03/1999 10:00:00  01:00:00  Home, Inc\r\n"
                                              "*08/03/1999 11:00:00  08/03/1999 12:00:00  01:00:00  Office\r\n"
                                              "10/03/1999 09:00:00  10/03/1999 09:30:00  00:30:00  Office\r\n");
        m_defaults.logPath = m_dir.File("Zelmorin.Log");
    }
    void TearDown() override
    {
        SetClockHook(nullptr);
        DayDateFormat = ConnectionDateFormat = "%d/%m/%Y";
    }
    int Run(std::vector<std::string> args)
    {
        m_out.str("");
        m_err.str("");
        return CReport(m_defaults, m_out, m_err).Run(args);
    }

    CScopedTimeZone m_zone{"Europe/Rome"};
    CTempDir m_dir;
    SReportDefaults m_defaults;
    std::ostringstream m_out, m_err;
};

TEST_F(Report, Totals)
{
    ASSERT_EQ(Run({"--now", "1999-03-10 12:00:00", "--week-start", "1", "totals"}), 0);
    EXPECT_EQ(m_out.str(), "Total 03:55:30\nToday 00:30:00\nWeek 01:30:00\nMonth 03:55:30\n");
    ASSERT_EQ(Run({"--now", "1999-03-10 12:00:00", "--entry", "Office", "--month-start", "6", "totals"}), 0);
    EXPECT_EQ(m_out.str(), "Total 02:55:30\nToday 00:30:00\nWeek 00:30:00\nMonth 00:30:00\n");
    EXPECT_EQ(m_err.str(), "");
}

TEST_F(Report, DefaultsComeFromTheCaller)
{
    m_defaults.weekStart = 1;
    m_defaults.entry = "Office";
    ASSERT_EQ(Run({"--now", "1999-03-10 12:00:00", "totals"}), 0);
    EXPECT_NE(m_out.str().find("Week 00:30:00\n"), std::string::npos) << m_out.str();
}

TEST_F(Report, TreeLeavesOutZeroTotals)
{
    ASSERT_EQ(Run({"--day-format", "%a %d", "tree"}), 0);
    EXPECT_EQ(m_out.str(), "March 1999 = 03:55:30\n  Fri 05 = 02:25:30\n  Mon 08 = 01:00:00\n  Wed 10 = 00:30:00\n");
    ASSERT_EQ(Run({"--entry", "Nobody", "tree"}), 0);
    EXPECT_EQ(m_out.str(), "");
}

TEST_F(Report, DayListsTheFilteredConnections)
{
    ASSERT_EQ(Run({"--date-format", "%Y-%m-%d", "day", "1999-03-05"}), 0);
    EXPECT_EQ(m_out.str(), "1999-03-05 23:50:00  1999-03-06 02:15:30  02:25:30  Office\n");
    ASSERT_EQ(Run({"--entry", "Office", "day", "1999-03-08"}), 0);
    EXPECT_EQ(m_out.str(), "");
    ASSERT_EQ(Run({"day", "1999-03-06"}), 0);
    EXPECT_EQ(m_out.str(), "06/03/1999 10:00:00  06/03/1999 10:00:00  00:00:00  Home\n");
}

TEST_F(Report, ExportSeparatorFollowsTheExtension)
{
    ASSERT_EQ(Run({"--entry", "Office", "export", m_dir.File("h.txt")}), 0);
    const std::string tabbed = ReadFile(m_dir.File("h.txt"));
    EXPECT_EQ(tabbed.substr(0, 60), "05/03/1999 23:50:00\t06/03/1999 02:15:30\t02:25:30\tOffice\r\n06/");
    ASSERT_EQ(Run({"export", m_dir.File("h.TXT")}), 0);
    const std::string commas = ReadFile(m_dir.File("h.TXT"));
    EXPECT_NE(commas.find("01:00:00,Home, Inc\r\n"), std::string::npos);
    // Every live connection of every entry, the deleted one left out.
    EXPECT_EQ(std::count(commas.begin(), commas.end(), '\n'), 4);
    ASSERT_EQ(Run({"export", m_dir.File("no/such/dir.csv")}), 1);
    EXPECT_NE(m_err.str().find("no/such/dir.csv"), std::string::npos);
}

TEST_F(Report, JsonHoldsMonthsDaysAndConnections)
{
    WriteFile(m_dir.File("Zelmorin.Log"), "05/03/1999 23:50:00  06/03/1999 02:15:30  02:25:30  Caf\xe9 \"A\"\r\n");
    ASSERT_EQ(Run({"json"}), 0);
    const std::string json = m_out.str();
    EXPECT_NE(json.find("\"year\": 1999, \"month\": 3, \"label\": \"March 1999 = 02:25:30\", \"total_seconds\": 8730"),
              std::string::npos)
        << json;
    EXPECT_NE(json.find("\"date\": \"1999-03-05\""), std::string::npos);
    EXPECT_NE(json.find("\"name\": \"Caf\\u00e9 \\\"A\\\"\""), std::string::npos) << json;
    EXPECT_NE(json.find("\"start\": \"1999-03-05T23:50:00\", \"end\": \"1999-03-06T02:15:30\""), std::string::npos);
}

TEST_F(Report, ExitCodes)
{
    EXPECT_EQ(Run({}), 2);
    EXPECT_EQ(Run({"frobnicate"}), 2);
    EXPECT_EQ(Run({"--week-start", "7", "totals"}), 2);
    EXPECT_EQ(Run({"--month-start", "0", "totals"}), 2);
    EXPECT_EQ(Run({"--now", "yesterday", "totals"}), 2);
    EXPECT_EQ(Run({"day"}), 2);
    EXPECT_EQ(Run({"day", "5 March"}), 2);
    EXPECT_EQ(Run({"totals", "extra"}), 2);
    EXPECT_NE(m_err.str().find("usage:"), std::string::npos);

    EXPECT_EQ(Run({"--log", m_dir.File("missing.log"), "totals"}), 1);
    EXPECT_EQ(m_err.str(),
              "zelmorin-report: cannot read " + m_dir.File("missing.log") + ": No such file or directory\n");
    EXPECT_EQ(m_out.str(), "");
}

TEST_F(Report, ImpossibleDatesAreBadUsage)
{
    for (const char* date : {"1999-02-29", "1999-02-30", "1999-04-31", "2000-02-30"})
        EXPECT_EQ(Run({"day", date}), 2) << date;
    EXPECT_EQ(Run({"day", "2000-02-29"}), 0);
    EXPECT_EQ(Run({"--now", "1999-02-30 12:00:00", "totals"}), 2);
    EXPECT_EQ(Run({"--now", "1999-06-31 12:00:00", "totals"}), 2);
}

// Whether text is valid UTF-8 as RFC 3629 has it.
bool IsValidUtf8(const std::string& text)
{
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const auto* end = p + text.size();
    while (p < end) {
        std::uint32_t cp;
        int len;
        if (*p < 0x80)
            cp = *p, len = 1;
        else if ((*p & 0xE0) == 0xC0)
            cp = *p & 0x1F, len = 2;
        else if ((*p & 0xF0) == 0xE0)
            cp = *p & 0x0F, len = 3;
        else if ((*p & 0xF8) == 0xF0)
            cp = *p & 0x07, len = 4;
        else
            return false;
        if (end - p < len)
            return false;
        for (int i = 1; i < len; ++i) {
            if ((p[i] & 0xC0) != 0x80)
                return false;
            cp = cp << 6 | (p[i] & 0x3F);
        }
        static const std::uint32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
        if (cp < least[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        p += len;
    }
    return true;
}

TEST_F(Report, JsonIsValidUtf8WhateverBytesTheNamesHold)
{
    const std::string names[] = {
        "\xED\xA0\x80",                           // a surrogate
        "\xC0\xAF",                               // overlong "/"
        "\xE0\x80\xAF",                           // overlong "/"
        "\xF0\x80\x80\xAF",                       // overlong "/"
        "\xF4\x90\x80\x80",                       // above U+10FFFF
        "\xF8\x88\x80\x80\x80",                   // five bytes
        "\xE2\x82",                               // cut short
        "\xE2\x82\xAC \xF0\x9F\x98\x80 \xC3\xA9", // valid: kept as it is
    };
    std::string log;
    for (const std::string& name : names)
        log += "05/03/1999 10:00:00  05/03/1999 11:00:00  01:00:00  " + name + "\r\n";
    WriteFile(m_dir.File("Zelmorin.Log"), log);
    ASSERT_EQ(Run({"json"}), 0);
    EXPECT_TRUE(IsValidUtf8(m_out.str()));
    // Every byte outside a valid character is its Latin-1 character.
    EXPECT_NE(m_out.str().find("\"\\u00ed\\u00a0\\u0080\""), std::string::npos) << m_out.str();
    EXPECT_NE(m_out.str().find("\"\\u00f4\\u0090\\u0080\\u0080\""), std::string::npos);
    EXPECT_NE(m_out.str().find("\"\xE2\x82\xAC \xF0\x9F\x98\x80 \xC3\xA9\""), std::string::npos);
}

TEST_F(Report, AFailedWriteOfTheReportIsAFailure)
{
    std::ostream broken(nullptr); // every write fails
    EXPECT_EQ(CReport(m_defaults, broken, m_err).Run({"json"}), 1);
    EXPECT_NE(m_err.str().find("cannot write to standard output"), std::string::npos);
}

TEST_F(Report, ExportOntoTheLogItselfIsRefused)
{
    const std::string before = ReadFile(m_dir.File("Zelmorin.Log"));
    EXPECT_EQ(Run({"export", m_dir.File("Zelmorin.Log")}), 1);
    EXPECT_NE(m_err.str().find("connection log"), std::string::npos) << m_err.str();
    EXPECT_EQ(ReadFile(m_dir.File("Zelmorin.Log")), before);
}

TEST_F(Report, UnreadLinesAreCountedAndTheRestShown)
{
    WriteFile(m_dir.File("Zelmorin.Log"), "garbage\r\n05/03/1999 23:50:00  06/03/1999 02:15:30  x  Office\r\n\r\n");
    ASSERT_EQ(Run({"tree"}), 0);
    EXPECT_EQ(m_err.str(), "2 lines could not be read\n");
    EXPECT_EQ(m_out.str(), "March 1999 = 02:25:30\n  05/03/1999 = 02:25:30\n");
}

} // namespace
