#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <sstream>

#include "Checkpoint.h"
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

TEST_F(Report, RunsPast2038)
{
    WriteFile(m_dir.File("Zelmorin.Log"), "19/01/2038 04:00:00  19/01/2038 05:00:00  01:00:00  Office\r\n"
                                          "31/12/9999 10:00:00  31/12/9999 10:30:00  00:30:00  Office\r\n");
    for (const auto& [now, today] :
         {std::pair{"2038-01-19 12:00:00", "01:00:00"}, std::pair{"9999-12-31 12:00:00", "00:30:00"}}) {
        ASSERT_EQ(Run({"--now", now, "totals"}), 0) << m_err.str();
        EXPECT_EQ(m_out.str(),
                  std::string("Total 01:30:00\nToday ") + today + "\nWeek " + today + "\nMonth " + today + "\n");
        EXPECT_EQ(m_err.str(), "");
    }
    EXPECT_EQ(Run({"--now", "10000-01-01 00:00:00", "totals"}), 2);
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
    EXPECT_NE(commas.find("01:00:00,\"Home, Inc\"\r\n"), std::string::npos); // quoted as the History quotes it
    // Every live connection of every entry, the deleted one left out.
    EXPECT_EQ(std::count(commas.begin(), commas.end(), '\n'), 4);
    ASSERT_EQ(Run({"export", m_dir.File("no/such/dir.csv")}), 1);
    EXPECT_NE(m_err.str().find("no/such/dir.csv"), std::string::npos);
}

// Names come from strangers: a spreadsheet must not take one for a formula.
TEST_F(Report, ExportedNamesNeverStartAFormula)
{
    struct
    {
        std::string name, comma, tab;
    } cases[] = {
        {"=HYPERLINK(\"http://x\")", "\"'=HYPERLINK(\"\"http://x\"\")\"", "'=HYPERLINK(\"http://x\")"},
        {"+1+1", "'+1+1", "'+1+1"},
        {"-2+3", "'-2+3", "'-2+3"},
        {"@SUM(A1)", "'@SUM(A1)", "'@SUM(A1)"},
        {"\tcmd", "'\tcmd", "\"'\tcmd\""},
        {"\r=1", "\"'\r=1\"", "\"'\r=1\""},
        {"a=b", "a=b", "a=b"}, // only the first character counts
        {"Wi-Fi", "Wi-Fi", "Wi-Fi"},
    };
    std::string log;
    for (const auto& c : cases)
        log += "05/03/1999 10:00:00  05/03/1999 11:00:00  01:00:00  " + c.name + "\r\n";
    WriteFile(m_dir.File("Zelmorin.Log"), log);
    ASSERT_EQ(Run({"export", m_dir.File("h.csv")}), 0) << m_err.str();
    ASSERT_EQ(Run({"export", m_dir.File("h.txt")}), 0) << m_err.str();
    const std::string comma = ReadFile(m_dir.File("h.csv")), tab = ReadFile(m_dir.File("h.txt"));
    for (const auto& c : cases) {
        EXPECT_NE(comma.find(",01:00:00," + c.comma + "\r\n"), std::string::npos) << c.name << "\n" << comma;
        EXPECT_NE(tab.find("\t01:00:00\t" + c.tab + "\r\n"), std::string::npos) << c.name << "\n" << tab;
    }
    // The log's own form and JSON keep the names as they are.
    ASSERT_EQ(Run({"day", "1999-03-05"}), 0);
    EXPECT_NE(m_out.str().find("  =HYPERLINK("), std::string::npos);
    ASSERT_EQ(Run({"json"}), 0);
    EXPECT_NE(m_out.str().find("\"+1+1\""), std::string::npos);
}

