#pragma once

#include <functional>

#include "Allowance.h"

class CAllowanceSettings;
class CConnectionLog;
class CSettingsStore;

// Follows the allowance while the program runs and gives each warning once: at the warning
// share and at the whole allowance, once per period, remembered in the settings at once so that
// a restart gives again only what was not given yet. A jump past both shares gives the higher
// one only. A change of the period kind, the allowance or the entry makes both due again.
class CAllowanceWatch
{
public:
    // level: SAllowanceState::kWarning or kFull.
    using Notify = std::function<void(SAllowanceState::EThreshold level, const SAllowanceState& state)>;

    CAllowanceWatch(CAllowanceSettings& settings, CSettingsStore& store, Notify notify);

    // The allowance at `now` (running: the running connection, or null), warning when due.
    // Nothing is computed or given while the allowance is off; the result's period is then
    // invalid.
    SAllowanceState Update(const CConnectionLog& log, CTime now, const CAllowance::SRunning* running, int weekStart,
                           int monthStart);

private:
    CAllowanceSettings& m_settings;
    CSettingsStore& m_store;
    Notify m_notify;
};
