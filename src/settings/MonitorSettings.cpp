#include "MonitorSettings.h"

#include "PasswordHash.h"
#include "SettingsStore.h"
#include "TimeTexts.h"

namespace {

// A stored value outside its range loads as the default: the title's label table has four
// rows, and the week rule needs a weekday.
int InRange(int value, int low, int high, int fallback)
{
    return value >= low && value <= high ? value : fallback;
}

} // namespace

void CMonitorSettings::LoadSettings(const CSettingsStore& store, const std::function<bool()>& autoStartExists)
{
    m_nPosX = store.GetInt("", "PosX", kNoPosition);
    m_nPosY = store.GetInt("", "PosY", kNoPosition);
    m_bOnTop = store.GetInt("", "OnTop", 0) != 0;
    m_bShowTotal = store.GetInt("", "Total", 0) != 0;
    m_bHidden = store.GetInt("", "Hidden", 0) != 0;
    m_nTotalType = InRange(store.GetInt("", "TotalType", 0), 0, 3, 0);
    LoadPeriodStarts(store, m_nWeekStart, m_nMonthStart);
    m_bAutoShow = store.GetInt("", "AutoShow", 0) != 0;
    m_strSelectedISP = store.GetString("", "SelectedISP", "");
    DayDateFormat = store.GetString("", "DayDateFormat", DayDateFormat);
    ConnectionDateFormat = store.GetString("", "ConnectionDateFormat", ConnectionDateFormat);
    m_bAutoStart = autoStartExists ? autoStartExists() : false;
    SetFlags(store.GetInt("", "Flags", kDefaultFlags));
    // An old plain password is hashed now, so that only the hash stays in memory and the next
    // save replaces the plain text in the file.
    m_strPassword = CPasswordHash::ForStorage(store.GetString("", "StringFlags", ""));
}

void CMonitorSettings::SaveSettings(CSettingsStore& store, int posX, int posY) const
{
    store.WriteInt("", "PosX", posX);
    store.WriteInt("", "PosY", posY);
    store.WriteInt("", "OnTop", m_bOnTop ? 1 : 0);
    store.WriteInt("", "Total", m_bShowTotal ? 1 : 0);
    store.WriteInt("", "Hidden", m_bHidden ? 1 : 0);
    store.WriteInt("", "AutoShow", m_bAutoShow ? 1 : 0);
    store.WriteInt("", "TotalType", m_nTotalType);
    store.WriteInt("", "WeekStart", m_nWeekStart);
    store.WriteInt("", "MonthStart", m_nMonthStart);
    store.WriteString("", "SelectedISP", m_strSelectedISP);
    store.WriteString("", "DayDateFormat", DayDateFormat);
    store.WriteString("", "ConnectionDateFormat", ConnectionDateFormat);
    store.WriteInt("", "Flags", GetFlags());
    store.WriteString("", "StringFlags", CPasswordHash::ForStorage(m_strPassword));
}

void CMonitorSettings::LoadPeriodStarts(const CSettingsStore& store, int& weekStart, int& monthStart)
{
    weekStart = InRange(store.GetInt("", "WeekStart", 0), 0, 6, 0);
    monthStart = InRange(store.GetInt("", "MonthStart", 1), 1, 31, 1);
}

int CMonitorSettings::GetFlags() const
{
    return (m_bProtect ? 1 : 0) + (m_bProtectExit ? 2 : 0) + (m_bProtectConfig ? 4 : 0) + (m_bProtectHistory ? 8 : 0) +
           (m_bHistoryEdit ? 16 : 0);
}

void CMonitorSettings::SetFlags(int flags)
{
    m_bProtect = (flags & 1) != 0;
    m_bProtectExit = (flags & 2) != 0;
    m_bProtectConfig = (flags & 4) != 0;
    m_bProtectHistory = (flags & 8) != 0;
    m_bHistoryEdit = (flags & 16) != 0;
}
