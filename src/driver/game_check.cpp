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

// Opens an input as a build reads it: the bytes kept, or the whole file again.
void open_input(const GameInputs& inputs, Input input, CheckWatch& watch, Source& source) {
  if (inputs[input].whole() || !watch.reopen(input, source))
    open_bytes(source, kInputNames[input], inputs[input].bytes);
}

// How much of an input a build reads: all of it, its first bytes up to a maximum, or of the
// listing up to a byte 0x1A (`listing_read`: the bytes read of a listing read to its end; none
// when the build stops inside it, which the Listing section tells).
void check_read(const InputRead& file, Input input, std::optional<std::uint64_t> listing_read,
                CheckReport& report) {
  const char* name = kInputNames[input];
  if (input == kListing && !listing_read) {
    report.fact(kInputsSection, {.file = name, .note = count_of(file.size, "byte")});
    return;
  }
  std::uint64_t read = input == kListing ? *listing_read
                       : kMostRead[input]
                           ? std::min(file.size, static_cast<std::uint64_t>(*kMostRead[input]))
                           : file.size;
  if (read == file.size) {
    report.fact(kInputsSection, {.file = name, .note = count_of(file.size, "byte") + ", all read"});
  } else {
    std::string to = input == kListing ? format(", to the byte 0x%02X", kEndOfText) : "";
    report.warning(kInputsSection,
                   {.file = name,
                    .note = format("%llu bytes; the first %llu are read%s, %llu ignored",
                                   ull(file.size), ull(read), to.c_str(), ull(file.size - read))});
  }
}

// The size of an input and how much of it a build reads, then the checksums of the whole file,
// for a porter to look up in a catalogue of known releases.
void check_input(const InputRead& file, Input input, std::optional<std::uint64_t> listing_read,
                 CheckWatch& watch, CheckReport& report) {
  const char* name = kInputNames[input];
  switch (file.state) {
    case InputState::cannot_open:
      return report.error(kInputsSection, {.note = format(kCannotOpen, name)});
    case InputState::cannot_read:
      return report.error(kInputsSection, {.note = format(kCannotRead, name)});
    case InputState::not_a_file:
      return report.error(kInputsSection, {.file = name, .note = kNotAFile});
    case InputState::read:
      check_read(file, input, listing_read, report);
  }
  if (std::string sums = watch.checksums(input); !sums.empty())
    report.detail(kInputsSection, {.note = sums});
}

// The patch file applied as a build applies it, each record watched; false when a build stops.
bool check_patch(const GameInputs& inputs, CheckWatch& watch, LoadedMemory& memory,
                 CheckReport& report) {
  load_dumps(inputs[kList1].bytes, inputs[kList2].bytes, memory);
  PatchCheck patch(memory.dumps.list1, memory.dumps.list2);
  std::optional<Finding> refusal;
  try {
    Source source;
    open_input(inputs, kPatch, watch, source);
    apply_patch(source, memory, patch);
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

std::optional<Input> unread_memory_input(const GameInputs& inputs) {
  for (Input input : {kList1, kList2, kPatch}) {
    if (inputs[input].state != InputState::read) return input;
  }
  return std::nullopt;
}

void load_memory(const GameInputs& inputs, CheckWatch& watch, LoadedMemory& memory) {
  load_dumps(inputs[kList1].bytes, inputs[kList2].bytes, memory);
  Source patch;
  open_input(inputs, kPatch, watch, patch);
  PatchWatch none;
  apply_patch(patch, memory, none);
}

CheckReport check_game(const GameInputs& inputs, CheckWatch& watch) {
  CheckReport report;
  std::unique_ptr<ListingCheck> listing;
  if (inputs[kListing].state == InputState::read) {
    listing = std::make_unique<ListingCheck>();
    auto work = std::make_unique<WorkArea>();
    Source source;
    try {
      open_input(inputs, kListing, watch, source);
    } catch (const Failure& failure) {
      listing->refused(failure);
    }
    if (!listing->refusal) convert_checked(source, *work, *listing);
  }
  for (std::size_t i = 0; i < kInputCount; ++i)
    check_input(inputs[i], Input(i), listing ? listing->bytes_read : std::nullopt, watch, report);
  if (listing) listing->report(report);
  if (!unread_memory_input(inputs)) {
    auto memory = std::make_unique<LoadedMemory>();
    if (check_patch(inputs, watch, *memory, report))
      check_memory(*memory, listing ? listing->program_length : -1, report);
  }
  check_outputs(watch.outputs(), report);
  return report;
}

}  // namespace flyseat
