#include "flyseat/check_report.hpp"

#include <algorithm>

#include "flyseat/text.hpp"

namespace flyseat {

int CheckReport::count(Level level) const {
  int n = 0;
  for (const Findings& section : sections) {
    n += static_cast<int>(std::count_if(section.begin(), section.end(),
                                        [level](const Finding& f) { return f.level == level; }));
  }
  return n;
}

Level CheckReport::worst() const {
  return count(Level::error) > 0     ? Level::error
         : count(Level::warning) > 0 ? Level::warning
                                     : Level::fact;
}

std::string CheckReport::verdict() const {
  return format("verdict: %s, %s",
                count_of(static_cast<std::size_t>(count(Level::error)), "error").c_str(),
                count_of(static_cast<std::size_t>(count(Level::warning)), "warning").c_str());
}

std::vector<CheckLine> check_lines(const CheckReport& report) {
  std::vector<CheckLine> lines;
  for (std::size_t s = 0; s < kCheckSections.size(); ++s) {
    lines.push_back({Level::fact, kCheckSections[s]});
    for (const Finding& f : report.sections[s]) {
      std::string level = f.level == Level::fact
                              ? ""
                              : kLevelNames[static_cast<std::size_t>(f.level)] + std::string(": ");
      lines.push_back({f.level, std::string(f.detail ? 4 : 2, ' ') + level + said(f)});
    }
  }
  lines.push_back({Level::fact, report.verdict()});
  return lines;
}

std::string check_text(const CheckReport& report) {
  std::string text;
  for (const CheckLine& line : check_lines(report))
    text += line.text + "\n";
  return text;
}

}  // namespace flyseat
