// zelmorin-report: the connection history from the command line.
#include <clocale>
#include <iostream>

#include "AllowanceSettings.h"
#include "AppSettings.h"
#include "Report.h"

int main(int argc, char** argv)
{
    // Day and month names of the strftime patterns follow the user's language. A locale the
    // machine lacks leaves "C" in place, which prints the same report in English: no error.
    // The streams keep the classic locale, so numbers and the log's own format do not change.
    std::setlocale(LC_ALL, "");
    SReportDefaults defaults;
    const std::string folder = ReportDataFolder(CAppSettings::GetAppPath());
    // Without any folder the log is looked for in the current directory.
    defaults.logPath = folder.empty() ? "Zelmorin.Log" : folder + "/Zelmorin.Log";
    {
        CAppSettings settings;
        defaults.entry = settings.GetString("", "SelectedISP", defaults.entry);
        defaults.weekStart = settings.GetInt("", "WeekStart", defaults.weekStart);
        defaults.monthStart = settings.GetInt("", "MonthStart", defaults.monthStart);
        defaults.dayFormat = settings.GetString("", "DayDateFormat", defaults.dayFormat);
        defaults.dateFormat = settings.GetString("", "ConnectionDateFormat", defaults.dateFormat);
        CAllowanceSettings allowance;
        allowance.Load(settings);
        defaults.allowanceOn = allowance.m_bOn;
        defaults.allowanceMinutes = allowance.m_nMinutes;
        defaults.allowancePeriod = allowance.m_nPeriod;
        defaults.allowanceEntry = allowance.m_strEntry;
        defaults.warnPercent = allowance.m_nWarnPercent;
    }
    std::vector<std::string> args(argv + 1, argv + argc);
    return CReport(defaults, std::cout, std::cerr).Run(args);
}
