#include "json_output.hpp"

#include <nlohmann/json.hpp>
#include <type_traits>

#include "problems.hpp"

namespace flyseat::inspect {
namespace {

using nlohmann::json;

json place_json(std::monostate) {
  return nullptr;
}
json place_json(const at::Offset& p) {
  return {{"kind", "offset"}, {"offset", p.offset}};
}
json place_json(const at::Line& p) {
  json place = {{"kind", "line"}, {"line", p.number}};
  if (p.after) place["after"] = *p.after;
  if (p.at_start) place["at_start"] = true;
  if (p.offset) place["offset"] = *p.offset;
  return place;
}
json place_json(const at::Sector& p) {
  json place = {{"kind", "sector"},
                {"sector", p.index},
                {"cylinder", p.cylinder},
                {"head", p.head},
                {"r", p.r}};
  if (p.byte) place["byte"] = *p.byte;
  return place;
}
json place_json(const at::Cylinder& p) {
  return {{"kind", "cylinder"}, {"cylinder", p.cylinder}};
}
json place_json(const at::Block& p) {
  return {{"kind", "block"}, {"block", p.block}};
}
json place_json(const at::PatchRecord& p) {
  return {{"kind", "patch_record"}, {"record", p.number}, {"offset", p.offset}};
}
json place_json(const at::Substitution& p) {
  json place = {{"kind", "substitution_record"}, {"record", p.number}, {"line", p.line}};
  if (!p.finds.empty()) place["finds"] = p.finds;
  return place;
}
json place_json(const at::Address& p) {
  json place = {{"kind", "address"}, {"region", p.region}};
  if (p.range) {
    place["first"] = p.addresses[0];
    place["last"] = p.addresses[1];
  } else if (p.addresses.size() == 1) {
    place["address"] = p.addresses[0];
  } else if (!p.addresses.empty()) {
    place["addresses"] = p.addresses;
  }
  return place;
}
json place_json(const at::Header&) {
  return {{"kind", "header"}};
}

// A number where the value is one; bounds as an object.
json value_json(const Value& v) {
  switch (v.kind) {
    case Value::Kind::none:
      break;
    case Value::Kind::number:
      return v.amount;
    case Value::Kind::text:
      return v.words;
    case Value::Kind::bytes:
      return v.data;
    case Value::Kind::at_most: {
      json bound = {{"at_most", v.amount}};
      if (!v.words.empty()) bound["what"] = v.words;
      return bound;
    }
    case Value::Kind::range: {
      json bounds = {{"from", v.amount}, {"to", v.last}};
      if (!v.words.empty()) bounds["what"] = v.words;
      return bounds;
    }
  }
  return nullptr;
}

// A finding's text, and each of its parts that it has, as data.
json finding_json(const Finding& f) {
  json entry = {{"level", kLevelNames[static_cast<std::size_t>(f.level)]},
                {"text", finding_text(f)}};
  if (!f.file.empty()) entry["file"] = f.file;
  if (json place = std::visit([](const auto& p) { return place_json(p); }, f.place);
      !place.is_null()) {
    place["text"] = place_text(f.place);
    entry["place"] = place;
  }
  for (const auto& [key, part] : {std::pair<const char*, const std::string&>{"field", f.field},
                                  {"message", f.message},
                                  {"note", f.note}}) {
    if (!part.empty()) entry[key] = part;
  }
  if (!f.value.empty()) entry["value"] = value_json(f.value);
  if (!f.expected.empty()) entry["expected"] = value_json(f.expected);
  if (f.unit != nullptr && (!f.value.empty() || !f.expected.empty())) entry["unit"] = f.unit;
  if (f.more > 0) entry["more"] = f.more;
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
