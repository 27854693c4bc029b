// The log reader and the rewrite: any bytes read as a log and saved must come back as the same
// records and the same unreadable lines, and a second rewrite must change nothing.
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "Connection.h"
#include "ConnectionLog.h"
#include "FuzzSupport.h"
#include "LogLineParser.h"

namespace {

using SRecord = std::tuple<std::int64_t, std::int64_t, std::string, int>;

std::vector<SRecord> Records(const CConnectionLog& log)
{
    std::vector<SRecord> records;
    for (int i = 0; i < log.GetConnectionCount(); ++i) {
        const CConnection* c = log.GetConnection(i);
        // The name as a line can hold it (a carriage return at its end becomes a blank).
        records.emplace_back(c->GetStart().GetTime(), c->GetEnd().GetTime(), CConnection::LineSafeName(c->m_strName),
                             c->m_bDeleted);
    }
    return records;
}

// The lines of bytes as the reader splits them: at each line feed, one carriage return
// before it dropped, a last line without a line end kept.
std::vector<std::string> Lines(const std::string& bytes)
{
    std::vector<std::string> lines;
    std::size_t at = 0;
    while (at < bytes.size()) {
        std::size_t end = bytes.find('\n', at);
        std::string line = bytes.substr(at, end == std::string::npos ? std::string::npos : end - at);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
        at = end == std::string::npos ? bytes.size() : end + 1;
    }
    return lines;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const bool zone = [] {
        setenv("TZ", "Europe/Rome", 1); // daylight saving changes make the composing interesting
        tzset();
        return true;
    }();
    (void)zone;
    const std::string path = FuzzFolder() + "/Zelmorin.Log";
    const std::string input(reinterpret_cast<const char*>(data), size);
    FuzzWriteFile(path, data, size);

    CConnectionLog log(path);
    FUZZ_CHECK(log.GetLoadError() == 0);
    const std::vector<SRecord> records = Records(log);
    const std::vector<std::string> unread = log.GetUnreadLines();
    for (const SRecord& record : records)
        FUZZ_CHECK(std::get<0>(record) >= CTime::kMin && std::get<0>(record) <= CTime::kMax);
    std::size_t months = 0;
    for (int m = 0; m < log.GetMonthCount(); ++m)
        for (int d = 0; d < log.GetMonth(m)->GetDayCount(); ++d)
            months += std::size_t(log.GetMonth(m)->GetDay(d)->GetConnectionCount());
    std::size_t live = 0;
    for (const SRecord& record : records)
        live += std::get<3>(record) == 0;
    FUZZ_CHECK(months == live); // every live record is in exactly one day

    FUZZ_CHECK(log.Save());
    const std::string rewritten = FuzzReadFile(path);

    // Every line that is not a record, and every record line in the form the program writes,
    // comes back byte for byte.
    std::map<std::string, int> written;
    for (const std::string& line : Lines(rewritten))
        ++written[line];
    CLogLineParser parser;
    for (const std::string& line : Lines(input)) {
        SLogLine parsed;
        bool record = parser.Parse(line, parsed);
        if (record) {
            auto c = CConnection::FromLine(line);
            FUZZ_CHECK(c != nullptr);
            if (c->FormatLine("  ") != line + "\r\n")
                continue; // a hand-made form: written in the program's own form
        }
        FUZZ_CHECK(written[line]-- > 0);
    }

    CConnectionLog again(path);
    FUZZ_CHECK(Records(again) == records);
    FUZZ_CHECK(again.GetUnreadLines() == unread);
    FUZZ_CHECK(again.Save());
    FUZZ_CHECK(FuzzReadFile(path) == rewritten);
    return 0;
}
