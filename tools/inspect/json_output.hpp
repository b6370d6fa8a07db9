// The reports of list, info and check as JSON documents for scripts (with nlohmann-json).
#pragma once

#include <string>
#include <vector>

#include "inspect.hpp"

namespace flyseat::inspect {

std::string list_json(const std::string& file, const Listing& listing);
std::string info_json(const InfoReport& report);
// The check of the inputs in `folder`; `problems` say why there is no report (a folder that is
// not there, say).
std::string check_json(const std::string& folder, const CheckReport& report,
                       const std::vector<std::string>& problems = {});

}  // namespace flyseat::inspect
