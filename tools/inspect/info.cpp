// `info`: each file known by the format most certain of it and checked by that format's own
// check; the facts the faces render are taken from what the check read, each once,
// with the words of the report line that tells it.
#include "info.hpp"

#include <algorithm>
#include <iterator>
#include <memory>
#include <string_view>

#include "flyseat/d88.hpp"
#include "flyseat/raw_disk.hpp"
#include "flyseat/tape.hpp"
#include "flyseat/text.hpp"
#include "hfe.hpp"

namespace flyseat::inspect {
namespace {

Value number(std::size_t n) {
  return Value::number(static_cast<std::int64_t>(n));
}

// A report line with each "{key}" of a fact replaced by that fact's value as text, so that every
// number and name it prints is a fact of the description too.
std::string with_facts(const std::string& words, const Facts& facts) {
  std::string text;
  std::size_t from = 0;
  for (std::size_t open; (open = words.find('{', from)) != std::string::npos;) {
    std::size_t close = words.find('}', open);
    if (close == std::string::npos) break;
    std::string_view key(words.data() + open + 1, close - open - 1);
    auto fact =
        std::find_if(facts.begin(), facts.end(), [key](const Fact& f) { return f.key == key; });
    text += words.substr(from, open - from);
    // A key that no fact has stays as it is written.
    text += fact == facts.end() ? words.substr(open, close + 1 - open)
                                : value_text(fact->value, fact->unit);
    from = close + 1;
  }
  return text + words.substr(from);
}

// A line of the report and the facts it tells; a fact told twice is kept once.
void tell(Description& d, const std::string& line, const Facts& facts = {}) {
  if (!line.empty()) d.lines.push_back(line);
  for (const Fact& fact : facts) {
    if (std::none_of(d.facts.begin(), d.facts.end(),
                     [&fact](const Fact& f) { return std::string_view(f.key) == fact.key; }))
      d.facts.push_back(fact);
  }
}

Fact size_fact(std::span<const Byte> file) {
  return {"size", number(file.size()), "byte"};
}

void tell_program(const ProgramRead& program, const std::string& line, Description& d,
                  Facts more = {}) {
  more.push_back({"program_lines", number(program.lines), "line"});
  more.push_back({"end_marker", number(program.at)});
  tell(d, line + "{program_lines}, the end marker at offset {end_marker}", more);
}

void tell_raw_disk(const RawDiskRead& disk, const std::string& indent, Description& d) {
  std::size_t fill = kBlockSize - disk.loader_bytes;
  tell(d,
       indent + "{loader_blocks}: the loader, {loader_bytes}" +
           (fill > 0 ? ", then {loader_fill} of {loader_fill_byte} fill" : ""),
       {{"loader_blocks", Value::span(0, kLoaderBlocks - 1), "block"},
        {"loader_bytes", number(disk.loader_bytes), "byte"},
        {"loader_fill", number(fill), "byte"},
        {"loader_fill_byte", Value::hex(kLoaderFill, 2)}});
  if (disk.program_block == 0) return;
  tell(d, indent + "{data_blocks}: the list1 and list2 regions",
       {{"data_blocks", Value::span(kLoaderBlocks, disk.program_block - 1), "block"}});
  tell_program(disk.program, indent + "{program_blocks}: the program, ", d,
               {{"program_blocks", Value::span(disk.program_block, disk.blocks - 1), "block"},
                {"program_block", Value::number(disk.program_block)}});
}

// Where the program of a raw disk image begins, when it has one where a build puts it.
std::optional<std::size_t> program_offset(const RawDiskRead& disk) {
  if (disk.program_block == 0) return std::nullopt;
  return static_cast<std::size_t>(disk.program_block) * kBlockSize;
}

void describe_tape(std::span<const Byte> file, Description& d) {
  TapeCheck check = check_tape_image(file);
  const TapeRead& tape = check.tape;
  d.kind = tape.kind;
  d.problems = std::move(check.findings);
  if (!tape.whole_header()) {
    tell(d, "tape image, {size}: its leader and no whole tape name", {size_fact(file)});
    return;
  }
  tell(d, "tape image {tape_name}, {size}: the {header_size}-byte header and {payload} of payload",
       {{"tape_name", Value::name(std::string(tape.name.begin(), tape.name.end()))},
        size_fact(file),
        {"header_size", Value::number(kTape.header_size)},
        {"payload", number(tape.payload.size()), "byte"}});
  if (d.kind == ImageKind::data_tape) tell(d, "  payload: the list1 region, then the list2 region");
  if (check.program && check.program->stop == ProgramRead::ended)
    tell_program(*check.program, "  program: ", d);
  if (check.program) d.program_at = kTape.header_size;
}

void tell_d88_header(const D88Check& check, Description& d) {
  const D88Header& h = check.d88.header;
  tell(d,
       "  header: name {disk_name}, write protect {write_protect}, media type {media_type}, disk "
       "size {disk_size}",
       {{"disk_name", Value::name(std::string(h.name.begin(), h.name.end()))},
        {"write_protect", Value::hex(h.write_protect, 2)},
        {"media_type", Value::hex(h.media_type, 2)},
        {"disk_size", Value::number(h.disk_size)},
        {"track_table_as_built", Value::flag(check.table_as_built)}});
  if (!check.table_as_built) return;
  // As read: the tracks are the entries that are not zero, the others equal to one of side 1.
  auto tracks = std::count_if(h.track_table.begin(), h.track_table.end(),
                              [](std::uint32_t entry) { return entry != 0; });
  tell(d,
       "  track table: {track_table_tracks} tracks, the first at offset {track_table_first}, "
       "{track_table_stride} bytes apart; the other {track_table_other_entries} entries "
       "{track_table_other_value}",
       {{"track_table_tracks", Value::number(tracks)},
        {"track_table_first", Value::number(h.track_table[0])},
        {"track_table_stride", Value::number(h.track_table[kD88.table_sides] - h.track_table[0])},
        {"track_table_other_entries",
         Value::number(static_cast<std::int64_t>(h.track_table.size()) - tracks)},
        {"track_table_other_value", Value::number(h.track_table[1])}});
}

void tell_d88_sectors(int with_data, Description& d) {
  bool whole = with_data % kDisk.sectors == 0;
  tell(d,
       std::string("  sectors: {sectors_with_data} of {disk_sectors} with data (") +
           (whole ? "{whole_tracks}" : "not whole tracks") +
           "), then {fill_sectors} of {fill_byte} fill",
       {{"sectors_with_data", Value::number(with_data)},
        {"disk_sectors", Value::number(kDiskSectors)},
        {"fill_sectors", Value::number(kDiskSectors - with_data)},
        {"fill_byte", Value::hex(kD88Fill, 2)}});
  if (whole)
    tell(d, "", {{"whole_tracks", Value::number(with_data / kDisk.sectors), "whole track"}});
}

// The disk's sectors as a D88 image holds them, and the raw disk image they hold.
void tell_disk(D88Check& check, Description& d) {
  if (check.sectors_with_data) tell_d88_sectors(*check.sectors_with_data, d);
  if (check.held_check) {
    const RawDiskRead& held = check.held_check->disk;
    tell(d, "  the raw disk image it holds: {blocks}",
         {{"blocks", Value::number(held.blocks), "block"}});
    tell_raw_disk(held, "    ", d);
    d.program_at = program_offset(held);
  }
  d.problems.insert(d.problems.end(), check.findings.begin(), check.findings.end());
  d.held = std::move(check.held);
}

void describe_d88(std::span<const Byte> file, Description& d) {
  d.kind = ImageKind::d88;
  D88Check check = check_d88_image(file);
  tell(d, "D88 image, {size}: {cylinders}, {heads}, {sectors_per_track} of {sector_size} a track",
       {size_fact(file),
        {"cylinders", Value::number(kDisk.cylinders), "cylinder"},
        {"heads", Value::number(kDisk.heads), "head"},
        {"sectors_per_track", Value::number(kDisk.sectors), "sector"},
        {"sector_size", Value::number(kDisk.sector_size), "byte"}});
  if (check.d88.header_whole) tell_d88_header(check, d);
  tell_disk(check, d);
}

// An HFE image's header, then its sectors as the D88 image of them (hfe.hpp) holds them: the
// HFE's check judges the cells, the marks and the IDs, the D88's the data.
void describe_hfe(std::span<const Byte> file, Description& d) {
  d.kind = ImageKind::hfe;
  HfeCheck check = check_hfe(file);
  const HfeHeader& h = check.hfe.header;
  tell(d, "HFE image, {size}: {hfe_tracks}, {hfe_sides}, {bit_rate} kbit/s at {rpm} rpm",
       {size_fact(file),
        {"hfe_tracks", Value::number(h.tracks), "track"},
        {"hfe_sides", Value::number(h.sides), "side"},
        {"bit_rate", Value::number(h.bit_rate)},
        {"rpm", Value::number(h.rpm)}});
  d.problems = std::move(check.findings);
  if (check.d88.empty()) return;
  D88Check disk = check_d88_image(check.d88);
  tell_disk(disk, d);
}

void describe_raw_disk(std::span<const Byte> file, Description& d) {
  d.kind = ImageKind::raw_disk;
  RawDiskCheck check = check_raw_disk_image(file);
  tell(d, "raw disk image, {size}: {blocks} of {block_size} bytes",
       {size_fact(file),
        {"blocks", Value::number(check.disk.blocks), "block"},
        {"block_size", Value::number(kBlockSize)}});
  tell_raw_disk(check.disk, "  ", d);
  d.program_at = program_offset(check.disk);
  d.problems = std::move(check.findings);
}

}  // namespace

const char* kind_name(ImageKind kind) {
  constexpr const char* kNames[] = {"unreadable", "empty", "unknown",  "data-tape", "main-tape",
                                    "tape",       "d88",   "raw-disk", "hfe"};  // by enum
  static_assert(std::size(kNames) == static_cast<std::size_t>(ImageKind::hfe) + 1);
  return kNames[static_cast<int>(kind)];
}

namespace {

// The D88 image a build writes of a raw disk image, or why it writes none ("disk full").
std::optional<Finding> encode_d88_of(std::span<const Byte> raw_disk, D88Image& d88) {
  try {
    encode_d88_image(raw_disk, d88);
  } catch (const Failure& failure) {
    return finding_of(failure);
  }
  return std::nullopt;
}

}  // namespace

std::optional<Finding> d88_difference(std::span<const Byte> d88, std::span<const Byte> raw_disk) {
  auto expected = std::make_unique<D88Image>();
  if (std::optional<Finding> none = encode_d88_of(raw_disk, *expected)) return none;
  std::span<const Byte> written = *expected;
  auto [mine, theirs] = std::mismatch(written.begin(), written.end(), d88.begin(), d88.end());
  if (mine == written.end() && theirs == d88.end()) return std::nullopt;
  if (mine == written.end()) {
    std::size_t more = d88.size() - written.size();
    return Finding{.place = offset_place(kD88Size),
                   .note = count_of(more, "byte") + " more after the last sector",
                   .facts = {{"more", number(more), "byte"}}};
  }
  auto offset = static_cast<std::size_t>(mine - written.begin());
  if (offset < kD88.header_size)
    return Finding{.place = offset_place(offset), .note = "the headers differ"};
  return Finding{
      .place = sector_at(static_cast<int>((offset - kD88.header_size) / kSectorRecordSize)),
      .note = theirs == d88.end() ? "the file ends inside its record" : "its record differs"};
}

Description describe_image(std::span<const Byte> file, const Checksums& checksums) {
  Description d;
  d.size = file.size();
  Recognised recognised = recognise_image(file);
  if (is_tape(recognised.kind)) {
    describe_tape(file, d);
  } else if (recognised.kind == ImageKind::d88) {
    describe_d88(file, d);
  } else if (recognised.kind == ImageKind::raw_disk) {
    describe_raw_disk(file, d);
  } else if (recognised.kind == ImageKind::hfe) {
    describe_hfe(file, d);
  } else if (file.empty()) {
    d.kind = ImageKind::empty;
    d.problems.push_back({.note = "empty file"});
    return d;
  } else {
    d.kind = ImageKind::unknown;
    tell(d, "{size}, not an image of a build", {size_fact(file)});
    d.problems.push_back(
        {.note = format("not an image of a build: no tape leader, no D88 header, and %s is not a "
                        "whole number of %d-byte blocks",
                        count_of(file.size(), "byte").c_str(), kBlockSize),
         .facts = {size_fact(file), {"block_size", Value::number(kBlockSize)}}});
  }
  if (recognised.certainty > 0) tell(d, "", {{"certainty", Value::number(recognised.certainty)}});
  if (!checksums.crc32.empty())
    tell(d, "  CRC-32 {crc32}", {{"crc32", Value::text(checksums.crc32)}});
  if (!checksums.sha1.empty()) tell(d, "  SHA-1 {sha1}", {{"sha1", Value::text(checksums.sha1)}});
  return d;
}

std::vector<std::string> description_lines(const Description& d) {
  std::vector<std::string> lines;
  for (const std::string& line : d.lines)
    lines.push_back(with_facts(line, d.facts));
  return lines;
}

bool InfoReport::sound() const {
  return std::all_of(files.begin(), files.end(),
                     [](const FileDescription& f) { return f.description.sound(); }) &&
         std::all_of(held.begin(), held.end(), [](const HeldImage& h) { return !h.difference; });
}

InfoReport describe_files(const std::vector<NamedFile>& files) {
  InfoReport report;
  for (const NamedFile& file : files) {
    Description d;
    if (std::optional<Finding> problem = read_problem(file.name, file.read, kMaxInspectSize)) {
      problem->file.clear();  // the report names the file
      d.problems.push_back(*problem);
    } else {
      d = describe_image(file.read.bytes, file.read.checksums);
    }
    report.files.push_back({file.name, std::move(d)});
  }
  auto kind = [&report](std::size_t i) { return report.files[i].description.kind; };
  for (std::size_t a = 0; a < files.size(); ++a) {
    for (std::size_t b = 0; b < files.size(); ++b) {
      std::span<const Byte> holder = files[a].read.bytes, held = files[b].read.bytes;
      std::optional<Finding> difference;
      if (kind(a) == ImageKind::d88 && kind(b) == ImageKind::raw_disk) {
        difference = d88_difference(holder, held);
      } else if (kind(a) == ImageKind::hfe && kind(b) == ImageKind::d88) {
        difference = hfe_difference(holder, decode_d88_image(held));
      } else if (kind(a) == ImageKind::hfe && kind(b) == ImageKind::raw_disk) {
        auto d88 = std::make_unique<D88Image>();
        difference = encode_d88_of(held, *d88);
        if (!difference) difference = hfe_difference(holder, decode_d88_image(*d88));
      } else {
        continue;
      }
      if (difference) difference->file = files[a].name;
      report.held.push_back({files[a].name, files[b].name, difference, kind(a)});
    }
  }
  return report;
}

}  // namespace flyseat::inspect