// Names come from strangers: the plain-text output never sends a terminal a control sequence.
TEST_F(Report, DayEscapesControlCharactersInNames)
{
    struct
    {
        std::string name, shown;
    } cases[] = {
        {"\x1B]0;owned\x07Title", "\\x1B]0;owned\\x07Title"},
        {"\x1B[2J\x1B[31mRed", "\\x1B[2J\\x1B[31mRed"},
        {"a\x7F"
         "b\x08",
         "a\\x7Fb\\x08"},
        {"C1 \xC2\x9B"
         "31m",
         "C1 \\xC2\\x9B31m"}, // CSI written in UTF-8
        {"Latin-1 \x9B"
         "31m",
         "Latin-1 \\x9B31m"},                                                                       // CSI as one byte
        {"caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80", "caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80"}, // kept
        {"\xE9t\xE9", "\xE9t\xE9"}, // Latin-1 letters kept
        {"DOMAIN\\user", "DOMAIN\\user"},
    };
    std::string log, expected;
    for (const auto& c : cases) {
        log += "05/03/1999 10:00:00  05/03/1999 11:00:00  01:00:00  " + c.name + "\r\n";
        expected += "05/03/1999 10:00:00  05/03/1999 11:00:00  01:00:00  " + c.shown + "\n";
    }
    WriteFile(m_dir.File("Zelmorin.Log"), log);
    ASSERT_EQ(Run({"day", "1999-03-05"}), 0) << m_err.str();
    EXPECT_EQ(m_out.str(), expected);
    // The export keeps the exact bytes.
    ASSERT_EQ(Run({"export", m_dir.File("h.csv")}), 0);
    EXPECT_NE(ReadFile(m_dir.File("h.csv")).find(cases[0].name), std::string::npos);
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
    EXPECT_NE(json.find("\"name\": \"Caf\xC3\xA9 \\\"A\\\"\""), std::string::npos) << json;
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

    // A log that cannot be read fails; one that does not exist yet holds nothing (see below).
    EXPECT_EQ(Run({"--log", m_dir.Path(), "totals"}), 1);
    EXPECT_EQ(m_err.str(), "zelmorin-report: cannot read " + m_dir.Path() + ": Is a directory\n");
    EXPECT_EQ(m_out.str(), "");
    EXPECT_EQ(Run({"--log", m_dir.File("missing.log"), "totals"}), 0);
    EXPECT_EQ(m_err.str(), "");
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
    EXPECT_NE(m_out.str().find("\"\xC3\xAD\xC2\xA0\xC2\x80\""), std::string::npos) << m_out.str();
    EXPECT_NE(m_out.str().find("\"\xC3\xB4\xC2\x90\xC2\x80\xC2\x80\""), std::string::npos);
    EXPECT_NE(m_out.str().find("\"\xE2\x82\xAC \xF0\x9F\x98\x80 \xC3\xA9\""), std::string::npos);
}

TEST_F(Report, JsonLayoutIsStable)
{
    WriteFile(m_dir.File("Zelmorin.Log"), "05/03/1999 23:50:00  06/03/1999 02:15:30  02:25:30  Office\r\n");
    ASSERT_EQ(Run({"json"}), 0);
    EXPECT_EQ(m_out.str(), R"({
  "log": ")" + m_dir.File("Zelmorin.Log") +
                               R"(",
  "entry": "",
  "total_seconds": 8730,
  "total": "02:25:30",
  "unread_lines": 0,
  "months": [
    {"year": 1999, "month": 3, "label": "March 1999 = 02:25:30", "total_seconds": 8730, "total": "02:25:30", "days": [
      {"date": "1999-03-05", "label": "05/03/1999 = 02:25:30", "total_seconds": 8730, "total": "02:25:30", "connections": [
        {"name": "Office", "start": "1999-03-05T23:50:00", "end": "1999-03-06T02:15:30", "start_epoch": 920674200, "end_epoch": 920682930, "duration_seconds": 8730, "duration": "02:25:30"}
      ]}
    ]}
  ]
}
)");
    ASSERT_EQ(Run({"--entry", "Nobody", "json"}), 0);
    EXPECT_NE(m_out.str().find("\n  \"months\": [\n  ]\n}\n"), std::string::npos) << m_out.str();
}

