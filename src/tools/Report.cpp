#include "Report.h"

#include <cstdio>
#include <cstring>
#include <ostream>

#include "Clock.h"
#include "ConnectionLog.h"
#include "ExportFormat.h"
#include "FileException.h"
#include "TimeTexts.h"

namespace {

std::int64_t g_fixedNow = 0;
std::int64_t FixedNow()
{
    return g_fixedNow;
}

bool ParseInt(const std::string& text, int low, int high, int& value)
{
    char* end = nullptr;
    long number = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || number < low || number > high)
        return false;
    value = static_cast<int>(number);
    return true;
}

int DaysIn(int year, int month)
{
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : days[month - 1];
}

// The length of the valid UTF-8 character at p, or 0: no overlong forms, no surrogates,
// nothing above U+10FFFF.
int Utf8Length(const unsigned char* p, const unsigned char* end)
{
    unsigned char c = *p;
    int len;
    unsigned char low = 0x80, high = 0xBF; // the range of the second byte
    if (c >= 0xC2 && c <= 0xDF)
        len = 2;
    else if (c >= 0xE0 && c <= 0xEF) {
        len = 3;
        if (c == 0xE0)
            low = 0xA0;
        else if (c == 0xED)
            high = 0x9F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        len = 4;
        if (c == 0xF0)
            low = 0x90;
        else if (c == 0xF4)
            high = 0x8F;
    } else
        return 0;
    if (end - p < len || p[1] < low || p[1] > high)
        return 0;
    for (int i = 2; i < len; ++i)
        if ((p[i] & 0xC0) != 0x80)
            return 0;
    return len;
}

// Local "YYYY-MM-DD HH:MM:SS" (the time part optional for day dates).
bool ParseLocal(const std::string& text, bool withTime, CTime& out)
{
    int y, mo, d, h = 0, mi = 0, s = 0;
    char tail;
    int n = withTime ? std::sscanf(text.c_str(), "%4d-%2d-%2d %2d:%2d:%2d%c", &y, &mo, &d, &h, &mi, &s, &tail)
                     : std::sscanf(text.c_str(), "%4d-%2d-%2d%c", &y, &mo, &d, &tail);
    if (n != (withTime ? 6 : 3) || mo < 1 || mo > 12 || d < 1 || d > DaysIn(y, mo) || h > 23 || mi > 59 || s > 59 ||
        h < 0 || mi < 0 || s < 0)
        return false;
    out = CTime(y, mo, d, h, mi, s);
    return out.IsValid();
}

// JSON text of 8-bit entry names: valid UTF-8 passes through; any other byte is taken as
// Latin-1, which is what older logs hold.
std::string JsonString(const std::string& text)
{
    std::string out = "\"";
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text.data());
    const unsigned char* end = p + text.size();
    char esc[8];
    while (p < end) {
        unsigned char c = *p;
        if (c == '"' || c == '\\') {
            out += '\\';
            out += char(c);
            ++p;
        } else if (c < 0x20) {
            std::snprintf(esc, sizeof esc, "\\u%04x", c);
            out += esc;
            ++p;
        } else if (c < 0x80) {
            out += char(c);
            ++p;
        } else if (int len = Utf8Length(p, end)) {
            out.append(reinterpret_cast<const char*>(p), std::size_t(len));
            p += len;
        } else {
            // Latin-1: the byte is the code point.
            std::snprintf(esc, sizeof esc, "\\u%04x", c);
            out += esc;
            ++p;
        }
    }
    return out + "\"";
}

// The "total_seconds" and "total" members of a period, from one sum.
std::string TotalFields(CTimeSpan total)
{
    return "\"total_seconds\": " + std::to_string(total.GetTotalSeconds()) +
           ", \"total\": " + JsonString(FormatDuration(total));
}

std::string Iso(CTime time)
{
    return time.Format("%Y-%m-%dT%H:%M:%S");
}

bool Passes(const CConnection& record, const std::string& filter)
{
    return filter.empty() || record.m_strName == filter;
}

} // namespace

CReport::CReport(const SReportDefaults& defaults, std::ostream& out, std::ostream& err)
    : m_options(defaults), m_out(out), m_err(err)
{
}

