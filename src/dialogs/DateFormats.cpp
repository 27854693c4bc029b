#include "DateFormats.h"

// Stored settings hold these strings, so rows may be added but never reworded. The comments show
// 23 January 1998 in each.
const char* const DateFormats[kDateFormatCount] = {
    "%d/%m/%Y",      // 23/01/1998
    "%m/%d/%Y",      // 01/23/1998
    "%d/%m",         // 23/01
    "%m/%d",         // 01/23
    "%d",            // 23
    "%a, %d",        // Fri, 23
    "%d, %a",        // 23, Fri
    "%d %b %Y",      // 23 Jan 1998
    "%b %d, %Y",     // Jan 23, 1998
    "%a, %d %b %Y",  // Fri, 23 Jan 1998
    "%a, %b %d, %Y", // Fri, Jan 23, 1998
    "%A, %d",        // Friday, 23
    "%d, %A",        // 23, Friday
};
