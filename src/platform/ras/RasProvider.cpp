#include "RasProvider.h"

#include <cstdlib>

#include "NetworkManagerProvider.h"
#include "PppdProvider.h"
#include "SimulatedProvider.h"

namespace {

bool IsContinuationByte(char c)
{
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

} // namespace

std::string ClampEntryName(std::string name)
{
    if (name.size() <= kMaxEntryNameBytes)
        return name;
    std::size_t end = kMaxEntryNameBytes;
    if (IsContinuationByte(name[end])) {
        // The cut splits a character whose lead byte is at most three bytes back; drop it whole.
        // Text that is not UTF-8 has no such lead byte and is cut at the limit.
        std::size_t lead = end - 1;
        while (lead > end - 3 && IsContinuationByte(name[lead]))
            --lead;
        if ((static_cast<unsigned char>(name[lead]) & 0xC0) == 0xC0)
            end = lead;
    }
    name.resize(end);
    return name;
}

std::unique_ptr<CRasProvider> CreateRasProvider(const std::string& selection)
{
    const std::string simPrefix = "sim:";
    if (selection.compare(0, simPrefix.size(), simPrefix) == 0)
        return std::make_unique<CSimulatedProvider>(selection.substr(simPrefix.size()));
    if (selection == "pppd")
        return std::make_unique<CPppdProvider>("/");
    auto networkManager = std::make_unique<CNetworkManagerProvider>();
    if (selection == "nm" || networkManager->IsServiceRunning())
        return networkManager;
    return std::make_unique<CPppdProvider>("/");
}

std::unique_ptr<CRasProvider> CreateRasProviderFromEnvironment()
{
    const char* selection = std::getenv("ZELMORIN_RAS");
    return CreateRasProvider(selection ? selection : "");
}
