// The check before a build: the build's own stages run on the inputs, watched, to tell the
// porter whether the inputs are the game that the compiled-in tables were made for. A record
// that matches nothing or a halved word that was never a video address leaves a build silent;
// here they are warnings.
#include "flyseat/game_check.hpp"

#include <algorithm>
#include <memory>

#include "flyseat/listing_check.hpp"
#include "flyseat/text.hpp"

namespace flyseat {
namespace {

unsigned long long ull(std::uint64_t n) {
  return static_cast<unsigned long long>(n);
}

void check_checksums(const FileRead& file, CheckReport& report) {
  if (file.checksums.crc32.empty()) return;  // a file that was not read
  report.detail(kInputsSection, {.note = format("CRC-32 %s, SHA-1 %s", file.checksums.crc32.c_str(),
                                                file.checksums.sha1.c_str())});
}

// How much of an input a build reads: all of it, its first bytes up to a maximum, or of the
// listing up to a byte 0x1A (`listing_read`: bytes read of a listing read to its end).
void check_read(const FileRead& file, Input input, std::optional<std::uint64_t> listing_read,
                CheckReport& report) {
  const char* name = kInputNames[input];
  std::uint64_t read = listing_read.value_or(
      kMostRead[input] ? std::min<std::uint64_t>(file.size, check_limit(input)) : file.size);
  if (read == file.size) {
    report.fact(kInputsSection, {.file = name, .note = count_of(file.size, "byte") + ", all read"});
  } else if (listing_read) {
    report.warning(
        kInputsSection,
        {.file = name,
         .note = format("%llu bytes; the first %llu are read, to the byte 0x%02X, %llu ignored",
                        ull(file.size), ull(read), kEndOfText, ull(file.size - read))});
  } else {
    report.warning(kInputsSection,
                   {.file = name,
                    .note = format("%llu bytes; the first %llu are read, %llu ignored",
                                   ull(file.size), ull(read), ull(file.size - read))});
  }
}

// The size of an input and how much of it a build reads, then the checksums of the whole file,
// for a porter to look up in a catalogue of known releases.
void check_input(const FileRead& file, Input input, std::optional<std::uint64_t> listing_read,
                 CheckReport& report) {
  const char* name = kInputNames[input];
  switch (file.status) {
    case ReadStatus::cannot_open:
      return report.error(kInputsSection, {.note = format(kCannotOpen, name)});
    case ReadStatus::cannot_read:
      return report.error(kInputsSection, {.note = format(kCannotRead, name)});
    case ReadStatus::not_a_file:
      return report.error(kInputsSection, {.file = name, .note = kNotAFile});
    case ReadStatus::too_large:  // no input is kept short of what a build reads
    case ReadStatus::read:
      check_read(file, input, listing_read, report);
  }
  check_checksums(file, report);
}

// The patch file applied as a build applies it, each record watched; false when a build stops.
bool check_patch(const GameInputs& inputs, LoadedMemory& memory, CheckReport& report) {
  load_dumps(inputs.files[kList1].bytes, inputs.files[kList2].bytes, memory);
  PatchCheck patch(memory.dumps.list1, memory.dumps.list2);
  std::optional<Finding> refusal;
  try {
    Source source;
    inputs.files[kPatch].open(source, kPatchName);
    apply_patch(source, memory, [&patch](const PatchRecordSeen& r) { patch.seen(r); });
  } catch (const Failure& failure) {
    refusal = finding_of(failure);
    memory.patch = {};
  }
  patch.report(report, memory.patch, refusal);
  return !refusal;
}

// What stands in the way of the outputs; "nothing" when none of it stops a build.
void check_outputs(Findings ahead, CheckReport& report) {
  if (std::none_of(ahead.begin(), ahead.end(),
                   [](const Finding& f) { return f.level == Level::error; }))
    report.fact(kOutputsSection, {.note = "nothing stands in the way of the four outputs"});
  for (Finding& finding : ahead)
    report.add(kOutputsSection, finding.level, std::move(finding));
}

}  // namespace

void FileRead::open(Source& source, const char* name) const {
  if (whole() || !reopen) {
    open_bytes(source, name, bytes);
  } else {
    reopen(source);
  }
}

std::optional<Input> unread_memory_input(const GameInputs& inputs) {
  for (Input input : {kList1, kList2, kPatch}) {
    if (inputs.files[input].status != ReadStatus::read) return input;
  }
  return std::nullopt;
}

void load_memory(const GameInputs& inputs, LoadedMemory& memory) {
  load_dumps(inputs.files[kList1].bytes, inputs.files[kList2].bytes, memory);
  Source patch;
  inputs.files[kPatch].open(patch, kPatchName);
  apply_patch(patch, memory);
}

CheckReport check_game(const GameInputs& inputs) {
  CheckReport report;
  const FileRead& listing_file = inputs.files[kListing];
  std::unique_ptr<ListingCheck> listing;
  if (listing_file.status == ReadStatus::read) {
    listing = std::make_unique<ListingCheck>();
    auto work = std::make_unique<WorkArea>();
    Source source;
    try {
      listing_file.open(source, kListingName);
    } catch (const Failure& failure) {
      listing->refused(failure);
    }
    if (!listing->refusal) convert_checked(source, *work, *listing);
  }
  for (std::size_t i = 0; i < kInputCount; ++i) {
    std::optional<std::uint64_t> listing_read;
    if (i == kListing && listing)
      listing_read = listing->refusal ? listing_file.size : listing->bytes_read;
    check_input(inputs.files[i], Input(i), listing_read, report);
  }
  if (listing) listing->report(report);
  std::optional<OutputSizes> sizes;
  if (!unread_memory_input(inputs)) {
    auto memory = std::make_unique<LoadedMemory>();
    std::int32_t program = listing ? listing->program_length : -1;
    if (check_patch(inputs, *memory, report)) {
      check_memory(*memory, program, report);
      if (program >= 0) sizes = output_sizes(memory->dumps.list1, memory->list2_length, program);
    }
  }
  check_outputs(inputs.foresee_outputs ? inputs.foresee_outputs(sizes) : Findings{}, report);
  return report;
}

}  // namespace flyseat
