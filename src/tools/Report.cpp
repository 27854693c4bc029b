#include "Report.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <getopt.h>
#include <nlohmann/json.hpp>
#include <ostream>

#include "Allowance.h"
#include "Checkpoint.h"
#include "Clock.h"
#include "ConnectionLog.h"
#include "ExportFormat.h"
#include "FileException.h"
#include "LogDay.h"
#include "LogLock.h"
#include "LogMonth.h"
#include "TimeTexts.h"
#include "UserMessage.h"

namespace {

// Members stay in the order they are added.
using JsonValue = nlohmann::ordered_json;

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

// Text for the JSON library, which takes UTF-8 only. Entry names are bytes: valid UTF-8 passes
// through, and any other byte is taken as Latin-1, which is what older logs hold; strftime's
// texts in a legacy locale get the same reading.
std::string ToUtf8(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text.data());
    const unsigned char* end = p + text.size();
    while (p < end) {
        if (*p < 0x80) {
            out += char(*p++);
        } else if (int len = Utf8Length(p, end)) {
            out.append(reinterpret_cast<const char*>(p), std::size_t(len));
            p += len;
        } else {
            // Latin-1: the byte is the code point, U+0080 to U+00FF.
            out += char(0xC0 | *p >> 6);
            out += char(0x80 | (*p++ & 0x3F));
        }
    }
    return out;
}

JsonValue Text(const std::string& text)
{
    return JsonValue(ToUtf8(text));
}

// The "total_seconds" and "total" members of a period, from one sum.
void AddTotal(JsonValue& period, CTimeSpan total)
{
    period["total_seconds"] = total.GetTotalSeconds();
    period["total"] = Text(FormatDuration(total));
}

// The document's layout, for readers as well as scripts: one element of an array per line, two
// blanks deeper than the line that opens the array; an object within an array on one line, where
// an array member opens lines of its own. The library writes every name, string and number.
void WriteNested(std::ostream& out, const JsonValue& value, int indent)
{
    if (value.is_array()) {
        out << '[';
        const char* separator = "";
        for (const JsonValue& element : value) {
            out << separator << '\n' << std::string(std::size_t(indent + 2), ' ');
            WriteNested(out, element, indent + 2);
            separator = ",";
        }
        out << '\n' << std::string(std::size_t(indent), ' ') << ']';
    } else if (value.is_object()) {
        out << '{';
        const char* separator = "";
        for (const auto& member : value.items()) {
            out << separator << JsonValue(member.key()).dump() << ": ";
            WriteNested(out, member.value(), indent);
            separator = ", ";
        }
        out << '}';
    } else {
        out << value.dump();
    }
}

// The document itself: one member per line.
void WriteDocument(std::ostream& out, const JsonValue& document)
{
    out << '{';
    const char* separator = "";
    for (const auto& member : document.items()) {
        out << separator << "\n  " << JsonValue(member.key()).dump() << ": ";
        WriteNested(out, member.value(), 2);
        separator = ",";
    }
    out << "\n}\n";
}

std::string Iso(CTime time)
{
    return time.Format("%Y-%m-%dT%H:%M:%S");
}

const char* PeriodName(int period)
{
    return period == CPeriod::kDay ? "day" : period == CPeriod::kWeek ? "week" : "month";
}

const char* PaceName(SAllowanceState::EPace pace)
{
    switch (pace) {
    case SAllowanceState::kRunsOut:
        return "runs-out";
    case SAllowanceState::kLasts:
        return "lasts";
    case SAllowanceState::kUsedUp:
        return "used-up";
    case SAllowanceState::kNoRate:
        break;
    }
    return "unknown";
}

const char* ThresholdName(SAllowanceState::EThreshold threshold)
{
    return threshold == SAllowanceState::kFull ? "full" : threshold == SAllowanceState::kWarning ? "warning" : "none";
}

// "--log" of "--log=FILE": the option as the user wrote it, without its value.
std::string OptionName(const char* arg)
{
    const char* equals = std::strchr(arg, '=');
    return equals ? std::string(arg, equals) : std::string(arg);
}

