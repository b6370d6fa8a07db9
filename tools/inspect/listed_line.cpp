// A stored line listed back as the target lists it: the tokenizer's work undone, and whether a
// listing of the line, read and tokenized again, gives back the same line record.
#include <algorithm>

#include "flyseat/basic.hpp"
#include "flyseat/failure.hpp"
#include "flyseat/file_names.hpp"
#include "flyseat/text.hpp"
#include "listing.hpp"

namespace flyseat::inspect {
namespace {

// What keeps a listed line from coming back the same, when the reason is one that no listing
// can avoid; empty otherwise.
std::string inherent_loss(std::span<const Byte> t) {
  if (std::find(t.begin(), t.end(), kEndOfText) != t.end()) {
    return "holds a byte 0x1A, which ends a listing where it stands";
  }
  if (std::find(t.begin(), t.end(), kLineFeed) != t.end()) {
    return "holds a line feed, which splits the listed line in two";
  }
  if (!t.empty() && t.back() == kCarriageReturn) {
    return "ends with a carriage return, which reading the listing takes for part of the line "
           "end";
  }
  if (!t.empty() && t.front() == ' ') {
    return "begins with a space, which lists as two spaces after the number; typing it again "
           "loses one";
  }
  return {};
}

// The line as listed with every byte as it is, read back and tokenized as a build reads its
// listing, without the substitution records: whether it gives that one line record again.
bool comes_back(std::uint16_t number, std::span<const Byte> tokens, WorkArea& work) {
  std::string listed = listed_line(number, tokens, false);
  Source source;
  open_bytes(source, kListingName,
             std::span(reinterpret_cast<const Byte*>(listed.data()), listed.size()));
  std::int32_t length = 0;
  try {
    ListingWatch none;
    length = convert_listing(source, work, none, LineEdits::none);
  } catch (const Failure&) {  // a stored line so long that its listing outgrows the program
    return false;
  }
  LineRecordRead read = read_line_record(work.program, 0);
  return read.what == LineRecordRead::record && read.next == static_cast<std::size_t>(length) &&
         read.number == number &&
         std::equal(read.tokens.begin(), read.tokens.end(), tokens.begin(), tokens.end());
}

}  // namespace

std::string listed_text(std::span<const Byte> tokens, bool escaped) {
  std::string text;
  LineModes modes;
  for (Byte b : tokens) {
    std::string_view keyword = keyword_text(b);
    if (!modes.copying() && !keyword.empty()) {
      text += keyword;
      modes.enter(b);
      continue;
    }
    modes.pass(b);
    if (escaped) {
      append_visible(text, b);
    } else {
      text += static_cast<char>(b);
    }
  }
  return text;
}

std::string listed_line(std::uint16_t number, std::span<const Byte> tokens, bool escaped) {
  return format("%u ", number) + listed_text(tokens, escaped) + "\n";
}

std::optional<Finding> check_listed_line(std::uint16_t number, std::span<const Byte> tokens,
                                         WorkArea& work) {
  if (comes_back(number, tokens, work)) return std::nullopt;
  std::string why = inherent_loss(tokens);
  return Finding{.place = at::Line{number},
                 .note = why.empty() ? "does not come back the same when its listing is "
                                       "tokenized again"
                                     : why};
}

}  // namespace flyseat::inspect
