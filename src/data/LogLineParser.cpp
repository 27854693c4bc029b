#include "LogLineParser.h"

#include <climits>
#include <cstring>
#include <ctime>

#include "Time.h"

namespace {

constexpr std::string_view kSeparator = "  ";

bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// One "%d" as sscanf reads it: leading white space, an optional sign, at least one digit.
bool ReadNumber(std::string_view text, std::size_t& pos, int& value)
{
    while (pos < text.size() && IsSpace(text[pos]))
        ++pos;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        negative = text[pos] == '-';
        ++pos;
    }
    std::size_t first = pos;
    long long number = 0;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
        number = number * 10 + (text[pos] - '0');
        if (number > 999999999)
            return false; // no calendar field is this large; refuse rather than overflow
        ++pos;
    }
    if (pos == first)
        return false;
    value = static_cast<int>(negative ? -number : number);
    return true;
}

bool Expect(std::string_view text, std::size_t& pos, char c)
{
    if (pos < text.size() && text[pos] == c) {
        ++pos;
        return true;
    }
    return false;
}

bool IsLeap(int year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysIn(int year, int month)
{
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeap(year) ? 29 : days[month - 1];
}

long GmtOffset(std::int64_t instant)
{
    std::time_t t = static_cast<std::time_t>(instant);
    std::tm fields{};
    return localtime_r(&t, &fields) ? fields.tm_gmtoff : LONG_MIN;
}

} // namespace

bool CLogLineParser::FollowsPlainDay(int year, int month, int day, SDay& entry) const
{
    if (m_nPlainKey < 0)
        return false;
    int y = m_nPlainKey >> 9, m = (m_nPlainKey >> 5) & 15, d = m_nPlainKey & 31;
    if (++d > DaysIn(y, m)) {
        d = 1;
        if (++m > 12) {
            m = 1;
            ++y;
        }
    }
    if (y != year || m != month || d != day)
        return false;
    // The day after a day without an offset change starts where that one ended. It is a day
    // without a change too if its start, noon and last second all keep that offset and read
    // as its own midnight and 23:59:59 (the same probes as for any other day).
    const std::time_t start = static_cast<std::time_t>(m_nPlainMidnight + 86400);
    const std::time_t noon = start + 43200, last = start + 86399;
    std::tm first{}, middle{}, end{};
    if (!localtime_r(&start, &first) || !localtime_r(&noon, &middle) || !localtime_r(&last, &end))
        return false;
    if (first.tm_gmtoff != m_nPlainOffset || middle.tm_gmtoff != m_nPlainOffset || end.tm_gmtoff != m_nPlainOffset ||
        first.tm_year + 1900 != year || first.tm_mon + 1 != month || first.tm_mday != day || first.tm_hour != 0 ||
        first.tm_min != 0 || first.tm_sec != 0 || end.tm_mday != day || end.tm_hour != 23 || end.tm_min != 59 ||
        end.tm_sec != 59)
        return false;
    entry = SDay{std::int64_t(start), true};
    return true;
}

const CLogLineParser::SDay& CLogLineParser::LookUpDay(int year, int month, int day)
{
    std::int32_t key = (year << 9) | (month << 5) | day;
    if (key == m_lastKey)
        return m_lastDay;
    auto found = m_days.find(key);
    if (found == m_days.end()) {
        if (m_days.empty())
            m_days.reserve(1024);
        // Logs mostly go from one day to the next: that costs three localtime_r instead of
        // two mktime and several localtime_r.
        SDay entry{0, false};
        long offset = m_nPlainOffset;
        if (!FollowsPlainDay(year, month, day, entry)) {
            entry.midnight = CTime::ComposeLocal(year, month, day, 0, 0, 0);
            std::int64_t last = CTime::ComposeLocal(year, month, day, 23, 59, 59);
            if (entry.midnight != CTime::kInvalid && last == entry.midnight + 86399) {
                offset = GmtOffset(entry.midnight);
                std::time_t t = static_cast<std::time_t>(entry.midnight);
                std::tm fields{};
                entry.plain = offset != LONG_MIN && offset == GmtOffset(entry.midnight + 43200) &&
                              offset == GmtOffset(last) && localtime_r(&t, &fields) && fields.tm_hour == 0 &&
                              fields.tm_min == 0 && fields.tm_sec == 0 && fields.tm_mday == day;
            }
        }
        if (entry.plain) {
            m_nPlainKey = key;
            m_nPlainMidnight = entry.midnight;
            m_nPlainOffset = offset;
        }
        found = m_days.emplace(key, entry).first;
    }
    m_lastKey = key;
    m_lastDay = found->second;
    return m_lastDay;
}