TEST_F(Report, JsonReadsBackAsTheNamesWere)
{
    // Quotes, backslashes, control characters, Latin-1 and UTF-8, each through a JSON reader.
    const std::pair<std::string, std::string> names[] = {
        {"Tab\there \"q\" back\\slash \x01\x1f\x7f", "Tab\there \"q\" back\\slash \x01\x1f\x7f"},
        {"Caf\xe9 \xa0\xff", "Caf\xC3\xA9 \xC2\xA0\xC3\xBF"},
        {"\xE2\x82\xAC\xE2\x82", "\xE2\x82\xAC\xC3\xA2\xC2\x82"}, // a character cut short
    };
    std::string log;
    for (const auto& name : names)
        log += "05/03/1999 10:00:00  05/03/1999 11:00:00  01:00:00  " + name.first + "\r\n";
    WriteFile(m_dir.File("Zelmorin.Log"), log);
    ASSERT_EQ(Run({"json"}), 0);
    const auto document = nlohmann::json::parse(m_out.str());
    EXPECT_EQ(document["total_seconds"], 3 * 3600);
    EXPECT_EQ(document["log"], m_dir.File("Zelmorin.Log"));
    const auto& connections = document["months"][0]["days"][0]["connections"];
    ASSERT_EQ(connections.size(), std::size(names));
    for (std::size_t i = 0; i < std::size(names); ++i)
        EXPECT_EQ(connections[i]["name"], names[i].second) << i;
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

TEST_F(Report, HelpAndVersionGoToStandardOutput)
{
    for (const char* help : {"--help", "-h"}) {
        EXPECT_EQ(Run({help}), 0) << help;
        EXPECT_EQ(m_out.str(), CReport::Usage());
        EXPECT_EQ(m_err.str(), "");
    }
    // Asked for, they win over whatever else is wrong on the line.
    EXPECT_EQ(Run({"frobnicate", "--help"}), 0);
    EXPECT_EQ(Run({"--version"}), 0);
    EXPECT_EQ(m_out.str().rfind("zelmorin-report ", 0), 0u) << m_out.str();
    EXPECT_EQ(m_out.str().back(), '\n');
    EXPECT_EQ(m_err.str(), "");

    std::ostream broken(nullptr);
    EXPECT_EQ(CReport(m_defaults, broken, m_err).Run({"--help"}), 1);
}

TEST_F(Report, OptionValuesAfterAnEqualsSignOrAlone)
{
    ASSERT_EQ(Run({"--now", "1999-03-10 12:00:00", "--week-start", "1", "--entry", "Office", "totals"}), 0);
    const std::string separate = m_out.str();
    ASSERT_EQ(Run({"--now=1999-03-10 12:00:00", "--week-start=1", "--entry=Office", "totals"}), 0);
    EXPECT_EQ(m_out.str(), separate);
    // Options may follow the command, and a value may begin with a dash or hold '='.
    ASSERT_EQ(Run({"totals", "--now=1999-03-10 12:00:00", "--week-start=1", "--entry", "Office"}), 0);
    EXPECT_EQ(m_out.str(), separate);
    ASSERT_EQ(Run({"--entry", "-x=y", "totals"}), 0);
    EXPECT_EQ(m_out.str().rfind("Total 00:00:00\n", 0), 0u);
    ASSERT_EQ(Run({"--log=" + m_dir.File("Zelmorin.Log"), "--day-format=%d.%m.", "tree"}), 0);
    EXPECT_NE(m_out.str().find("  05.03. = 02:25:30\n"), std::string::npos) << m_out.str();
}

TEST_F(Report, DoubleDashEndsTheOptions)
{
    ASSERT_EQ(Run({"--entry", "Office", "--", "day", "1999-03-10"}), 0);
    EXPECT_EQ(m_out.str(), "10/03/1999 09:00:00  10/03/1999 09:30:00  00:30:00  Office\n");
    // What follows it is an argument, however it looks.
    EXPECT_EQ(Run({"--", "--week-start", "1"}), 2);
    EXPECT_NE(m_err.str().find("unknown command --week-start"), std::string::npos) << m_err.str();
    EXPECT_EQ(Run({"totals", "--", "--now"}), 2);
    EXPECT_NE(m_err.str().find("totals takes no argument"), std::string::npos) << m_err.str();
    const std::string odd = m_dir.File("-odd.csv");
    ASSERT_EQ(Run({"export", "--", odd}), 0) << m_err.str();
    EXPECT_NE(ReadFile(odd).find("Home, Inc"), std::string::npos);
}

TEST_F(Report, BadOptionsSayWhatIsWrong)
{
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"--help=yes"}, "option --help takes no value"},
        {{"--version=2", "totals"}, "option --version takes no value"},
        {{"--bogus", "totals"}, "unknown or ambiguous option --bogus"},
        {{"--d=%d", "tree"}, "unknown or ambiguous option --d"}, // --day-format or --date-format
        {{"-q", "totals"}, "unknown option -q"},
        {{"totals", "--log"}, "option --log needs a value"},
        {{"--week-start=", "totals"}, "--week-start takes a number from 0 to 6"},
    };
    for (const auto& [args, message] : cases) {
        EXPECT_EQ(Run(args), 2) << message;
        EXPECT_EQ(m_err.str().rfind("zelmorin-report: " + message + "\n", 0), 0u) << m_err.str();
        EXPECT_NE(m_err.str().find("usage:"), std::string::npos);
        EXPECT_EQ(m_out.str(), "");
    }
    // An unambiguous prefix is the option it begins.
    EXPECT_EQ(Run({"--now=1999-03-10 12:00:00", "--ent=Office", "--week=1", "totals"}), 0);
    EXPECT_NE(m_out.str().find("Week 00:30:00\n"), std::string::npos) << m_out.str();
}

