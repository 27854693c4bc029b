#pragma once

#include <cstdint>
#include <string>

// A signed number of seconds. Held in 64 bits so that the running sums of years of history
// never overflow; every single duration the program makes fits in 32 bits.
class CTimeSpan
{
public:
    CTimeSpan() = default;
    explicit CTimeSpan(std::int64_t seconds) : m_span(seconds) {}
    CTimeSpan(std::int64_t days, int hours, int minutes, int seconds)
        : m_span(days * 86400 + hours * 3600LL + minutes * 60LL + seconds)
    {
    }

    std::int64_t GetTotalSeconds() const { return m_span; }

    // Only the pattern "%M:%S" has a meaning: the minutes and seconds within the hour, each
    // "%02d" (negative spans give negative parts). Every other character is copied.
    std::string Format(const char* pattern) const;

    CTimeSpan operator+(CTimeSpan other) const { return CTimeSpan(m_span + other.m_span); }
    CTimeSpan operator-(CTimeSpan other) const { return CTimeSpan(m_span - other.m_span); }
    CTimeSpan& operator+=(CTimeSpan other)
    {
        m_span += other.m_span;
        return *this;
    }
    bool operator==(CTimeSpan other) const { return m_span == other.m_span; }
    bool operator!=(CTimeSpan other) const { return m_span != other.m_span; }
    bool operator<(CTimeSpan other) const { return m_span < other.m_span; }
    bool operator>(CTimeSpan other) const { return m_span > other.m_span; }
    bool operator<=(CTimeSpan other) const { return m_span <= other.m_span; }
    bool operator>=(CTimeSpan other) const { return m_span >= other.m_span; }

private:
    std::int64_t m_span = 0;
};