const char* CReport::Usage()
{
    return "usage: zelmorin-report [--log FILE] [--entry NAME] [--week-start 0-6] [--month-start 1-31]\n"
           "                       [--day-format FMT] [--date-format FMT] [--now \"YYYY-MM-DD HH:MM:SS\"] COMMAND\n"
           "commands:\n"
           "  totals          the totals since installation, today, this week and this month\n"
           "  tree            the months and days with their totals\n"
           "  day YYYY-MM-DD  the connections of one day\n"
           "  export FILE     every connection as comma-separated text (tab-separated for .txt);\n"
           "                  FILE - is standard output\n"
           "  json            months, days and connections as one JSON document\n";
}

int CReport::UsageError(const std::string& message)
{
    m_err << "zelmorin-report: " << message << "\n" << Usage();
    return 2;
}

int CReport::Run(const std::vector<std::string>& args)
{
    std::vector<std::string> rest;
    bool haveNow = false;
    CTime now;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg.size() < 2 || arg.compare(0, 2, "--") != 0) {
            rest.push_back(arg);
            continue;
        }
        if (arg == "--help")
            return m_out << Usage(), 0;
        if (i + 1 >= args.size())
            return UsageError("option " + arg + " needs a value");
        const std::string& value = args[++i];
        if (arg == "--log")
            m_options.logPath = value;
        else if (arg == "--entry")
            m_options.entry = value;
        else if (arg == "--week-start") {
            if (!ParseInt(value, 0, 6, m_options.weekStart))
                return UsageError("--week-start takes a number from 0 to 6");
        } else if (arg == "--month-start") {
            if (!ParseInt(value, 1, 31, m_options.monthStart))
                return UsageError("--month-start takes a number from 1 to 31");
        } else if (arg == "--day-format")
            m_options.dayFormat = value;
        else if (arg == "--date-format")
            m_options.dateFormat = value;
        else if (arg == "--now") {
            if (!ParseLocal(value, true, now))
                return UsageError("--now takes a local time \"YYYY-MM-DD HH:MM:SS\" from 1970 to 2038");
            haveNow = true;
        } else
            return UsageError("unknown option " + arg);
    }
    if (rest.empty())
        return UsageError("no command given");
    const std::string& command = rest[0];
    std::size_t wanted = command == "day" || command == "export" ? 2 : 1;
    if (command != "totals" && command != "tree" && command != "day" && command != "export" && command != "json")
        return UsageError("unknown command " + command);
    if (rest.size() != wanted)
        return UsageError(command + (wanted == 2 ? " takes one argument" : " takes no argument"));

    DayDateFormat = m_options.dayFormat;
    ConnectionDateFormat = m_options.dateFormat;
    if (haveNow) {
        g_fixedNow = now.GetTime();
        SetClockHook(FixedNow);
    }

    CConnectionLog log(m_options.logPath);
    if (log.GetLoadError() != 0 || m_options.logPath.empty()) {
        const char* cause = m_options.logPath.empty() ? "no file name given" : std::strerror(log.GetLoadError());
        m_err << "zelmorin-report: cannot read " << m_options.logPath << ": " << cause << "\n";
        return 1;
    }
    if (log.GetUnreadLineCount() > 0)
        m_err << log.GetUnreadLineCount() << " lines could not be read\n";

    int result = 0;
    if (command == "totals")
        Totals(log);
    else if (command == "tree")
        Tree(log);
    else if (command == "day")
        result = Day(log, rest[1]);
    else if (command == "export")
        result = Export(log, rest[1]);
    else
        Json(log);
    // A report that did not reach its reader (a full disk, a closed pipe) is no success.
    m_out.flush();
    if (!m_out) {
        m_err << "zelmorin-report: cannot write to standard output\n";
        return 1;
    }
    return result;
}

void CReport::Totals(const CConnectionLog& log)
{
    static const char* const labels[] = {"Total", "Today", "Week", "Month"};
    for (int type = 0; type < 4; ++type)
        m_out << labels[type] << ' '
              << FormatDuration(log.GetPeriodTotal(type, m_options.entry, m_options.weekStart, m_options.monthStart))
              << '\n';
}

