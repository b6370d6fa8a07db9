// The stored program: line records packed from the start of the program buffer in listing
// order, closed by the end marker.
#include <algorithm>

#include "flyseat/basic.hpp"
#include "flyseat/failure.hpp"
#include "flyseat/little_endian.hpp"
#include "flyseat/text.hpp"

namespace flyseat {

bool append_line_record(ProgramBuffer& program, std::int32_t& length, std::int32_t number,
                        std::span<const Byte> tokens) {
  std::size_t start = static_cast<std::size_t>(length);
  std::size_t size = kLineRecord.overhead + tokens.size();
  if (start + size + kEndMarkerSize > program.size()) return false;

  std::span<Byte> record = std::span(program).subspan(start, size);
  write_u16(record, kLineRecord.link, kUnlinked);
  write_u16(record, kLineRecord.number, stored_line_number(number));
  std::copy(tokens.begin(), tokens.end(), record.begin() + kLineRecord.header_size);
  record.back() = 0;
  length += static_cast<std::int32_t>(size);
  return true;
}

void write_end_marker(ProgramBuffer& program, std::int32_t length) {
  std::fill_n(program.begin() + length, kEndMarkerSize, Byte{0});
}

LineRecordRead read_line_record(std::span<const Byte> program, std::size_t at) {
  using enum LineRecordRead::What;
  if (program.size() - at < kLineRecord.number) return {.what = cut_short};
  std::uint16_t link = read_u16(program, at + kLineRecord.link);
  if (link == 0) return {.what = end_marker};
  if (link != kUnlinked) return {.what = other_link, .link = link};
  std::span<const Byte> rest =
      program.subspan(std::min(program.size(), at + kLineRecord.header_size));
  auto zero = std::find(rest.begin(), rest.end(), Byte{0});
  if (zero == rest.end()) return {.what = cut_short, .link = link};
  auto tokens = static_cast<std::size_t>(zero - rest.begin());
  return {.what = record,
          .link = link,
          .number = read_u16(program, at + kLineRecord.number),
          .tokens = rest.first(tokens),
          .next = at + kLineRecord.header_size + tokens + 1};
}

ProgramRead read_program(std::span<const Byte> bytes, std::size_t start,
                         const std::function<void(const LineRecordRead&)>& each) {
  ProgramRead program{.at = start};
  for (;;) {
    LineRecordRead read = read_line_record(bytes, program.at);
    switch (read.what) {
      case LineRecordRead::record:
        ++program.lines;
        if (each) each(read);
        program.at = read.next;
        continue;
      case LineRecordRead::end_marker: {
        std::span<const Byte> marker = bytes.subspan(program.at);
        if (marker.size() < kEndMarkerSize) {
          program.stop = ProgramRead::end_marker_cut;
          return program;
        }
        auto nonzero = std::find_if(marker.begin(), marker.begin() + kEndMarkerSize,
                                    [](Byte b) { return b != 0; });
        program.damaged = static_cast<std::size_t>(nonzero - marker.begin());
        program.stop =
            program.damaged < kEndMarkerSize ? ProgramRead::end_marker_damaged : ProgramRead::ended;
        return program;
      }
      case LineRecordRead::other_link:
        program.stop = ProgramRead::other_link;
        program.link = read.link;
        return program;
      case LineRecordRead::cut_short:
        program.stop = read.link == 0 ? ProgramRead::no_end_marker : ProgramRead::record_cut;
        return program;
    }
  }
}

void check_program(std::span<const Byte> bytes, const ProgramRead& read, Findings& findings,
                   PlaceOf place_of) {
  auto found = [&](std::size_t at, Finding finding) {
    finding.place = place_of(at);
    findings.push_back(std::move(finding));
  };
  switch (read.stop) {
    case ProgramRead::ended:
      if (std::size_t end = read.at + kEndMarkerSize; bytes.size() > end) {
        found(end,
              {.note = "{after} after the end marker, where a build writes none",
               .facts = {{"after", Value::number(static_cast<std::int64_t>(bytes.size() - end)),
                          "byte"}}});
      }
      return;
    case ProgramRead::end_marker_cut:
      return found(read.at,
                   {.field = "end marker",
                    .value = Value::number(static_cast<std::int64_t>(bytes.size() - read.at)),
                    .expected = Value::number(kEndMarkerSize),
                    .unit = "byte"});
    case ProgramRead::end_marker_damaged:
      return found(read.at + read.damaged,
                   {.field = "byte {byte} of the end marker",
                    .value = Value::hex(bytes[read.at + read.damaged], 2),
                    .expected = Value::hex(0, 2),
                    .facts = {{"byte", Value::number(static_cast<std::int64_t>(read.damaged))}}});
    case ProgramRead::other_link:
      return found(read.at, {.field = "link field of a line record",
                             .value = Value::hex(read.link, 4),
                             .expected = Value::hex(kUnlinked, 4)});
    case ProgramRead::no_end_marker:
      return found(bytes.size(), {.note = "the program ends without its end marker"});
    case ProgramRead::record_cut:
      return found(read.at, {.note = "line record runs past the end of the file"});
  }
}

namespace {

// A line as read, for a report: its text up to a zero byte in it, and how many bytes from that
// byte on, its line feed aside, never reach the tokenizer.
ListingLineSeen seen_as_read(const ListingLine& line) {
  std::span<const Byte> text = line.text.first(line.length - (kLineSize - line.text.size()));
  auto zero = std::find(text.begin(), text.end(), Byte{0});
  std::size_t after_zero = static_cast<std::size_t>(text.end() - zero);
  if (after_zero > 0 && text.back() == kLineFeed) --after_zero;
  return {.number = line.number,
          .numbered = line.numbered,
          .line_used = 0,
          .length = line.length,
          .cut = line.cut,
          .as_read = std::string(text.begin(), zero),
          .after_zero = after_zero};
}

}  // namespace

std::int32_t convert_listing(Source& listing, WorkArea& work, ListingWatch* watch,
                             LineEdits edits) {
  ListingReader reader;
  reader.source = &listing;
  bool watching = watch != nullptr && watch->each_line;
  if (watching) {
    reader.on_dropped = [watch](const ListingLine& line) {
      ListingLineSeen seen = seen_as_read(line);
      seen.dropped = true;
      watch->each_line(seen);
    };
  }
  std::int32_t length = 0;
  SubstitutionCounts* fired = watch != nullptr ? &watch->fired : nullptr;
  while (std::optional<ListingLine> line = read_listing_line(reader, work.line)) {
    if (watch != nullptr) watch->dropped = reader.dropped;
    ListingLineSeen seen;
    if (watching) seen = seen_as_read(*line);
    if (edits == LineEdits::substitution_table &&
        !substitute_line(line->number, line->text, work.scratch, fired)) {
      fail_in(listing.name, "line %d too long after editing", static_cast<int>(line->number));
    }
    // The scratch is free again once the line is edited, and as large as the line buffer.
    std::size_t count = tokenize_line(line->text, work.scratch, watching ? &seen.strays : nullptr);
    if (!append_line_record(work.program, length, line->number,
                            std::span<const Byte>(work.scratch).first(count))) {
      fail_in(listing.name, "program too large at line %d", static_cast<int>(line->number));
    }
    if (watching) {
      auto text_length =
          std::find(line->text.begin(), line->text.end(), Byte{0}) - line->text.begin();
      seen.line_used =
          static_cast<std::size_t>(line->text.data() - work.line.data() + text_length) + 1;
      watch->each_line(seen);
    }
  }
  if (watch != nullptr) watch->dropped = reader.dropped;
  write_end_marker(work.program, length);
  return length;
}

}  // namespace flyseat
