#include "RasProviderFactory.h"

#include <cstdlib>

#include "NetworkManagerProvider.h"
#include "PppdProvider.h"
#include "SimulatedProvider.h"

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
