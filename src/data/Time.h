#pragma once

#include <cstdint>
#include <ctime>
#include <string>

#include "TimeSpan.h"

// An instant in whole seconds since 1970-01-01 00:00:00 UTC; calendar fields are local time.
// Valid instants are 1970-01-01 00:00:00 UTC to 9999-12-31 23:59:59 UTC, the last a four-digit
// year in the log can name. The value is held in 64 bits so that arithmetic never overflows, and
// IsValid() tells whether a result can be stored.
class CTime
{
public:
    static constexpr std::int64_t kMin = 0;
    static constexpr std::int64_t kMax = 253402300799;
    static constexpr std::int64_t kInvalid = INT64_MIN;

    CTime() = default;
    explicit CTime(std::int64_t seconds) : m_time(seconds) {}
    // Compose from local calendar fields (month 1-12); fields out of range carry into the next
    // unit. A local time that does not exist (a daylight-saving gap) moves forward; one that
    // occurs twice gives the earlier instant. The result is invalid if the C library cannot
    // represent it.
    CTime(int year, int month, int day, int hour, int minute, int second);

    static CTime GetCurrentTime();
    // The composition above, as a raw value (kInvalid when the C library refuses it).
    static std::int64_t ComposeLocal(int year, int month, int day, int hour, int minute, int second);

    std::int64_t GetTime() const { return m_time; }
    bool IsValid() const { return m_time >= kMin && m_time <= kMax; }

    // The local calendar fields (tm_year is years since 1900, tm_mon 0-11, as the C library
    // gives them); false if the C library cannot split this instant.
    bool Split(std::tm& out) const;
    int GetYear() const;
    int GetMonth() const; // 1-12
    int GetDay() const;   // 1-31
    int GetHour() const;
    int GetMinute() const;
    int GetSecond() const;
    int GetWeekday() const; // 0 = Sunday ... 6 = Saturday

    // strftime of the local fields; a pattern that produces nothing gives the empty text.
    std::string Format(const char* pattern) const;
    std::string Format(const std::string& pattern) const { return Format(pattern.c_str()); }

    CTimeSpan operator-(CTime other) const { return CTimeSpan(m_time - other.m_time); }
    CTime operator+(CTimeSpan span) const { return CTime(m_time + span.GetTotalSeconds()); }
    CTime operator-(CTimeSpan span) const { return CTime(m_time - span.GetTotalSeconds()); }
    bool operator==(CTime other) const { return m_time == other.m_time; }
    bool operator!=(CTime other) const { return m_time != other.m_time; }
    bool operator<(CTime other) const { return m_time < other.m_time; }
    bool operator>(CTime other) const { return m_time > other.m_time; }
    bool operator<=(CTime other) const { return m_time <= other.m_time; }
    bool operator>=(CTime other) const { return m_time >= other.m_time; }

private:
    std::tm SplitOrZero() const;

    std::int64_t m_time = 0;
};
