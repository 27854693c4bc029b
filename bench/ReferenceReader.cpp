#include "ReferenceReader.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace {

bool ParseInstant(const char* text, std::int64_t& instant, std::tm& fields)
{
    fields = std::tm{};
    if (std::sscanf(text, "%d/%d/%d %d:%d:%d", &fields.tm_mday, &fields.tm_mon, &fields.tm_year, &fields.tm_hour,
                    &fields.tm_min, &fields.tm_sec) != 6)
        return false;
    fields.tm_mon -= 1;
    fields.tm_year -= 1900;
    fields.tm_isdst = -1;
    std::time_t t = std::mktime(&fields); // also carries the fields into a real local date
    if (t == static_cast<std::time_t>(-1))
        return false;
    instant = static_cast<std::int64_t>(t);
    return true;
}

} // namespace

std::vector<SReferenceRecord> ReadReference(const std::string& path)
{
    std::vector<SReferenceRecord> records;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return records;
    char* line = nullptr;
    std::size_t capacity = 0;
    ssize_t length;
    while ((length = getline(&line, &capacity, file)) >= 0) {
        while (length > 0 && (line[length - 1] == '\n' || line[length - 1] == '\r'))
            line[--length] = '\0';
        SReferenceRecord record;
        char* text = line;
        if (*text == '*') {
            record.deleted = true;
            ++text;
        }
        char* end = std::strstr(text, "  ");
        char* duration = end ? std::strstr(end + 2, "  ") : nullptr;
        char* name = duration ? std::strstr(duration + 2, "  ") : nullptr;
        if (!name)
            continue;
        // Cut the start field off so that sscanf reads no further than its own field.
        *end = '\0';
        std::tm fields{}, ignored{};
        if (!ParseInstant(text, record.start, fields) || !ParseInstant(end + 2, record.end, ignored))
            continue;
        record.year = fields.tm_year + 1900;
        record.month = fields.tm_mon + 1;
        record.day = fields.tm_mday;
        record.name.assign(name + 2);
        records.push_back(std::move(record));
    }
    std::free(line);
    std::fclose(file);
    return records;
}
