#include "TimeSpan.h"

#include <cstdio>

std::string CTimeSpan::Format(const char* pattern) const
{
    std::string out;
    char buf[32];
    for (const char* p = pattern; *p; ++p) {
        if (p[0] == '%' && (p[1] == 'M' || p[1] == 'S')) {
            // C++ division truncates toward zero, as the duration texts require.
            long long part = p[1] == 'M' ? m_span / 60 - (m_span / 3600) * 60 : m_span - (m_span / 60) * 60;
            std::snprintf(buf, sizeof buf, "%02lld", part);
            out += buf;
            ++p;
        } else {
            out += *p;
        }
    }
    return out;
}
