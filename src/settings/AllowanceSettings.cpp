#include "AllowanceSettings.h"

#include <algorithm>
#include <string>

#include "SettingsStore.h"

namespace {

int InRange(int value, int low, int high, int fallback)
{
    return value >= low && value <= high ? value : fallback;
}

// Whole decimal seconds, or 0 (no warning given) for anything else.
long long ParseSeconds(const std::string& text)
{
    if (text.empty() || text.size() > 18 || text.find_first_not_of("0123456789") != std::string::npos)
        return 0;
    return std::stoll(text);
}

} // namespace

void CAllowanceSettings::Load(const CSettingsStore& store)
{
    const CAllowanceSettings defaults;
    // The settings library writes a flag as "true" or "false"; the program writes 1 or 0.
    const std::string on = store.GetString(kSection, "On", "0");
    m_bOn = on == "true" || (on != "false" && ParseSeconds(on) != 0);
    m_nPeriod = InRange(store.GetInt(kSection, "Period", defaults.m_nPeriod), kDay, kMonth, defaults.m_nPeriod);
    // The Preferences page's range for the period: no day holds more than 24 hours.
    m_nMinutes = InRange(store.GetInt(kSection, "Minutes", defaults.m_nMinutes), 1, MaxMinutes(m_nPeriod),
                         std::min(defaults.m_nMinutes, MaxMinutes(m_nPeriod)));
    m_strEntry = store.GetString(kSection, "Entry", "");
    // A warning at 100 % would coincide with the one for the allowance used up.
    m_nWarnPercent =
        InRange(store.GetInt(kSection, "WarnPercent", defaults.m_nWarnPercent), 1, 99, defaults.m_nWarnPercent);
    // Written as text: a start after 2038 does not fit the store's integers. One written as an
    // integer reads the same.
    m_nNotifiedStart = ParseSeconds(store.GetString(kSection, "NotifiedStart", "0"));
    m_nNotifiedLevel = InRange(store.GetInt(kSection, "NotifiedLevel", 0), 0, 2, 0);
    m_strNotifiedFor = store.GetString(kSection, "NotifiedFor", "");
}

std::string CAllowanceSettings::NotifiedFor() const
{
    // The entry last: it may hold any character.
    return std::to_string(m_nPeriod) + ' ' + std::to_string(m_nMinutes) + ' ' + m_strEntry;
}

int CAllowanceSettings::MaxMinutes(int period)
{
    return period == kDay ? 24 * 60 : period == kWeek ? 7 * 24 * 60 : kMaxMinutes;
}

CAllowance CAllowanceSettings::GetAllowance(int weekStart, int monthStart) const
{
    return CAllowance(GetSeconds(), m_nPeriod, m_strEntry, m_nWarnPercent, weekStart, monthStart);
}

void CAllowanceSettings::Save(CSettingsStore& store) const
{
    store.WriteInt(kSection, "On", m_bOn ? 1 : 0);
    store.WriteInt(kSection, "Minutes", m_nMinutes);
    store.WriteInt(kSection, "Period", m_nPeriod);
    store.WriteString(kSection, "Entry", m_strEntry);
    store.WriteInt(kSection, "WarnPercent", m_nWarnPercent);
    SaveNotified(store);
}

void CAllowanceSettings::SaveNotified(CSettingsStore& store) const
{
    store.WriteString(kSection, "NotifiedStart", std::to_string(m_nNotifiedStart));
    store.WriteInt(kSection, "NotifiedLevel", m_nNotifiedLevel);
    store.WriteString(kSection, "NotifiedFor", m_strNotifiedFor);
}