TEST_F(Report, EachRunParsesAfresh)
{
    // A run that stops inside a group of letters must leave nothing behind for the next one.
    EXPECT_EQ(Run({"-qz", "totals"}), 2);
    ASSERT_EQ(Run({"--now", "1999-03-10 12:00:00", "totals"}), 0) << m_err.str();
    EXPECT_EQ(m_out.str(), "Total 03:55:30\nToday 00:30:00\nWeek 01:30:00\nMonth 03:55:30\n");
    EXPECT_EQ(Run({"--log", m_dir.File("missing.log"), "totals"}), 0);
    ASSERT_EQ(Run({"totals"}), 0) << m_err.str(); // not the log of the run before
    EXPECT_NE(m_out.str(), "Total 00:00:00\nToday 00:00:00\nWeek 00:00:00\nMonth 00:00:00\n");
}

} // namespace

namespace {

// Sets or clears an environment variable for one scope.
class CScopedEnv
{
public:
    CScopedEnv(const char* name, const char* value) : m_name(name)
    {
        if (const char* old = std::getenv(name))
            m_old = old, m_had = true;
        if (value)
            setenv(name, value, 1);
        else
            unsetenv(name);
    }
    ~CScopedEnv()
    {
        if (m_had)
            setenv(m_name, m_old.c_str(), 1);
        else
            unsetenv(m_name);
    }

private:
    const char* m_name;
    std::string m_old;
    bool m_had = false;
};

} // namespace

TEST(ReportDataFolder, FollowsTheProgramsDataFolder)
{
    CScopedEnv home("HOME", "/home/ann");
    {
        CScopedEnv dataHome("XDG_DATA_HOME", nullptr);
        EXPECT_EQ(ReportDataFolder(""), "/home/ann/.local/share/Quillmoor/Zelmorin");
        // The App Paths value wins over the user's folder.
        EXPECT_EQ(ReportDataFolder("/srv/zelmorin"), "/srv/zelmorin");
    }
    {
        CScopedEnv dataHome("XDG_DATA_HOME", "/data/ann");
        EXPECT_EQ(ReportDataFolder(""), "/data/ann/Quillmoor/Zelmorin");
    }
    {
        CScopedEnv dataHome("XDG_DATA_HOME", "");
        EXPECT_EQ(ReportDataFolder(""), "/home/ann/.local/share/Quillmoor/Zelmorin");
        CScopedEnv noHome("HOME", nullptr);
        EXPECT_EQ(ReportDataFolder(""), "");
    }
}

