#pragma once

#include <cstdint>
#include <string>
#include <vector>

// What a straightforward reader of the log keeps of one line.
struct SReferenceRecord
{
    std::int64_t start = 0;
    std::int64_t end = 0;
    int year = 0, month = 0, day = 0; // the start's local calendar day, as mktime carried it
    std::string name;
    bool deleted = false;
};

// The yardstick for CConnectionLog::Load: reads the file line by line, takes each date with
// sscanf and mktime, and keeps every line that parses, in file order. Lines that do not parse
// are skipped. An unreadable file gives an empty list.
std::vector<SReferenceRecord> ReadReference(const std::string& path);
