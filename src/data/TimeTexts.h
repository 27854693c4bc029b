#pragma once

#include <string>

#include "Time.h"
#include "TimeSpan.h"

// The two process-wide date patterns of the History. Read at the moment each text is made, so
// a change shows at once without rebuilding anything.
extern std::string DayDateFormat;
extern std::string ConnectionDateFormat;

// "%02d:%s" of the whole hours and "%M:%S": hours are never reduced to days (26:05:09).
std::string FormatDuration(CTimeSpan span);

// The instant in ConnectionDateFormat, one space, then "%H:%M:%S".
std::string FormatDateTime(CTime time);
