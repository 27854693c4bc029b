#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "Allowance.h"

// What the reporter takes when an option is not given: the user's settings where they exist,
// else the program's defaults.
struct SReportDefaults
{
    std::string logPath = "Zelmorin.Log";
    std::string entry;
    int weekStart = 0;
    int monthStart = 1;
    std::string dayFormat = "%d/%m/%Y";
    std::string dateFormat = "%d/%m/%Y";
    // The allowance (see CAllowanceSettings): whether one applies, its minutes, its period
    // (1 day, 2 week, 3 month), the entry it counts and its warning share.
    bool allowanceOn = false;
    int allowanceMinutes = 30 * 60;
    int allowancePeriod = 3;
    std::string allowanceEntry;
    int warnPercent = 80;
};

// The folder that holds the log: appPath (the App Paths value) when it is set, else the user's
// data folder the program uses, $XDG_DATA_HOME/Quillmoor/Zelmorin ($HOME/.local/share without
// XDG_DATA_HOME). Empty when there is neither a value nor a home.
std::string ReportDataFolder(const std::string& appPath);

// zelmorin-report: prints the connection history for scripts. Returns the exit code: 0 on
// success, 1 when the log cannot be read or the report cannot be written, 2 for bad usage;
// `allowance` gives kExitWarning or kExitUsedUp in place of 0 when the allowance reached its
// warning share or is used up. A log that does not exist yet is an empty one.
class CReport
{
public:
    static constexpr int kExitWarning = 3;
    static constexpr int kExitUsedUp = 4;

    CReport(const SReportDefaults& defaults, std::ostream& out, std::ostream& err);

    int Run(const std::vector<std::string>& args);

    static const char* Usage();

private:
    int UsageError(const std::string& message);
    int FlushedResult(int result);
    void Totals(const class CConnectionLog& log);
    void Tree(const CConnectionLog& log);
    int Day(const CConnectionLog& log, const std::string& date);
    int Export(CConnectionLog& log, const std::string& path);
    void Json(const CConnectionLog& log);
    int Allowance(const CConnectionLog& log);
    struct SAllowanceState AllowanceNow(const CConnectionLog& log);
    // The running connection from the checkpoint beside the log, as the tray tip counts it.
    bool RunningFromCheckpoint(const CConnectionLog& log, CAllowance::SRunning& running);

    // --entry was given: it then chooses the allowance's entry too.
    bool m_bEntryGiven = false;

    SReportDefaults m_options;
    std::ostream& m_out;
    std::ostream& m_err;
};
