#include "flyseat/finding.hpp"

#include "flyseat/text.hpp"

namespace flyseat {
namespace {

std::string place_text(std::monostate) {
  return {};
}
std::string place_text(const at::Offset& p) {
  return format("offset %llu", static_cast<unsigned long long>(p.offset));
}
std::string place_text(const at::Line& p) {
  std::string text = format("line %lld", static_cast<long long>(p.number));
  if (p.at_start) return text + " at the start";
  if (p.after) return text + format(" after line %lld", static_cast<long long>(*p.after));
  if (p.offset) return text + format(", offset %llu", static_cast<unsigned long long>(*p.offset));
  return text;
}
std::string place_text(const at::Sector& p) {
  std::string text = format("sector %d (cylinder %d, R %d)", p.index, p.cylinder, p.r);
  return p.byte ? text + format(", byte %d", *p.byte) : text;
}
std::string place_text(const at::Cylinder& p) {
  return format("cylinder %d", p.cylinder);
}
std::string place_text(const at::PatchRecord& p) {
  return format("record %zu at offset %lld", p.number, static_cast<long long>(p.offset));
}
std::string place_text(const at::Substitution& p) {
  std::string what = p.finds.empty() ? "replaces the whole line" : "finds \"" + p.finds + "\"";
  return format("record %zu (line %d, %s)", p.number, p.line, what.c_str());
}
std::string place_text(const at::Address& p) {
  std::string text = p.region;
  if (p.addresses.size() == 1) return text + format(" 0x%04X", p.addresses[0]);
  if (p.range) return text + format(" 0x%04X to 0x%04X", p.addresses[0], p.addresses[1]);
  for (std::size_t i = 0; i < p.addresses.size(); ++i)
    text += format(i == 0 ? " (0x%04X" : ", 0x%04X", p.addresses[i]);
  return p.addresses.empty() ? text : text + ")";
}
std::string place_text(const at::Header&) {
  return "header";
}
std::string place_text(const at::Stretch& p) {
  return p.what + ", " + span_of("byte", p.first, p.last);
}

std::string number_text(std::int64_t n, int hex_digits, const char* unit) {
  if (hex_digits > 0) return format("0x%0*llX", hex_digits, static_cast<unsigned long long>(n));
  if (unit != nullptr) return count_of(static_cast<std::uint64_t>(n), unit);
  return format("%lld", static_cast<long long>(n));
}

std::string bytes_text(std::span<const Byte> bytes) {
  std::string text;
  for (Byte b : bytes)
    text += format(text.empty() ? "%02X" : " %02X", b);
  return text;
}

// Every byte visible, in double quotes.
std::string quoted(const std::string& name) {
  std::string text(1, '"');
  for (char c : name)
    append_visible(text, static_cast<Byte>(c));
  text += '"';
  return text;
}

}  // namespace

std::string place_text(const Place& place) {
  return std::visit([](const auto& p) { return place_text(p); }, place);
}

std::string value_text(const Value& v, const char* unit) {
  switch (v.kind) {
    case Value::Kind::none:
      return {};
    case Value::Kind::number:
      return number_text(v.amount, v.hex_digits, unit);
    case Value::Kind::text:
      return v.quoted ? quoted(v.words) : v.words;
    case Value::Kind::bytes:
      return bytes_text(v.data);
    case Value::Kind::at_most: {
      std::string text = "at most " + number_text(v.amount, v.hex_digits, unit);
      return v.words.empty() ? text : text + ", " + v.words;
    }
    case Value::Kind::range: {
      std::string text = number_text(v.amount, v.hex_digits, nullptr) + " to " +
                         number_text(v.last, v.hex_digits, unit);
      return v.words.empty() ? text : v.words + " (" + text + ")";
    }
    case Value::Kind::span:
      return span_of(unit == nullptr ? "" : unit, v.amount, v.last);
    case Value::Kind::flag:
      return v.amount != 0 ? "yes" : "no";
  }
  return {};
}

namespace {

// "FIELD EXPECTED became VALUE", "added VALUE", "removed EXPECTED".
std::string change_text(const Finding& f, const std::string& field) {
  std::string was = value_text(f.expected, f.unit), now = value_text(f.value, f.unit);
  std::string change = f.expected.empty() ? "added " + now
                       : f.value.empty()  ? "removed " + was
                                          : was + " became " + now;
  return field.empty() ? change : field + " " + change;
}

}  // namespace

std::string finding_text(const Finding& finding) {
  const std::string& note = finding.note;
  if (!finding.message.empty())
    return note.empty() ? finding.message : finding.message + ": " + note;
  if (finding.more > 0) return format("and %zu more ", finding.more) + note;
  std::string body;
  const std::string& field = finding.field;
  if (finding.compared) {
    body = change_text(finding, field);
  } else if (!field.empty()) {
    body = field + " is " + value_text(finding.value, finding.unit);
    if (!finding.expected.empty())
      body += ", expected " + value_text(finding.expected, finding.unit);
  }
  if (!note.empty()) body += (body.empty() ? "" : "; ") + note;
  std::string place = place_text(finding.place);
  return place.empty() ? body : place + ": " + body;
}

std::string said(const Finding& finding) {
  std::string text = finding_text(finding);
  return finding.file.empty() || !finding.message.empty() ? text : finding.file + ": " + text;
}

Place offset_place(std::size_t offset) {
  return at::Offset{offset};
}

Finding finding_of(const Failure& failure) {
  return {.level = Level::error,
          .file = failure.file == nullptr ? "" : failure.file,
          .message = failure.message()};
}

Findings FindingsOfAKind::folded(Level level) const {
  Findings findings = kept_;
  if (more_count_ > 0)
    findings.push_back({.note = more_count_ == 1 ? one_ : more_, .more = more_count_});
  for (Finding& f : findings)
    f.level = level;
  return findings;
}

}  // namespace flyseat
