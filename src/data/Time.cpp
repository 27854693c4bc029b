#include "Time.h"

#include <cerrno>
#include <vector>

#include "Clock.h"

namespace {

bool SameWallClock(const std::tm& a, const std::tm& b)
{
    return a.tm_year == b.tm_year && a.tm_mon == b.tm_mon && a.tm_mday == b.tm_mday && a.tm_hour == b.tm_hour &&
           a.tm_min == b.tm_min && a.tm_sec == b.tm_sec;
}

} // namespace

std::int64_t CTime::ComposeLocal(int year, int month, int day, int hour, int minute, int second)
{
    std::tm fields{};
    fields.tm_year = year - 1900;
    fields.tm_mon = month - 1;
    fields.tm_mday = day;
    fields.tm_hour = hour;
    fields.tm_min = minute;
    fields.tm_sec = second;
    // Carry fields out of range on the plain calendar first. mktime would carry them from a
    // starting wall-clock time that may fall in the hour repeated when daylight saving ends,
    // and resolve that by its previous call: "02:00:30991" on that day would give one instant
    // or another an hour apart depending on the line read before it.
    if (month < 1 || month > 12 || day < 1 || day > 28 || hour < 0 || hour > 23 || minute < 0 || minute > 59 ||
        second < 0 || second > 59) {
        std::tm flat = fields;
        errno = 0;
        if (timegm(&flat) == static_cast<std::time_t>(-1) && errno != 0)
            return kInvalid;
        fields = flat;
    }
    fields.tm_isdst = -1;
    std::time_t result = std::mktime(&fields);
    // -1 is also 1969-12-31 23:59:59 UTC, which is outside the valid range anyway.
    if (result == static_cast<std::time_t>(-1))
        return kInvalid;

    // glibc resolves a wall-clock time that occurs twice (the hour after daylight saving ends)
    // by the offset of its previous call, so the same log line could read back as two
    // instants. Look for an earlier instant with the same wall-clock time under the offset in
    // force shortly before, and take it.
    std::tm at{};
    if (!localtime_r(&result, &at))
        return result;
    for (std::time_t back : {std::time_t(3 * 3600), std::time_t(86400)}) {
        std::time_t probe = result - back;
        std::tm before{};
        if (!localtime_r(&probe, &before) || before.tm_gmtoff <= at.tm_gmtoff)
            continue;
        std::time_t candidate = result - (before.tm_gmtoff - at.tm_gmtoff);
        std::tm cand{};
        if (localtime_r(&candidate, &cand) && SameWallClock(cand, fields))
            return candidate;
    }
    return result;
}

CTime::CTime(int year, int month, int day, int hour, int minute, int second)
    : m_time(ComposeLocal(year, month, day, hour, minute, second))
{
}

CTime CTime::GetCurrentTime()
{
    return CTime(ClockNow());
}

bool CTime::Split(std::tm& out) const
{
    if (m_time == kInvalid)
        return false;
    std::time_t t = static_cast<std::time_t>(m_time);
    return localtime_r(&t, &out) != nullptr;
}

std::tm CTime::SplitOrZero() const
{
    std::tm fields{};
    if (!Split(fields))
        fields = std::tm{};
    return fields;
}

int CTime::GetYear() const
{
    return SplitOrZero().tm_year + 1900;
}
int CTime::GetMonth() const
{
    return SplitOrZero().tm_mon + 1;
}
int CTime::GetDay() const
{
    return SplitOrZero().tm_mday;
}
int CTime::GetHour() const
{
    return SplitOrZero().tm_hour;
}
int CTime::GetMinute() const
{
    return SplitOrZero().tm_min;
}
int CTime::GetSecond() const
{
    return SplitOrZero().tm_sec;
}
int CTime::GetWeekday() const
{
    return SplitOrZero().tm_wday;
}

std::string CTime::Format(const char* pattern) const
{
    if (!pattern || !*pattern)
        return std::string();
    std::tm fields = SplitOrZero();
    // strftime gives 0 both for an empty result and for a buffer too small: grow a few times,
    // then accept the empty text.
    std::vector<char> buf(128);
    for (int attempt = 0; attempt < 10; ++attempt) {
        std::size_t n = std::strftime(buf.data(), buf.size(), pattern, &fields);
        if (n > 0)
            return std::string(buf.data(), n);
        buf.resize(buf.size() * 2);
    }
    return std::string();
}
