// The reports of list, info, diff, check and verify as JSON documents for scripts (with
// nlohmann-json).
#pragma once

#include <string>
#include <vector>

#include "diff.hpp"
#include "flyseat/check_report.hpp"
#include "info.hpp"
#include "listing.hpp"
#include "verify.hpp"

namespace flyseat::inspect {

std::string list_json(const std::string& file, const Listing& listing);
std::string info_json(const InfoReport& report);
std::string diff_json(const DiffReport& report);
std::string verify_json(const std::string& folder, const std::string& output,
                        const VerifyReport& report);
// The check of the inputs in `folder`; `problems` say why there is no report (a folder that is
// not there, say).
std::string check_json(const std::string& folder, const CheckReport& report,
                       const Findings& problems = {});

}  // namespace flyseat::inspect
