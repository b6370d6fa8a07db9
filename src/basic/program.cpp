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
  LineRecordRead::What what = link == kUnlinked ? record : other_link;
  std::span<const Byte> rest =
      program.subspan(std::min(program.size(), at + kLineRecord.header_size));
  auto zero = std::find(rest.begin(), rest.end(), Byte{0});
  if (zero == rest.end()) return {.what = what == record ? cut_short : what, .link = link};
  auto tokens = static_cast<std::size_t>(zero - rest.begin());
  return {.what = what,
          .link = link,
          .number = read_u16(program, at + kLineRecord.number),
          .tokens = rest.first(tokens),
          .next = at + kLineRecord.header_size + tokens + 1};
}

ProgramRead read_program(std::span<const Byte> bytes, std::size_t start) {
  ProgramRead program{.at = start};
  for (;;) {
    LineRecordRead read = read_line_record(bytes, program.at);
    switch (read.what) {
      case LineRecordRead::record:
        ++program.lines;
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
        std::size_t after = bytes.size() - end;
        found(end, {.note = count_of(after, "byte") + " after the end marker, where a build "
                                                      "writes none",
                    .facts = {{"after", Value::number(static_cast<std::int64_t>(after)), "byte"}}});
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
                   {.field = format("byte %zu of the end marker", read.damaged),
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

std::int32_t convert_listing(Source& listing, WorkArea& work, ListingWatch& watch,
                             LineEdits edits) {
  ListingReader reader{listing, watch};
  std::int32_t length = 0;
  while (std::optional<ListingLine> line = read_listing_line(reader, work.line)) {
    if (edits == LineEdits::substitution_table &&
        !substitute_line(line->number, line->text, work.scratch, watch))
      fail_in(listing.name, "line %d too long after editing", static_cast<int>(line->number));
    watch.edited(line->used());
    // The scratch is free again once the line is edited, and as large as the line buffer.
    std::size_t count = tokenize_line(line->text, work.scratch, watch);
    if (!append_line_record(work.program, length, line->number,
                            std::span<const Byte>(work.scratch).first(count)))
      fail_in(listing.name, "program too large at line %d", static_cast<int>(line->number));
    watch.stored(kLineRecord.overhead + count);
  }
  watch.ended(reader.consumed);
  write_end_marker(work.program, length);
  return length;
}

}  // namespace flyseat