// A name as the plain-text reports print it: control characters (C0, DEL, and C1 written in
// UTF-8 or as single bytes) become \xNN, so that a name cannot move the cursor, retitle or
// clear a terminal. The exact bytes are in the export and the JSON.
std::string Printable(const std::string& name)
{
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(name.size());
    auto escape = [&out](unsigned char c) {
        out += "\\x";
        out += kHex[c >> 4];
        out += kHex[c & 0xF];
    };
    auto byte = [&name](std::size_t at) { return at < name.size() ? static_cast<unsigned char>(name[at]) : 0u; };
    for (std::size_t i = 0; i < name.size();) {
        const unsigned char c = byte(i);
        // The length of a whole UTF-8 sequence starting here; 1 for anything else.
        std::size_t length = c > 0xF4 ? 1 : c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 ? 2 : 1;
        for (std::size_t k = 1; k < length; ++k) {
            if ((byte(i + k) & 0xC0) != 0x80)
                length = 1;
        }
        const bool c1Utf8 = length == 2 && c == 0xC2 && byte(i + 1) <= 0x9F;
        if (c < 0x20 || c == 0x7F || (length == 1 && c >= 0x80 && c <= 0x9F) || c1Utf8) {
            for (std::size_t k = 0; k < length; ++k)
                escape(byte(i + k));
        } else {
            out.append(name, i, length);
        }
        i += length;
    }
    return out;
}

bool Passes(const CConnection& record, const std::string& filter)
{
    return filter.empty() || record.m_strName == filter;
}

} // namespace

std::string ReportDataFolder(const std::string& appPath)
{
    if (!appPath.empty())
        return appPath;
    // The same rule as the program's own data folder, so both name one file.
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    std::string folder;
    if (dataHome && *dataHome) {
        folder = dataHome;
    } else {
        const char* home = std::getenv("HOME");
        if (!home || !*home)
            return std::string();
        folder = std::string(home) + "/.local/share";
    }
    return folder + "/Quillmoor/Zelmorin";
}

CReport::CReport(const SReportDefaults& defaults, std::ostream& out, std::ostream& err)
    : m_options(defaults), m_out(out), m_err(err)
{
}

const char* CReport::Usage()
{
    return "usage: zelmorin-report [--log FILE] [--entry NAME] [--week-start 0-6] [--month-start 1-31]\n"
           "                       [--day-format FMT] [--date-format FMT] [--now \"YYYY-MM-DD HH:MM:SS\"]\n"
           "                       [--allowance MINUTES] [--period day|week|month] [--warn 1-99] COMMAND\n"
           "       zelmorin-report --help | -h | --version\n"
           "An option's value follows it as the next argument or after '=' (--log=FILE); -- ends the options.\n"
           "commands:\n"
           "  totals          the totals since installation, today, this week and this month\n"
           "  tree            the months and days with their totals\n"
           "  day YYYY-MM-DD  the connections of one day\n"
           "  export FILE     every connection as comma-separated text (tab-separated for .txt);\n"
           "                  FILE - is standard output\n"
           "  json            months, days and connections as one JSON document, with the allowance\n"
           "                  when one applies\n"
           "  allowance       the allowance's period, used, left, over, pace and projected end, one\n"
           "                  \"Name value\" line each; exits 3 at the warning share, 4 when used up\n"
           "The allowance options give an allowance (or change the one set in Preferences); its entry\n"
           "is the one set there unless --entry is given.\n";
}

int CReport::UsageError(const std::string& message)
{
    m_err << "zelmorin-report: " << message << "\n" << Usage();
    return 2;
}

