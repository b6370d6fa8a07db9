#include "json_output.hpp"

#include <nlohmann/json.hpp>

#include "flyseat/text.hpp"
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
json place_json(const at::Stretch& p) {
  return {{"kind", "stretch"}, {"of", p.what}, {"first", p.first}, {"last", p.last}};
}

// A number where the value is one; a name from a file with every byte visible; bounds as an
// object.
json value_json(const Value& v) {
  switch (v.kind) {
    case Value::Kind::none:
      break;
    case Value::Kind::number:
      return v.amount;
    case Value::Kind::text:
      return v.quoted
                 ? visible(std::span(reinterpret_cast<const Byte*>(v.words.data()), v.words.size()))
                 : v.words;
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
    case Value::Kind::span:
      return {{"from", v.amount}, {"to", v.last}};
    case Value::Kind::flag:
      return v.amount != 0;
  }
  return nullptr;
}

// Each fact as a field of `object`.
void add_facts(const Facts& facts, json& object) {
  for (const Fact& fact : facts)
    object[fact.key] = value_json(fact.value);
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
  for (const auto& [key, part] : {std::pair<const char*, std::string>{"field", f.field},
                                  {"message", f.message},
                                  {"note", f.note}}) {
    if (!part.empty()) entry[key] = part;
  }
  if (!f.value.empty()) entry["value"] = value_json(f.value);
  if (!f.expected.empty()) entry["expected"] = value_json(f.expected);
  if (f.unit != nullptr && (!f.value.empty() || !f.expected.empty())) entry["unit"] = f.unit;
  if (f.more > 0) entry["more"] = f.more;
  if (!f.facts.empty()) add_facts(f.facts, entry["facts"]);
  if (f.compared) entry["compared"] = true;
  return entry;
}

json findings_json(const Findings& findings) {
  json entries = json::array();
  for (const Finding& f : findings)
    entries.push_back(finding_json(f));
  return entries;
}

json description_json(const FileDescription& f) {
  const Description& d = f.description;
  json entry = {{"file", f.file},
                {"kind", kind_name(d.kind)},
                {"problems", texts_of(d.problems)},
                {"findings", findings_json(d.problems)},
                {"sound", d.sound()}};
  if (d.size) entry["size"] = *d.size;
  add_facts(d.facts, entry);
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
  json pairs = json::array(), hfe_pairs = json::array();
  for (const HeldImage& h : report.held) {
    bool hfe = h.holder_kind == ImageKind::hfe;
    json pair = {{hfe ? "hfe" : "d88", h.holder},
                 {hfe ? "image" : "raw_disk", h.held},
                 {"holds", !h.difference}};
    if (h.difference) {
      pair["difference"] = finding_text(*h.difference);
      pair["finding"] = finding_json(*h.difference);
    }
    (hfe ? hfe_pairs : pairs).push_back(pair);
  }
  return dump({{"files", entries}, {"d88_holds_raw_disk", pairs}, {"hfe_holds", hfe_pairs}});
}

std::string diff_json(const DiffReport& report) {
  json files = json::array();
  for (const FileDescription& f : report.files) {
    json entry = {{"file", f.file}, {"kind", kind_name(f.description.kind)}};
    if (f.description.size) entry["size"] = *f.description.size;
    for (const Fact& fact : f.description.facts) {
      if (std::string_view(fact.key) == "certainty") entry["certainty"] = value_json(fact.value);
    }
    files.push_back(entry);
  }
  json problems = json::array();
  for (const Finding& problem : report.problems)
    problems.push_back(said(problem));
  return dump({{"files", files},
               {"same", report.status() == 0},
               {"status", report.status()},
               {"damage", findings_json(report.damage)},
               {"findings", findings_json(report.difference)},
               {"problems", problems}});
}

std::string verify_json(const std::string& folder, const std::string& output,
                        const VerifyReport& report) {
  constexpr const char* kVerdicts[] = {"same", "differs", "missing", "other"};  // by Verdict
  json images = json::array();
  for (const VerifiedImage& image : report.images) {
    images.push_back({{"file", image.name},
                      {"verdict", kVerdicts[static_cast<int>(image.verdict)]},
                      {"kind", kind_name(image.kind)},
                      {"findings", findings_json(image.differences)}});
  }
  json problems = json::array();
  for (const Finding& problem : report.problems)
    problems.push_back(said(problem));
  json document = {{"folder", folder},          {"output", output}, {"same", report.status() == 0},
                   {"status", report.status()}, {"images", images}, {"problems", problems}};
  if (report.failure) document["failure"] = report.failure->message;
  return dump(document);
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
