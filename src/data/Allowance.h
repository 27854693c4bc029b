#pragma once

#include <string>

#include "Period.h"
#include "Time.h"
#include "TimeSpan.h"

class CConnectionLog;

// Where the allowance stands at one instant.
struct SAllowanceState
{
    // How the pace reads.
    enum EPace
    {
        kNoRate,  // the period has only just begun: nothing to project from yet
        kRunsOut, // at this pace the allowance runs out at runsOut, before the period ends; while a
                  // counted connection runs, no later than when it would use up what is left
        kLasts,   // at this pace percentLeftAtEnd of it is left when the period ends
        kUsedUp,  // nothing is left
    };
    // The highest share reached.
    enum EThreshold
    {
        kNone,
        kWarning,
        kFull,
    };

    CPeriod period;
    long long allowance = 0; // seconds
    long long used = 0;
    long long left = 0; // never below zero; use beyond the allowance is `over`
    long long over = 0;
    long long percentUsed = 0; // whole percent, rounded down, may pass 100 by any amount
    EPace pace = kNoRate;
    CTime runsOut;            // kRunsOut
    int percentLeftAtEnd = 0; // kLasts, rounded down
    EThreshold threshold = kNone;
};

// A time allowance over the current day, week or month: how much of it the log's connections
// and the running one have used, and where the rate used so far leads by the period's end.
class CAllowance
{
public:
    // The pace waits for this much of the period to pass: one minute's use would otherwise
    // project the whole period from a few seconds.
    static constexpr long long kFirstRateSeconds = 60;

    // seconds: the allowance; period: CPeriod::kDay, kWeek or kMonth; entry: the entry it
    // counts, "" for all; warnPercent: the share of the first warning.
    CAllowance(long long seconds, int period, const std::string& entry, int warnPercent, int weekStart, int monthStart);

    // The running connection, counted when it matches the entry and began inside the period,
    // as the log will count it once it ends.
    struct SRunning
    {
        std::string name;
        CTime start;
        long long elapsed = 0; // seconds
    };

    // The state at `now`; running may be null. The period is invalid (and nothing used) when
    // `now` cannot be split into local calendar fields.
    SAllowanceState Compute(const CConnectionLog& log, CTime now, const SRunning* running = nullptr) const;

    // The connection time logged on the period's days up to and including the day of `now`,
    // for the entry ("" for all): what the title total shows for the same period.
    static long long LoggedUse(const CConnectionLog& log, const CPeriod& period, CTime now, const std::string& entry);

private:
    long long m_nSeconds;
    int m_nPeriod;
    std::string m_strEntry;
    int m_nWarnPercent;
    int m_nWeekStart;
    int m_nMonthStart;
};
