// The checkpoint decoder: any bytes either decode to valid instants and a name that encodes
// and decodes to the same values, or are refused; never a crash or a huge allocation.
#include <cstdint>
#include <string>

#include "Checkpoint.h"
#include "Connection.h"
#include "ConnectionLog.h"
#include "FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    CTime start, at;
    std::string name;
    if (!CCheckpoint::Decode(bytes, start, at, name))
        return 0;
    FUZZ_CHECK(start.IsValid() && at.IsValid());
    FUZZ_CHECK(name.size() < bytes.size());
    const std::string encoded = CCheckpoint::Encode(start, at, name);
    CTime start2, at2;
    std::string name2;
    FUZZ_CHECK(CCheckpoint::Decode(encoded, start2, at2, name2));
    FUZZ_CHECK(start2 == start && at2 == at && name2 == CConnection::LineSafeName(name));
    FUZZ_CHECK(encoded.size() <= bytes.size());

    // Recovery turns it into exactly one log record, whose line reads back as one record.
    const std::string prefix = FuzzFolder() + "/";
    std::remove((prefix + "Zelmorin.Log").c_str());
    FuzzWriteFile(prefix + "~$ZMCUR.$$$", bytes.data(), bytes.size());
    CConnectionLog log(prefix + "Zelmorin.Log");
    CCheckpoint checkpoint(prefix);
    FUZZ_CHECK(checkpoint.RecoverCheckpoint(log) == 1);
    FUZZ_CHECK(log.GetConnectionCount() == 1 && log.GetUnreadLineCount() == 0);
    FUZZ_CHECK(log.GetConnection(0)->m_strName == name2);
    return 0;
}
