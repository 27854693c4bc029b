#pragma once

#include <memory>
#include <string>

#include "RasProvider.h"

// The provider that ZELMORIN_RAS names: "nm" (NetworkManager on the system bus), "pppd",
// "sim:PATH" (the simulator file), or "auto"/unset (NetworkManager when its bus name has an
// owner, else pppd). An unknown value falls back to "auto".
std::unique_ptr<CRasProvider> CreateRasProvider(const std::string& selection);
// The same, reading ZELMORIN_RAS from the environment.
std::unique_ptr<CRasProvider> CreateRasProviderFromEnvironment();