int CReport::Run(const std::vector<std::string>& args)
{
    enum
    {
        kLog = 256,
        kEntry,
        kWeekStart,
        kMonthStart,
        kDayFormat,
        kDateFormat,
        kNow,
        kAllowance,
        kPeriod,
        kWarn,
        kVersion
    };
    static const option longOptions[] = {
        {"log", required_argument, nullptr, kLog},
        {"entry", required_argument, nullptr, kEntry},
        {"week-start", required_argument, nullptr, kWeekStart},
        {"month-start", required_argument, nullptr, kMonthStart},
        {"day-format", required_argument, nullptr, kDayFormat},
        {"date-format", required_argument, nullptr, kDateFormat},
        {"now", required_argument, nullptr, kNow},
        {"allowance", required_argument, nullptr, kAllowance},
        {"period", required_argument, nullptr, kPeriod},
        {"warn", required_argument, nullptr, kWarn},
        {"help", no_argument, nullptr, 'h'},
        {"version", no_argument, nullptr, kVersion},
        {nullptr, 0, nullptr, 0},
    };
    // getopt_long permutes the pointers, never the strings; argv[0] is only a name.
    std::vector<std::string> strings(1, "zelmorin-report");
    strings.insert(strings.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& text : strings)
        argv.push_back(text.data());
    argv.push_back(nullptr);
    const int argc = int(strings.size());

    bool haveNow = false;
    CTime now;
    optind = 0; // a full restart of getopt's state, for each run in the same process
    opterr = 0; // its messages would bypass m_err
    int code;
    while ((code = getopt_long(argc, argv.data(), ":h", longOptions, nullptr)) != -1) {
        const std::string value = optarg ? optarg : "";
        switch (code) {
        case 'h':
            m_out << Usage();
            return FlushedResult(0);
        case kVersion:
            m_out << "zelmorin-report " << ZELMORIN_VERSION << "\n";
            return FlushedResult(0);
        case kLog:
            m_options.logPath = value;
            break;
        case kEntry:
            m_options.entry = value;
            m_bEntryGiven = true;
            break;
        case kAllowance:
            if (!ParseInt(value, 1, 31 * 24 * 60, m_options.allowanceMinutes))
                return UsageError("--allowance takes a number of minutes from 1 to 44640");
            m_options.allowanceOn = true;
            break;
        case kPeriod:
            if (value == "day" || value == "week" || value == "month")
                m_options.allowancePeriod = value == "day"    ? CPeriod::kDay
                                            : value == "week" ? CPeriod::kWeek
                                                              : CPeriod::kMonth;
            else
                return UsageError("--period takes day, week or month");
            break;
        case kWarn:
            if (!ParseInt(value, 1, 99, m_options.warnPercent))
                return UsageError("--warn takes a share from 1 to 99");
            break;
        case kWeekStart:
            if (!ParseInt(value, 0, 6, m_options.weekStart))
                return UsageError("--week-start takes a number from 0 to 6");
            break;
        case kMonthStart:
            if (!ParseInt(value, 1, 31, m_options.monthStart))
                return UsageError("--month-start takes a number from 1 to 31");
            break;
        case kDayFormat:
            m_options.dayFormat = value;
            break;
        case kDateFormat:
            m_options.dateFormat = value;
            break;
        case kNow:
            if (!ParseLocal(value, true, now))
                return UsageError("--now takes a local time \"YYYY-MM-DD HH:MM:SS\" from 1970 to 9999");
            haveNow = true;
            break;
        case ':':
            return UsageError("option " + OptionName(argv[optind - 1]) + " needs a value");
        default:
            // optopt holds a known long option given a value it does not take, an unknown letter,
            // or nothing for an unknown long option; long options always move optind past themselves.
            if (optopt == 'h' || optopt >= kLog)
                return UsageError("option " + OptionName(argv[optind - 1]) + " takes no value");
            if (optopt != 0)
                return UsageError(std::string("unknown option -") + char(optopt));
            return UsageError("unknown or ambiguous option " + OptionName(argv[optind - 1]));
        }
    }
    const std::vector<std::string> rest(argv.begin() + optind, argv.begin() + argc);
    if (rest.empty())
        return UsageError("no command given");
    const std::string& command = rest[0];
    std::size_t wanted = command == "day" || command == "export" ? 2 : 1;
    if (command != "totals" && command != "tree" && command != "day" && command != "export" && command != "json" &&
        command != "allowance")
        return UsageError("unknown command " + command);
    if (rest.size() != wanted)
        return UsageError(command + (wanted == 2 ? " takes one argument" : " takes no argument"));

    DayDateFormat = m_options.dayFormat;
    ConnectionDateFormat = m_options.dateFormat;
    if (haveNow) {
        g_fixedNow = now.GetTime();
        SetClockHook(FixedNow);
    }

    CConnectionLog log(m_options.logPath, CConnectionLog::Access::ReadOnly);
    // No log yet (a fresh install) is no connection yet: every figure is zero.
    if ((log.GetLoadError() != 0 && log.GetLoadError() != ENOENT) || m_options.logPath.empty()) {
        const char* cause = m_options.logPath.empty() ? "no file name given" : std::strerror(log.GetLoadError());
        m_err << "zelmorin-report: cannot read " << m_options.logPath << ": " << cause << "\n";
        return 1;
    }
    const std::size_t unread = std::size_t(log.GetUnreadLineCount()) + log.GetSkippedLineCount();
    if (unread > 0)
        m_err << unread << " lines could not be read\n";

    int result = 0;
    if (command == "totals")
        Totals(log);
    else if (command == "tree")
        Tree(log);
    else if (command == "day")
        result = Day(log, rest[1]);
    else if (command == "export")
        result = Export(log, rest[1]);
    else if (command == "allowance")
        result = Allowance(log);
    else
        Json(log);
    return FlushedResult(result);
}