namespace {

// The reporter's fixture over a log of its own.
class ReportAllowance : public Report
{
protected:
    void SetUp() override
    {
        // April 2024: ten hours of Office on the 5th, two of Home on the 8th.
        WriteFile(m_dir.File("Zelmorin.Log"), "05/04/2024 08:00:00  05/04/2024 18:00:00  10:00:00  Office\r\n"
                                              "08/04/2024 10:00:00  08/04/2024 12:00:00  02:00:00  Home\r\n");
        m_defaults.logPath = m_dir.File("Zelmorin.Log");
        m_defaults.allowanceOn = true;
        m_defaults.allowanceMinutes = 60 * 60;
        m_defaults.allowancePeriod = 3;
        m_defaults.allowanceEntry = "Office";
    }
};

TEST_F(ReportAllowance, PrintsUsedLeftPaceAndProjectedEnd)
{
    ASSERT_EQ(Run({"--now", "2024-04-11 00:00:00", "allowance"}), 0);
    EXPECT_EQ(m_out.str(), "Allowance 60:00:00 month\n"
                           "Period 2024-04-01 00:00:00 to 2024-05-01 00:00:00\n"
                           "Used 10:00:00 16 %\n"
                           "Left 50:00:00\n"
                           "Over 00:00:00\n"
                           "Warning none\n"
                           "Pace lasts 50 % left at the end\n"
                           "Projected end -\n");
    // --entry takes over from the allowance's own entry; options change the allowance.
    ASSERT_EQ(Run({"--now", "2024-04-11 00:00:00", "--entry", "", "--allowance", "1440", "--warn", "50", "allowance"}),
              CReport::kExitWarning);
    EXPECT_NE(m_out.str().find("Used 12:00:00 50 %\nLeft 12:00:00\n"), std::string::npos) << m_out.str();
    EXPECT_NE(m_out.str().find("Warning warning\nPace runs-out\nProjected end 2024-04-21 00:00:00\n"),
              std::string::npos)
        << m_out.str();
    // A week from Monday holds only the 8th; the day after is over.
    ASSERT_EQ(Run({"--now", "2024-04-09 12:00:00", "--entry=Home", "--allowance=60", "--period=week", "--week-start=1",
                   "allowance"}),
              CReport::kExitUsedUp);
    EXPECT_NE(m_out.str().find("Period 2024-04-08 00:00:00 to 2024-04-15 00:00:00\nUsed 02:00:00 200 %\n"
                               "Left 00:00:00\nOver 01:00:00\nWarning full\nPace used-up\nProjected end -\n"),
              std::string::npos)
        << m_out.str();
}

TEST_F(ReportAllowance, OffUnlessSetOrGivenAndBadValuesAreBadUsage)
{
    m_defaults.allowanceOn = false;
    ASSERT_EQ(Run({"allowance"}), 0);
    EXPECT_EQ(m_out.str(), "Allowance off\n");
    ASSERT_EQ(Run({"json"}), 0);
    EXPECT_FALSE(nlohmann::json::parse(m_out.str()).contains("allowance"));
    ASSERT_EQ(Run({"--allowance", "30", "--now", "2024-04-05 12:00:00", "--period", "day", "allowance"}),
              CReport::kExitUsedUp);
    EXPECT_NE(m_out.str().find("Used 10:00:00 2000 %"), std::string::npos) << m_out.str();

    for (std::vector<std::string> bad : {std::vector<std::string>{"--allowance", "0", "allowance"},
                                         {"--allowance", "44641", "allowance"},
                                         {"--period", "year", "allowance"},
                                         {"--warn", "100", "allowance"},
                                         {"allowance", "extra"}}) {
        EXPECT_EQ(Run(bad), 2) << bad[0];
        EXPECT_EQ(m_out.str(), "");
    }
}

TEST_F(ReportAllowance, TheExitStatusTellsTheState)
{
    // Ten hours used, warned at 80 %.
    const struct
    {
        const char* pszMinutes;
        int nExit;
        const char* pszWarning;
    } cases[] = {{"800", 0, "none"},
                 {"750", CReport::kExitWarning, "warning"},
                 {"601", CReport::kExitWarning, "warning"},
                 {"600", CReport::kExitUsedUp, "full"},
                 {"60", CReport::kExitUsedUp, "full"}};
    for (const auto& c : cases) {
        EXPECT_EQ(Run({"--now", "2024-04-11 00:00:00", "--allowance", c.pszMinutes, "allowance"}), c.nExit)
            << c.pszMinutes;
        EXPECT_NE(m_out.str().find(std::string("Warning ") + c.pszWarning + "\n"), std::string::npos) << m_out.str();
        // The other commands succeed whatever the allowance's state.
        EXPECT_EQ(Run({"--now", "2024-04-11 00:00:00", "--allowance", c.pszMinutes, "json"}), 0);
    }
}

TEST_F(ReportAllowance, CountsTheRunningConnectionFromTheCheckpoint)
{
    auto used = [this](const char* entry) {
        EXPECT_EQ(Run({"--now", "2024-04-11 00:00:00", "--entry", entry, "json"}), 0) << m_err.str();
        return nlohmann::json::parse(m_out.str())["allowance"]["used_seconds"].get<long long>();
    };
    EXPECT_EQ(used("Office"), 10 * 3600);
    // Running since 22:00, checkpointed at 23:30.
    CCheckpoint checkpoint(m_dir.Path() + "/");
    ASSERT_TRUE(checkpoint.WriteCheckpoint(CTime(2024, 4, 10, 22, 0, 0), CTime(2024, 4, 10, 23, 30, 0), "Office"));
    EXPECT_EQ(used("Office"), 10 * 3600 + 5400);
    EXPECT_EQ(used("Home"), 2 * 3600); // another entry
    EXPECT_EQ(Run({"--now", "2024-04-11 00:00:00", "allowance"}), 0);
    EXPECT_NE(m_out.str().find("Used 11:30:00 19 %\n"), std::string::npos) << m_out.str();
    // Begun before the period: the log will count it for March.
    ASSERT_TRUE(checkpoint.WriteCheckpoint(CTime(2024, 3, 31, 22, 0, 0), CTime(2024, 4, 1, 1, 0, 0), "Office"));
    EXPECT_EQ(used("Office"), 10 * 3600);

    // A checkpoint the log already holds (a stopped program's, logged at its next start)
    // counts once.
    ASSERT_TRUE(checkpoint.WriteCheckpoint(CTime(2024, 4, 10, 22, 0, 0), CTime(2024, 4, 10, 23, 30, 0), "Office"));
    WriteFile(m_dir.File("Zelmorin.Log"),
              ReadFile(m_dir.File("Zelmorin.Log")) + "10/04/2024 22:00:00  10/04/2024 23:30:00  01:30:00  Office\r\n");
    EXPECT_EQ(used("Office"), 10 * 3600 + 5400);
    // One that cannot be decoded counts nothing and leaves the report working.
    WriteFile(checkpoint.GetPath(), "torn");
    EXPECT_EQ(used("Office"), 10 * 3600 + 5400);
    EXPECT_EQ(m_err.str(), "");
}

TEST_F(ReportAllowance, NoLogYetIsZerosAndSuccess)
{
    m_defaults.logPath = m_dir.File("none.log");
    m_defaults.allowanceEntry.clear();
    const struct
    {
        std::vector<std::string> args;
        const char* pszOut;
    } cases[] = {
        {{"totals"}, "Total 00:00:00\nToday 00:00:00\nWeek 00:00:00\nMonth 00:00:00\n"},
        {{"tree"}, ""},
        {{"day", "2024-04-10"}, ""},
        {{"allowance"},
         "Allowance 60:00:00 month\n"
         "Period 2024-04-01 00:00:00 to 2024-05-01 00:00:00\n"
         "Used 00:00:00 0 %\nLeft 60:00:00\nOver 00:00:00\nWarning none\n"
         "Pace lasts 100 % left at the end\nProjected end -\n"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = {"--now", "2024-04-11 00:00:00"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        EXPECT_EQ(Run(args), 0) << c.args[0];
        EXPECT_EQ(m_out.str(), c.pszOut) << c.args[0];
        EXPECT_EQ(m_err.str(), "") << c.args[0];
    }
    ASSERT_EQ(Run({"--now", "2024-04-11 00:00:00", "json"}), 0);
    EXPECT_EQ(nlohmann::json::parse(m_out.str())["allowance"]["used_seconds"], 0);
    EXPECT_FALSE(FileExists(m_dir.File("none.log"))); // read, never made
}

TEST_F(ReportAllowance, JsonCarriesTheAllowance)
{
    ASSERT_EQ(Run({"--now", "2024-04-11 00:00:00", "--allowance", "900", "json"}), 0);
    const nlohmann::json document = nlohmann::json::parse(m_out.str());
    ASSERT_TRUE(document.contains("allowance"));
    const nlohmann::json& a = document["allowance"];
    EXPECT_EQ(a["period"], "month");
    EXPECT_EQ(a["entry"], "Office");
    EXPECT_EQ(a["period_start"], "2024-04-01T00:00:00");
    EXPECT_EQ(a["allowance_seconds"], 15 * 3600);
    EXPECT_EQ(a["used_seconds"], 10 * 3600);
    EXPECT_EQ(a["left_seconds"], 5 * 3600);
    EXPECT_EQ(a["threshold"], "none");
    EXPECT_EQ(a["pace"], "runs-out");
    // 15 hours at one a day: the 16th.
    EXPECT_EQ(a["runs_out"], "2024-04-16T00:00:00");
    EXPECT_EQ(a["runs_out_epoch"], CTime(2024, 4, 16, 0, 0, 0).GetTime());
    EXPECT_TRUE(a["percent_left_at_end"].is_null());
}

} // namespace
