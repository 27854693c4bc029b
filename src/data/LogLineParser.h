#pragma once

#include <cstdint>
#include <string_view>
#include <unordered_map>

// One log line, read: "[*]DD/MM/YYYY HH:MM:SS  DD/MM/YYYY HH:MM:SS  duration  entry name".
struct SLogLine
{
    std::int64_t start = 0;
    std::int64_t end = 0;
    std::string_view name; // points into the parsed line
    bool deleted = false;
    // The local calendar day of the start, for the month and day index.
    int startYear = 0;
    int startMonth = 0;
    int startDay = 0;
};

// Reads log lines. Composing local times through mktime costs far more than the rest of the
// parse, so the parser keeps the local midnight of every day it has seen and, on a day with
// no daylight-saving change, adds the time of day to it; every other case goes through
// CTime's composition, so both give the same instant for every line.
//
// A parser belongs to one read of a file: it must not outlive a change of the time zone.
class CLogLineParser
{
public:
    // False if the line does not follow the format: fewer than three two-blank separators, a
    // start or end with fewer than six numbers, or an instant outside what CTime holds.
    bool Parse(std::string_view line, SLogLine& out);

    // The instant of local calendar fields (month 1-12), as CTime::ComposeLocal gives it.
    std::int64_t Compose(int year, int month, int day, int hour, int minute, int second);

private:
    struct SDay
    {
        std::int64_t midnight;
        bool plain; // no offset change during the day: every time of day is midnight + seconds
    };

    std::int64_t Compose(int year, int month, int day, int hour, int minute, int second, bool& plain);
    bool ParseField(std::string_view field, std::int64_t& instant, int* ymd);
    // n: day, month, year, hour, minute, second as read; ymd, if given, gets the start's day.
    bool ComposeField(const int* n, std::int64_t& instant, int* ymd);
    const SDay& LookUpDay(int year, int month, int day);
    // The day, worked out from the last day found without an offset change when it is the
    // next calendar day and has no change either; false otherwise.
    bool FollowsPlainDay(int year, int month, int day, SDay& entry) const;

    std::unordered_map<std::int32_t, SDay> m_days;
    std::int32_t m_lastKey = -1;
    SDay m_lastDay{0, false};
    // The last day found without an offset change: its key, midnight and UTC offset.
    std::int32_t m_nPlainKey = -1;
    std::int64_t m_nPlainMidnight = 0;
    long m_nPlainOffset = 0;
};
