#include "json_output.hpp"

#include <nlohmann/json.hpp>

namespace flyseat::inspect {
namespace {

using nlohmann::json;

// Lines of a report, without their line feeds.
json lines_of(const std::string& text) {
  json lines = json::array();
  std::size_t start = 0;
  for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
    lines.push_back(text.substr(start, end - start));
  return lines;
}

json facts_of(const Findings& found) {
  json facts = json::object();
  for (const Fact& fact : found.facts)
    std::visit([&](const auto& value) { facts[fact.key] = value; }, fact.value);
  return facts;
}

// File names and stored texts need not be UTF-8; they are not refused for it.
std::string dump(const json& document) {
  return document.dump(2, ' ', false, json::error_handler_t::replace) + "\n";
}

}  // namespace

std::string list_json(const std::string& file, const Program& program, const Findings& found) {
  json lines = json::array();
  for (const ProgramLine& line : program.lines)
    lines.push_back({{"number", line.number}, {"text", listed_text(line.tokens, true)}});
  json document = {
      {"file", file}, {"lines", lines}, {"problems", found.problems}, {"sound", found.sound()}};
  if (program.ended) document["end_marker"] = program.end_marker;
  return dump(document);
}

std::string info_json(const InfoReport& report) {
  json entries = json::array();
  for (const FileFindings& f : report.files) {
    json entry = facts_of(f.found);
    entry["file"] = f.file;
    entry["report"] = lines_of(f.found.report);
    entry["problems"] = f.found.problems;
    entry["sound"] = f.found.sound();
    entries.push_back(entry);
  }
  json pairs = json::array();
  for (const HeldImage& h : report.held) {
    json pair = {{"d88", h.d88}, {"raw_disk", h.raw_disk}, {"holds", h.difference.empty()}};
    if (!h.difference.empty()) pair["difference"] = h.difference;
    pairs.push_back(pair);
  }
  return dump({{"files", entries}, {"d88_holds_raw_disk", pairs}});
}

std::string check_json(const std::string& folder, const CheckReport& report,
                       const std::vector<std::string>& problems) {
  json sections = json::array();
  for (std::size_t s = 0; s < kCheckSections.size(); ++s) {
    json findings = json::array();
    for (const CheckFinding& f : report.findings) {
      if (f.section != static_cast<int>(s)) continue;
      findings.push_back(
          {{"level", kLevelNames[static_cast<std::size_t>(f.level)]}, {"text", f.text}});
    }
    sections.push_back({{"title", kCheckSections[s]}, {"findings", findings}});
  }
  return dump({{"folder", folder},
               {"errors", report.count(Level::error)},
               {"warnings", report.count(Level::warning)},
               {"problems", problems},
               {"sections", sections}});
}

}  // namespace flyseat::inspect
