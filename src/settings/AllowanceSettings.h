#pragma once

#include <string>

#include "Allowance.h"

class CSettingsStore;

// The time allowance: how much connection time a period may use, and when to warn. Kept in
// its own "Allowance" section, so no older key changes meaning. Values out of their range
// load as their defaults.
class CAllowanceSettings
{
public:
    static constexpr const char* kSection = "Allowance";
    // The period counts as the title total does: 1 today, 2 this week, 3 this month.
    static constexpr int kDay = CPeriod::kDay;
    static constexpr int kWeek = CPeriod::kWeek;
    static constexpr int kMonth = CPeriod::kMonth;
    // 31 days: no period is longer than a month.
    static constexpr int kMaxMinutes = 31 * 24 * 60;

    // The longest allowance of a period kind: a day, a week, or the longest month.
    static int MaxMinutes(int period);

    void Load(const CSettingsStore& store);
    void Save(CSettingsStore& store) const;
    // Only the record of the last warning given, written as soon as it is given so that a
    // restart does not give it again.
    void SaveNotified(CSettingsStore& store) const;

    // The allowance in seconds.
    long long GetSeconds() const { return 60LL * m_nMinutes; }
    // The allowance these values describe, with the first days of weeks and months of the
    // title total, ready to compute where it stands.
    CAllowance GetAllowance(int weekStart, int monthStart) const;

    bool m_bOn = false;
    int m_nMinutes = 30 * 60;
    int m_nPeriod = kMonth;
    // The entry it counts, "" for all of them.
    std::string m_strEntry;
    // The share of the allowance, in percent, at which the first warning is given.
    int m_nWarnPercent = 80;
    // The last warning given: the start of its period (seconds since 1970, 0 for none) and its
    // level (1 the warning share, 2 the whole allowance).
    long long m_nNotifiedStart = 0;
    int m_nNotifiedLevel = 0;
    // What that warning was given for (NotifiedFor()); empty when written by a version that
    // kept only the period's start.
    std::string m_strNotifiedFor;

    // The period kind, the allowance and the entry as one text: a change of any of them makes
    // the warnings of the same period due again.
    std::string NotifiedFor() const;
};
