#include "AllowanceWatch.h"

#include "AllowanceSettings.h"

CAllowanceWatch::CAllowanceWatch(CAllowanceSettings& settings, CSettingsStore& store, Notify notify)
    : m_settings(settings), m_store(store), m_notify(std::move(notify))
{
}

SAllowanceState CAllowanceWatch::Update(const CConnectionLog& log, CTime now, const CAllowance::SRunning* running,
                                        int weekStart, int monthStart)
{
    if (!m_settings.m_bOn)
        return SAllowanceState();
    SAllowanceState state = m_settings.GetAllowance(weekStart, monthStart).Compute(log, now, running);
    if (state.threshold == SAllowanceState::kNone || !state.period.IsValid())
        return state;
    const long long start = state.period.GetStart().GetTime();
    const int level = static_cast<int>(state.threshold);
    const std::string given = m_settings.NotifiedFor();
    // A record without what it was given for comes from before that was kept: its period
    // alone decides, so an update does not repeat the warning.
    const bool same = m_settings.m_strNotifiedFor.empty() || m_settings.m_strNotifiedFor == given;
    if (start == m_settings.m_nNotifiedStart && same && level <= m_settings.m_nNotifiedLevel)
        return state;
    m_settings.m_nNotifiedStart = start;
    m_settings.m_nNotifiedLevel = level;
    m_settings.m_strNotifiedFor = given;
    m_settings.SaveNotified(m_store);
    if (m_notify)
        m_notify(state.threshold, state);
    return state;
}
