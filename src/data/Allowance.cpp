#include "Allowance.h"

#include <algorithm>
#include <climits>

#include "ConnectionLog.h"
#include "LogDay.h"
#include "LogMonth.h"

CAllowance::CAllowance(long long seconds, int period, const std::string& entry, int warnPercent, int weekStart,
                       int monthStart)
    : m_nSeconds(seconds), m_nPeriod(period), m_strEntry(entry), m_nWarnPercent(warnPercent), m_nWeekStart(weekStart),
      m_nMonthStart(monthStart)
{
}

long long CAllowance::LoggedUse(const CConnectionLog& log, const CPeriod& period, CTime now, const std::string& entry)
{
    if (!period.IsValid())
        return 0;
    std::tm local{};
    if (!now.Split(local))
        return 0;
    const long long first = CPeriod::DaysFromCivil(period.GetFirstYear(), period.GetFirstMonth(), period.GetFirstDay());
    const long long today = CPeriod::DaysFromCivil(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
    const long long last = std::min(today, first + period.GetDayCount() - 1);
    long long total = 0;
    for (long long day = first; day <= last; ++day) {
        int y = 0, m = 0, d = 0;
        CPeriod::CivilFromDays(day, y, m, d);
        if (const CLogMonth* month = log.FindMonth(y, m))
            if (const CLogDay* logDay = month->FindDay(d))
                total += logDay->GetTotal(entry).GetTotalSeconds();
    }
    return total;
}

SAllowanceState CAllowance::Compute(const CConnectionLog& log, CTime now, const SRunning* running) const
{
    SAllowanceState state;
    state.allowance = std::max(0LL, m_nSeconds);
    state.period = CPeriod::At(m_nPeriod, now, m_nWeekStart, m_nMonthStart);
    const CPeriod& period = state.period;
    bool counted = false; // the running connection uses this allowance
    if (period.IsValid()) {
        state.used = LoggedUse(log, period, now, m_strEntry);
        counted = running && (m_strEntry.empty() || running->name == m_strEntry) &&
                  running->start >= period.GetStart() && running->start < period.GetEnd();
        if (counted)
            state.used += std::max(0LL, running->elapsed);
    }
    state.left = std::max(0LL, state.allowance - state.used);
    state.over = std::max(0LL, state.used - state.allowance);
    // An allowance of nothing is used up from the start.
    if (state.allowance == 0)
        state.percentUsed = 100;
    else if (state.used / state.allowance > LLONG_MAX / 100 - 1)
        state.percentUsed = LLONG_MAX; // past any sum the log can hold
    else                               // whole and remainder apart, so that no product overflows
        state.percentUsed = state.used / state.allowance * 100 + state.used % state.allowance * 100 / state.allowance;
    if (state.left == 0)
        state.threshold = SAllowanceState::kFull;
    else if (state.percentUsed >= m_nWarnPercent) // the same as used/allowance >= warn/100
        state.threshold = SAllowanceState::kWarning;

    const long long elapsed = period.IsValid() ? (now - period.GetStart()).GetTotalSeconds() : 0;
    const long long length = period.IsValid() ? (period.GetEnd() - period.GetStart()).GetTotalSeconds() : 0;
    if (state.left == 0) {
        state.pace = SAllowanceState::kUsedUp;
    } else if (elapsed < kFirstRateSeconds || length <= 0) {
        state.pace = SAllowanceState::kNoRate;
    } else if (state.used == 0) {
        state.pace = SAllowanceState::kLasts;
        state.percentLeftAtEnd = 100;
    } else {
        // At used/elapsed seconds a second the allowance lasts allowance*elapsed/used seconds
        // from the period's start; the products stay far below 2^63 (a period is at most 62
        // days, an allowance 31).
        const long long lasts = (state.allowance * elapsed + state.used - 1) / state.used;
        if (lasts < length) {
            state.pace = SAllowanceState::kRunsOut;
            state.runsOut = period.GetStart() + CTimeSpan(lasts);
        } else {
            state.pace = SAllowanceState::kLasts;
            // The share left = 1 - used*length / (elapsed*allowance), in whole percent.
            const long long usedAtEnd100 = state.used * length * 100;
            const long long whole = elapsed * state.allowance;
            state.percentLeftAtEnd = static_cast<int>(std::max(0LL, 100 - (usedAtEnd100 + whole - 1) / whole));
        }
    }
    // While a counted connection runs, it uses a second a second: if it goes on, the allowance
    // runs out once what is left has passed, which may be sooner than the rate so far says.
    const bool rated = state.pace == SAllowanceState::kLasts || state.pace == SAllowanceState::kRunsOut;
    if (counted && rated && elapsed + state.left < length &&
        (state.pace == SAllowanceState::kLasts || now + CTimeSpan(state.left) < state.runsOut)) {
        state.pace = SAllowanceState::kRunsOut;
        state.runsOut = now + CTimeSpan(state.left);
        state.percentLeftAtEnd = 0;
    }
    return state;
}