int CReport::FlushedResult(int result)
{
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
                  << Printable(record->m_strName) << '\n';
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
    const std::string unlocked = CLogLock::TakeUnlockedNotice();
    if (!unlocked.empty())
        m_err << "zelmorin-report: note: the file system of " << unlocked
              << " has no file locks, so it was written without them\n";
    return 0;
}

void CReport::Json(const CConnectionLog& log)
{
    const std::string& filter = m_options.entry;
    JsonValue document;
    document["log"] = Text(log.GetPath());
    document["entry"] = Text(filter);
    AddTotal(document, log.GetTotal(filter));
    document["unread_lines"] = log.GetUnreadLineCount();
    JsonValue& months = document["months"] = JsonValue::array();
    for (int m = 0; m < log.GetMonthCount(); ++m) {
        const CLogMonth* month = log.GetMonth(m);
        JsonValue days = JsonValue::array();
        for (int d = 0; d < month->GetDayCount(); ++d) {
            const CLogDay* day = month->GetDay(d);
            JsonValue connections = JsonValue::array();
            for (int i = 0; i < day->GetConnectionCount(); ++i) {
                const CConnection* record = day->GetConnection(i);
                if (!Passes(*record, filter))
                    continue;
                JsonValue& connection = connections.emplace_back();
                connection["name"] = Text(record->m_strName);
                connection["start"] = Text(Iso(record->GetStart()));
                connection["end"] = Text(Iso(record->GetEnd()));
                connection["start_epoch"] = record->GetStart().GetTime();
                connection["end_epoch"] = record->GetEnd().GetTime();
                connection["duration_seconds"] = record->GetDuration().GetTotalSeconds();
                connection["duration"] = Text(record->GetDurationText());
            }
            if (connections.empty())
                continue;
            char date[16];
            std::snprintf(date, sizeof date, "%04d-%02d-%02d", day->GetYear(), day->GetMonth(), day->GetDayNumber());
            JsonValue& entry = days.emplace_back();
            entry["date"] = date;
            entry["label"] = Text(day->GetText(filter));
            AddTotal(entry, day->GetTotal(filter));
            entry["connections"] = std::move(connections);
        }
        if (days.empty())
            continue;
        JsonValue& entry = months.emplace_back();
        entry["year"] = month->GetYear();
        entry["month"] = month->GetMonth();
        entry["label"] = Text(month->GetText(filter));
        AddTotal(entry, month->GetTotal(filter));
        entry["days"] = std::move(days);
    }
    if (m_options.allowanceOn) {
        const SAllowanceState state = AllowanceNow(log);
        JsonValue& allowance = document["allowance"];
        allowance["period"] = PeriodName(m_options.allowancePeriod);
        allowance["entry"] = Text(m_bEntryGiven ? m_options.entry : m_options.allowanceEntry);
        allowance["period_start"] = Text(Iso(state.period.GetStart()));
        allowance["period_end"] = Text(Iso(state.period.GetEnd()));
        allowance["period_start_epoch"] = state.period.GetStart().GetTime();
        allowance["period_end_epoch"] = state.period.GetEnd().GetTime();
        allowance["allowance_seconds"] = state.allowance;
        allowance["used_seconds"] = state.used;
        allowance["left_seconds"] = state.left;
        allowance["over_seconds"] = state.over;
        allowance["percent_used"] = state.percentUsed;
        allowance["warn_percent"] = m_options.warnPercent;
        allowance["threshold"] = ThresholdName(state.threshold);
        allowance["pace"] = PaceName(state.pace);
        if (state.pace == SAllowanceState::kRunsOut) {
            allowance["runs_out"] = Text(Iso(state.runsOut));
            allowance["runs_out_epoch"] = state.runsOut.GetTime();
        } else {
            allowance["runs_out"] = nullptr;
            allowance["runs_out_epoch"] = nullptr;
        }
        if (state.pace == SAllowanceState::kLasts)
            allowance["percent_left_at_end"] = state.percentLeftAtEnd;
        else
            allowance["percent_left_at_end"] = nullptr;
    }
    WriteDocument(m_out, document);
}