std::int64_t CLogLineParser::Compose(int year, int month, int day, int hour, int minute, int second)
{
    bool plain = false;
    return Compose(year, month, day, hour, minute, second, plain);
}

std::int64_t CLogLineParser::Compose(int year, int month, int day, int hour, int minute, int second, bool& plain)
{
    // The day of the field before, nearly always: its fields were checked when it was looked up.
    if (year >= 1 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 && day <= 31 &&
        ((year << 9) | (month << 5) | day) == m_lastKey && m_lastDay.plain && hour >= 0 && hour <= 23 && minute >= 0 &&
        minute <= 59 && second >= 0 && second <= 59) {
        plain = true;
        return m_lastDay.midnight + hour * 3600 + minute * 60 + second;
    }
    plain = false;
    if (year >= 1 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 && day <= DaysIn(year, month) && hour >= 0 &&
        hour <= 23 && minute >= 0 && minute <= 59 && second >= 0 && second <= 59) {
        const SDay& entry = LookUpDay(year, month, day);
        plain = entry.plain;
        if (plain)
            return entry.midnight + hour * 3600 + minute * 60 + second;
    }
    return CTime::ComposeLocal(year, month, day, hour, minute, second);
}

namespace {

// Eight bytes, the first in the lowest place whatever the machine's byte order.
std::uint64_t Load8(const char* p)
{
    std::uint64_t word;
    std::memcpy(&word, p, sizeof word);
#if __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
    word = __builtin_bswap64(word);
#endif
    return word;
}

// Eight bytes of the shape "99x99y99" (bytes in memory order, the lowest first) with x and y
// the given separators; the numbers go to n[0..2].
bool ReadPairs(std::uint64_t word, char x, char y, int* n)
{
    constexpr std::uint64_t kDigits = 0xFFFF00FFFF00FFFFull; // bytes 0, 1, 3, 4, 6 and 7
    constexpr std::uint64_t kLow = 0x0F0F0F0F0F0F0F0Full, kHigh = 0xF0F0F0F0F0F0F0F0ull;
    const std::uint64_t separators = std::uint64_t(std::uint8_t(x)) << 16 | std::uint64_t(std::uint8_t(y)) << 40;
    // A digit has 3 in its high half and at most 9 in its low half (9 + 6 stays below 16).
    if ((word & ~kDigits) != separators || ((word & kHigh) ^ 0x3030303030303030ull) & kDigits ||
        (((word & kLow) + 0x0606060606060606ull) & 0x1010101010101010ull & kDigits))
        return false;
    auto digit = [word](int byte) { return int((word >> (8 * byte)) & 15); };
    n[0] = digit(0) * 10 + digit(1);
    n[1] = digit(3) * 10 + digit(4);
    n[2] = digit(6) * 10 + digit(7);
    return true;
}

// The shape of every line the program writes: "DD/MM/YYYY HH:MM:SS", not followed by a digit.
bool ReadFixedShape(std::string_view f, int* n)
{
    if (f.size() < 19 || (f.size() > 19 && f[19] >= '0' && f[19] <= '9'))
        return false;
    // "DD/MM/YY", "YY HH:MM" and "HH:MM:SS" (the last two overlap).
    int a[3], b[3], c[3];
    if (!ReadPairs(Load8(f.data()), '/', '/', a) || !ReadPairs(Load8(f.data() + 8), ' ', ':', b) ||
        !ReadPairs(Load8(f.data() + 11), ':', ':', c))
        return false;
    n[0] = a[0];
    n[1] = a[1];
    n[2] = a[2] * 100 + b[0];
    n[3] = c[0];
    n[4] = c[1];
    n[5] = c[2];
    return true;
}

// Any other shape, read as the C library's "%d/%d/%d %d:%d:%d" would read it, for lines
// edited by hand.
bool ReadGeneralShape(std::string_view field, int* n)
{
    std::size_t pos = 0;
    if (!ReadNumber(field, pos, n[0]) || !Expect(field, pos, '/') || !ReadNumber(field, pos, n[1]) ||
        !Expect(field, pos, '/') || !ReadNumber(field, pos, n[2]))
        return false;
    // The blank between date and time matches any white space, none included.
    while (pos < field.size() && IsSpace(field[pos]))
        ++pos;
    return ReadNumber(field, pos, n[3]) && Expect(field, pos, ':') && ReadNumber(field, pos, n[4]) &&
           Expect(field, pos, ':') && ReadNumber(field, pos, n[5]);
}

} // namespace

