// The simulator file reader: any file gives unique entries, connections named after entries,
// handles that tell connections apart and stay the same while the file does.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "SimulatedProvider.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string path = FuzzFolder() + "/simulator.txt";
    FuzzWriteFile(path, data, size);
    CSimulatedProvider sim(path);

    const std::vector<std::string> entries = sim.EnumEntries();
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const std::string& name = entries[i];
        FUZZ_CHECK(!name.empty() && name.size() <= kMaxEntryNameBytes);
        FUZZ_CHECK(name.find('\n') == std::string::npos);
        FUZZ_CHECK(name.find_first_of(" \t\r") != 0);
        FUZZ_CHECK(std::find(entries.begin() + long(i) + 1, entries.end(), name) == entries.end());
    }
    SRasConnection first[16], second[16];
    int n = sim.EnumConnections(first, 16);
    FUZZ_CHECK(n >= 0 && n <= 16);
    FUZZ_CHECK(sim.EnumConnections(second, 16) == n);
    for (int i = 0; i < n; ++i) {
        FUZZ_CHECK(std::find(entries.begin(), entries.end(), first[i].entryName) != entries.end());
        FUZZ_CHECK(first[i].handle != 0 && first[i].handle == second[i].handle);
        for (int j = 0; j < i; ++j)
            FUZZ_CHECK(first[j].handle != first[i].handle);
        int status = sim.GetConnectStatus(first[i].handle);
        FUZZ_CHECK(status == CRasProvider::kConnected || status == CRasProvider::kDialling);
    }
    return 0;
}