void CReport::Tree(const CConnectionLog& log)
{
    const std::string& filter = m_options.entry;
    for (int m = 0; m < log.GetMonthCount(); ++m) {
        const CLogMonth* month = log.GetMonth(m);
        if (month->GetTotal(filter) == CTimeSpan())
            continue;
        m_out << month->GetText(filter) << '\n';
        for (int d = 0; d < month->GetDayCount(); ++d) {
            const CLogDay* day = month->GetDay(d);
            if (day->GetTotal(filter) != CTimeSpan())
                m_out << "  " << day->GetText(filter) << '\n';
        }
    }
}

int CReport::Day(const CConnectionLog& log, const std::string& date)
{
    CTime when;
    if (!ParseLocal(date, false, when))
        return UsageError("day takes a date YYYY-MM-DD");
    const CLogMonth* month = log.FindMonth(when.GetYear(), when.GetMonth());
    const CLogDay* day = month ? month->FindDay(when.GetDay()) : nullptr;
    if (!day)
        return 0;
    for (int i = 0; i < day->GetConnectionCount(); ++i) {
        const CConnection* record = day->GetConnection(i);
        if (Passes(*record, m_options.entry))
            m_out << record->GetStartText() << "  " << record->GetEndText() << "  " << record->GetDurationText() << "  "
                  << record->m_strName << '\n';
    }
    return 0;
}

int CReport::Export(CConnectionLog& log, const std::string& path)
{
    try {
        // "-" is standard output; it is written in place like any pipe or device.
        log.WriteAll(path == "-" ? "/dev/stdout" : path, ExportSeparatorFor(path), false);
    } catch (const CFileException& error) {
        m_err << "zelmorin-report: cannot export to " << error.GetPath() << ": " << error.GetCause() << "\n";
        return 1;
    }
    return 0;
}

void CReport::Json(const CConnectionLog& log)
{
    const std::string& filter = m_options.entry;
    m_out << "{\n  \"log\": " << JsonString(log.GetPath()) << ",\n  \"entry\": " << JsonString(filter) << ",\n  "
          << TotalFields(log.GetTotal(filter)) << ",\n  \"unread_lines\": " << log.GetUnreadLineCount()
          << ",\n  \"months\": [";
    const char* monthSep = "";
    for (int m = 0; m < log.GetMonthCount(); ++m) {
        const CLogMonth* month = log.GetMonth(m);
        std::string days;
        const char* daySep = "";
        for (int d = 0; d < month->GetDayCount(); ++d) {
            const CLogDay* day = month->GetDay(d);
            std::string connections;
            const char* connSep = "";
            for (int i = 0; i < day->GetConnectionCount(); ++i) {
                const CConnection* record = day->GetConnection(i);
                if (!Passes(*record, filter))
                    continue;
                connections += connSep;
                connections += "\n          {\"name\": " + JsonString(record->m_strName) +
                               ", \"start\": " + JsonString(Iso(record->GetStart())) +
                               ", \"end\": " + JsonString(Iso(record->GetEnd())) +
                               ", \"start_epoch\": " + std::to_string(record->GetStart().GetTime()) +
                               ", \"end_epoch\": " + std::to_string(record->GetEnd().GetTime()) +
                               ", \"duration_seconds\": " + std::to_string(record->GetDuration().GetTotalSeconds()) +
                               ", \"duration\": " + JsonString(record->GetDurationText()) + "}";
                connSep = ",";
            }
            if (connections.empty())
                continue;
            char date[16];
            std::snprintf(date, sizeof date, "%04d-%02d-%02d", day->GetYear(), day->GetMonth(), day->GetDayNumber());
            days += daySep;
            days += "\n      {\"date\": \"" + std::string(date) + "\", \"label\": " + JsonString(day->GetText(filter)) +
                    ", " + TotalFields(day->GetTotal(filter)) + ", \"connections\": [" + connections + "\n      ]}";
            daySep = ",";
        }
        if (days.empty())
            continue;
        m_out << monthSep << "\n    {\"year\": " << month->GetYear() << ", \"month\": " << month->GetMonth()
              << ", \"label\": " << JsonString(month->GetText(filter)) << ", " << TotalFields(month->GetTotal(filter))
              << ", \"days\": [" << days << "\n    ]}";
        monthSep = ",";
    }
    m_out << "\n  ]\n}\n";
}
