// The reports of list, info and check as JSON documents for scripts (with nlohmann-json).
#pragma once

#include <string>
#include <vector>

#include "inspect.hpp"

namespace flyseat::inspect {

// What `info` found of one file.
struct FileFindings {
  std::string file;
  Findings found;
};

// Whether a D88 image given to `info` holds a raw disk image given with it.
struct HeldImage {
  std::string d88;
  std::string raw_disk;
  std::string difference;  // empty when it holds it sector for sector
};

std::string list_json(const std::string& file, const Program& program, const Findings& found);
std::string info_json(const std::vector<FileFindings>& files, const std::vector<HeldImage>& held);
// The check of the inputs in `folder`; `problems` say why there is no report (a folder that is
// not there, say).
std::string check_json(const std::string& folder, const CheckReport& report,
                       const std::vector<std::string>& problems = {});

}  // namespace flyseat::inspect
