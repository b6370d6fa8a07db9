#include "json_output.hpp"

#include <nlohmann/json.hpp>
#include <type_traits>

#include "problems.hpp"

namespace flyseat::inspect {
namespace {

using nlohmann::json;

// A finding's text, and each of its parts that it has.
json finding_json(const Finding& f) {
  json entry = {{"level", kLevelNames[static_cast<std::size_t>(f.level)]},
                {"text", finding_text(f)}};
  for (const auto& [key, part] : {std::pair<const char*, const std::string&>{"file", f.file},
                                  {"place", f.place},
                                  {"field", f.field},
                                  {"value", f.value},
                                  {"expected", f.expected}}) {
    if (!part.empty()) entry[key] = part;
  }
  return entry;
}

json findings_json(const Findings& findings) {
  json entries = json::array();
  for (const Finding& f : findings)
    entries.push_back(finding_json(f));
  return entries;
}

void add_program(const ProgramFacts& program, json& entry) {
  entry["program_lines"] = program.lines;
  entry["end_marker"] = program.end_marker;
}

void add_facts(const TapeFacts& tape, json& entry) {
  if (!tape.whole_header) return;
  entry["tape_name"] = tape.name;
  entry["payload"] = tape.payload;
  if (tape.program) add_program(*tape.program, entry);
}

void add_facts(const RawDiskFacts& disk, json& entry) {
  entry["blocks"] = disk.blocks;
  entry["loader_bytes"] = disk.loader_bytes;
  if (disk.program_block == 0) return;
  entry["program_block"] = disk.program_block;
  add_program(disk.program, entry);
}

void add_facts(const D88Facts& d88, json& entry) {
  if (d88.header) {
    entry["disk_name"] = d88.header->name;
    entry["write_protect"] = d88.header->write_protect;
    entry["media_type"] = d88.header->media_type;
    entry["disk_size"] = d88.header->disk_size;
    entry["track_table_as_built"] = d88.table_as_built;
  }
  if (d88.sectors_with_data) entry["sectors_with_data"] = *d88.sectors_with_data;
  if (d88.held) add_facts(*d88.held, entry);
}

json description_json(const FileDescription& f) {
  const Description& d = f.description;
  json entry = {{"file", f.file},
                {"kind", kind_name(d.kind)},
                {"problems", texts_of(d.problems)},
                {"findings", findings_json(d.problems)},
                {"sound", d.sound()}};
  if (d.size) entry["size"] = *d.size;
  std::visit(
      [&entry](const auto& facts) {
        if constexpr (!std::is_same_v<std::decay_t<decltype(facts)>, std::monostate>)
          add_facts(facts, entry);
      },
      d.facts);
  if (!d.checksums.crc32.empty()) entry["crc32"] = d.checksums.crc32;
  if (!d.checksums.sha1.empty()) entry["sha1"] = d.checksums.sha1;
  entry["report"] = description_lines(d);
  return entry;
}

// File names and stored texts need not be UTF-8; they are not refused for it.
std::string dump(const json& document) {
  return document.dump(2, ' ', false, json::error_handler_t::replace) + "\n";
}

}  // namespace

std::string list_json(const std::string& file, const Listing& listing) {
  json lines = json::array();
  for (const ProgramLine& line : listing.program.lines)
    lines.push_back({{"number", line.number}, {"text", listed_text(line.tokens, true)}});
  json document = {{"file", file},
                   {"lines", lines},
                   {"problems", texts_of(listing.problems)},
                   {"findings", findings_json(listing.problems)},
                   {"sound", listing.sound()}};
  if (listing.program.ended) document["end_marker"] = listing.program.end_marker;
  return dump(document);
}

std::string info_json(const InfoReport& report) {
  json entries = json::array();
  for (const FileDescription& f : report.files)
    entries.push_back(description_json(f));
  json pairs = json::array();
  for (const HeldImage& h : report.held) {
    json pair = {{"d88", h.d88}, {"raw_disk", h.raw_disk}, {"holds", !h.difference}};
    if (h.difference) {
      pair["difference"] = finding_text(*h.difference);
      pair["finding"] = finding_json(*h.difference);
    }
    pairs.push_back(pair);
  }
  return dump({{"files", entries}, {"d88_holds_raw_disk", pairs}});
}

std::string check_json(const std::string& folder, const CheckReport& report,
                       const Findings& problems) {
  json sections = json::array();
  for (std::size_t s = 0; s < kCheckSections.size(); ++s) {
    json findings = json::array();
    for (const Finding& f : report.sections[s]) {
      json entry = finding_json(f);
      entry["text"] = said(f);  // as the text report gives it, without its indentation
      if (f.detail) entry["detail"] = true;
      findings.push_back(entry);
    }
    sections.push_back({{"title", kCheckSections[s]}, {"findings", findings}});
  }
  return dump({{"folder", folder},
               {"errors", report.count(Level::error)},
               {"warnings", report.count(Level::warning)},
               {"verdict", report.verdict()},
               {"problems", texts_of(problems)},
               {"sections", sections}});
}

}  // namespace flyseat::inspect