bool CLogLineParser::ParseField(std::string_view field, std::int64_t& instant, int* ymd)
{
    int n[6];
    if (!ReadFixedShape(field, n) && !ReadGeneralShape(field, n))
        return false;
    return ComposeField(n, instant, ymd);
}

bool CLogLineParser::ComposeField(const int* n, std::int64_t& instant, int* ymd)
{
    int day = n[0], month = n[1], year = n[2], hour = n[3], minute = n[4], second = n[5];
    bool plain = false;
    instant = Compose(year, month, day, hour, minute, second, plain);
    if (instant < CTime::kMin || instant > CTime::kMax)
        return false;
    if (ymd) {
        if (!plain) {
            // Carried fields or a day with a daylight-saving change: the calendar day is the
            // instant's own.
            std::tm local{};
            if (!CTime(instant).Split(local))
                return false;
            year = local.tm_year + 1900;
            month = local.tm_mon + 1;
            day = local.tm_mday;
        }
        ymd[0] = year;
        ymd[1] = month;
        ymd[2] = day;
    }
    return true;
}

bool CLogLineParser::Parse(std::string_view line, SLogLine& out)
{
    out.deleted = !line.empty() && line[0] == '*';
    if (out.deleted)
        line.remove_prefix(1);

    int ymd[3];
    std::size_t third;
    int start[6], end[6];
    // The lines the program writes: two fields of exactly 19 characters, each followed by the
    // separator. Neither field can hold two blanks in a row, so these are the first two
    // separators, as the search below would find them.
    if (line.size() >= 42 && line[19] == ' ' && line[20] == ' ' && line[40] == ' ' && line[41] == ' ' &&
        ReadFixedShape(line.substr(0, 19), start) && ReadFixedShape(line.substr(21, 19), end)) {
        third = line.find(kSeparator, 42);
        if (third == std::string_view::npos)
            return false;
        if (!ComposeField(start, out.start, ymd) || !ComposeField(end, out.end, nullptr))
            return false;
    } else {
        std::size_t first = line.find(kSeparator);
        if (first == std::string_view::npos)
            return false;
        std::size_t second = line.find(kSeparator, first + 2);
        if (second == std::string_view::npos)
            return false;
        third = line.find(kSeparator, second + 2);
        if (third == std::string_view::npos)
            return false;
        if (!ParseField(line.substr(0, first), out.start, ymd) ||
            !ParseField(line.substr(first + 2, second - first - 2), out.end, nullptr))
            return false;
    }
    out.startYear = ymd[0];
    out.startMonth = ymd[1];
    out.startDay = ymd[2];
    out.name = line.substr(third + 2);
    return true;
}
