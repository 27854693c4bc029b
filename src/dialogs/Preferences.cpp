#include "Preferences.h"

#include <QCoreApplication>
#include <QDialog>

#include "AllowanceSettings.h"
#include "MonitorSettings.h"
#include "PasswordDlg.h"
#include "PropPageAdvanced.h"
#include "PropPageAllowance.h"
#include "PropPageGeneral.h"
#include "PropPageHistory.h"
#include "PropertySheet.h"
#include "StartupShortcut.h"
#include "TimeTexts.h"

bool RunPreferences(CMonitorSettings& settings, CAllowanceSettings& allowance, const std::vector<std::string>& entries,
                    QWidget* parent)
{
    CPropPageGeneral general(entries);
    general.m_bHide = settings.m_bHidden;
    general.m_bOnTop = settings.m_bOnTop;
    general.m_bTotal = settings.m_bShowTotal;
    general.m_nWeekStart = settings.m_nWeekStart;
    general.m_bAutoShow = settings.m_bAutoShow;
    general.m_nTotalType = settings.m_nTotalType;
    general.m_strEntry = settings.m_strSelectedISP;
    general.m_nMonthStart = settings.m_nMonthStart;

    CPropPageHistory history;
    history.SetDayDateFormat(DayDateFormat);
    history.SetConnectionDateFormat(ConnectionDateFormat);

    CPropPageAdvanced advanced;
    advanced.m_bAutoStart = settings.m_bAutoStart;
    advanced.m_bProtect = settings.m_bProtect;
    advanced.m_bProtectConfig = settings.m_bProtectConfig;
    advanced.m_bProtectExit = settings.m_bProtectExit;
    advanced.m_bProtectHistory = settings.m_bProtectHistory;
    advanced.m_bHistoryEdit = settings.m_bHistoryEdit;
    // Without protection the page starts with no password, so OK clears an old one unless the
    // user sets a new one.
    if (settings.m_bProtect)
        advanced.m_strPassword = settings.m_strPassword;

    CPropPageAllowance limit(entries);
    limit.m_bOn = allowance.m_bOn;
    limit.m_nMinutes = allowance.m_nMinutes;
    limit.m_nPeriod = allowance.m_nPeriod;
    limit.m_strEntry = allowance.m_strEntry;
    limit.m_nWarnPercent = allowance.m_nWarnPercent;

    general.m_pAllowancePage = &limit;

    CPropertySheet sheet(QCoreApplication::translate("CPreferences", "Zelmorin - Properties"), parent);
    sheet.AddPage(&general);
    sheet.AddPage(&history);
    sheet.AddPage(&advanced);
    sheet.AddPage(&limit);
    if (sheet.exec() != QDialog::Accepted)
        return false;

    settings.m_bAutoShow = general.m_bAutoShow;
    settings.m_bShowTotal = general.m_bTotal;
    settings.m_bOnTop = general.m_bOnTop;
    settings.m_nTotalType = general.m_nTotalType;
    settings.m_nMonthStart = general.m_nMonthStart;
    settings.m_nWeekStart = general.m_nWeekStart;
    settings.m_strSelectedISP = general.m_strEntry; // empty for " All connections"
    settings.m_bHidden = general.m_bHide;

    allowance.m_bOn = limit.m_bOn;
    allowance.m_nMinutes = limit.m_nMinutes;
    allowance.m_nPeriod = limit.m_nPeriod;
    allowance.m_strEntry = limit.m_strEntry;
    allowance.m_nWarnPercent = limit.m_nWarnPercent;

    DayDateFormat = history.GetDayDateFormat();
    ConnectionDateFormat = history.GetConnectionDateFormat();

    // Only a change of the box touches the entry: one deleted by hand meanwhile stays deleted.
    if (advanced.m_bAutoStart != settings.m_bAutoStart) {
        if (advanced.m_bAutoStart) {
            // An entry that cannot be written is not reported; the next start finds none.
            CreateStartupShortcut();
            settings.m_bAutoStart = true;
        } else {
            // An entry that is still there starts the program at the next logon, so the box
            // stays ticked to say so.
            settings.m_bAutoStart = !RemoveStartupShortcut();
        }
    }

    settings.m_bProtectConfig = advanced.m_bProtectConfig;
    settings.m_bProtectExit = advanced.m_bProtectExit;
    settings.m_bHistoryEdit = advanced.m_bHistoryEdit;
    settings.m_bProtectHistory = advanced.m_bProtectHistory;
    WipePassword(settings.m_strPassword);
    settings.m_strPassword = advanced.m_strPassword;
    settings.m_bProtect = advanced.m_bProtect;
    return true;
}