SAllowanceState CReport::AllowanceNow(const CConnectionLog& log)
{
    const CAllowance allowance(60LL * m_options.allowanceMinutes, m_options.allowancePeriod,
                               m_bEntryGiven ? m_options.entry : m_options.allowanceEntry, m_options.warnPercent,
                               m_options.weekStart, m_options.monthStart);
    CAllowance::SRunning running;
    const bool bRunning = RunningFromCheckpoint(log, running);
    return allowance.Compute(log, CTime::GetCurrentTime(), bRunning ? &running : nullptr);
}

bool CReport::RunningFromCheckpoint(const CConnectionLog& log, CAllowance::SRunning& running)
{
    const std::string& path = m_options.logPath;
    const std::size_t slash = path.rfind('/');
    CCheckpoint checkpoint(slash == std::string::npos ? std::string() : path.substr(0, slash + 1));
    CTime start, at;
    std::string name;
    const bool bRead = checkpoint.ReadCheckpoint(start, at, name);
    for (const CUserMessage& problem : checkpoint.GetProblems())
        m_err << "zelmorin-report: " << problem.Text() << "\n";
    if (!bRead)
        return false;
    // A checkpoint that a stopped program left is logged at its next start; once the log holds
    // it, it must not count twice.
    if (const CLogMonth* month = log.FindMonth(start.GetYear(), start.GetMonth()))
        if (const CLogDay* day = month->FindDay(start.GetDay()))
            for (int i = 0; i < day->GetConnectionCount(); ++i)
                if (day->GetConnection(i)->GetStart() == start && day->GetConnection(i)->m_strName == name)
                    return false;
    // The time up to the last checkpoint, at most half a minute behind the tip's.
    running.name = name;
    running.start = start;
    running.elapsed = (at - start).GetTotalSeconds();
    return true;
}

int CReport::Allowance(const CConnectionLog& log)
{
    if (!m_options.allowanceOn) {
        m_out << "Allowance off\n";
        return 0;
    }
    const SAllowanceState state = AllowanceNow(log);
    auto local = [](CTime time) { return time.Format("%Y-%m-%d %H:%M:%S"); };
    m_out << "Allowance " << FormatDuration(CTimeSpan(state.allowance)) << ' ' << PeriodName(m_options.allowancePeriod)
          << '\n';
    m_out << "Period " << local(state.period.GetStart()) << " to " << local(state.period.GetEnd()) << '\n';
    m_out << "Used " << FormatDuration(CTimeSpan(state.used)) << ' ' << state.percentUsed << " %\n";
    m_out << "Left " << FormatDuration(CTimeSpan(state.left)) << '\n';
    m_out << "Over " << FormatDuration(CTimeSpan(state.over)) << '\n';
    m_out << "Warning " << ThresholdName(state.threshold) << '\n';
    m_out << "Pace " << PaceName(state.pace);
    if (state.pace == SAllowanceState::kLasts)
        m_out << ' ' << state.percentLeftAtEnd << " % left at the end";
    m_out << '\n';
    m_out << "Projected end " << (state.pace == SAllowanceState::kRunsOut ? local(state.runsOut) : std::string("-"))
          << '\n';
    return state.threshold == SAllowanceState::kFull      ? kExitUsedUp
           : state.threshold == SAllowanceState::kWarning ? kExitWarning
                                                          : 0;
}
