#include "TimeTexts.h"

#include <cstdio>

std::string DayDateFormat = "%d/%m/%Y";
std::string ConnectionDateFormat = "%d/%m/%Y";

std::string FormatDuration(CTimeSpan span)
{
    char hours[32];
    std::snprintf(hours, sizeof hours, "%02lld:", static_cast<long long>(span.GetTotalSeconds() / 3600));
    return hours + span.Format("%M:%S");
}

std::string FormatDateTime(CTime time)
{
    return time.Format(ConnectionDateFormat) + ' ' + time.Format("%H:%M:%S");
}
