#include "AllowanceSettings.h"

#include "SettingsStore.h"

namespace {

int InRange(int value, int low, int high, int fallback)
{
    return value >= low && value <= high ? value : fallback;
}

} // namespace

void CAllowanceSettings::Load(const CSettingsStore& store)
{
    const CAllowanceSettings defaults;
    m_bOn = store.GetInt(kSection, "On", 0) != 0;
    m_nMinutes = InRange(store.GetInt(kSection, "Minutes", defaults.m_nMinutes), 1, kMaxMinutes, defaults.m_nMinutes);
    m_nPeriod = InRange(store.GetInt(kSection, "Period", defaults.m_nPeriod), kDay, kMonth, defaults.m_nPeriod);
    m_strEntry = store.GetString(kSection, "Entry", "");
    // A warning at 100 % would coincide with the one for the allowance used up.
    m_nWarnPercent =
        InRange(store.GetInt(kSection, "WarnPercent", defaults.m_nWarnPercent), 1, 99, defaults.m_nWarnPercent);
    m_nNotifiedStart = store.GetInt(kSection, "NotifiedStart", 0);
    m_nNotifiedLevel = InRange(store.GetInt(kSection, "NotifiedLevel", 0), 0, 2, 0);
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
    store.WriteInt(kSection, "NotifiedStart", m_nNotifiedStart);
    store.WriteInt(kSection, "NotifiedLevel", m_nNotifiedLevel);
}
