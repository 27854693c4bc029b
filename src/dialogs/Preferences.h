#pragma once

#include <string>
#include <vector>

class CAllowanceSettings;
class CMonitorSettings;
class QWidget;

// The main window's Preferences command, after its own password guard: the sheet
// "Zelmorin - Properties" with the General, History, Advanced and Allowance pages over the settings and
// the process-wide date patterns. On OK the pages' values go into the settings and the
// patterns, the autostart entry is made or removed when its box changed, and the result is
// true: the caller applies the display settings. Cancel changes nothing and gives false.
// entries: the phone book's names, offered for the title total and the allowance.
bool RunPreferences(CMonitorSettings& settings, CAllowanceSettings& allowance, const std::vector<std::string>& entries,
                    QWidget* parent);
