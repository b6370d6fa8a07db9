#include "flyseat/finding.hpp"

#include "flyseat/d88.hpp"
#include "flyseat/text.hpp"

namespace flyseat {

std::string finding_text(const Finding& finding) {
  std::string body;
  if (!finding.field.empty()) {
    body = finding.field + " is " + finding.value;
    if (!finding.expected.empty()) body += ", expected " + finding.expected;
  }
  if (!finding.note.empty()) body += (body.empty() ? "" : "; ") + finding.note;
  return finding.place.empty() ? body : finding.place + ": " + body;
}

std::string sector_place(int s) {
  SectorAddress sector = sector_address(s);
  return format("sector %d (cylinder %d, R %d)", s, sector.c, sector.r);
}

std::string offset_place(std::size_t offset) {
  return format("offset %zu", offset);
}

Finding finding_of(const Failure& failure) {
  if (failure.file == nullptr) return {.level = Level::error, .note = failure.message()};
  return {.level = Level::error, .file = failure.file, .note = failure.detail()};
}

}  // namespace flyseat
