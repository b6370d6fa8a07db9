// The check of the patch file: each record as a build applies it, what it overwrites, and the
// bytes it stores where no output carries them.
#include <memory>

#include "checker.hpp"
#include "flyseat/patch.hpp"
#include "flyseat/raw_disk.hpp"

namespace flyseat::inspect {
namespace {

// The bytes of one record that an output leaves out.
struct LeftOut {
  int count = 0;
  int first = 0, last = 0;
  void add(int address) {
    if (count++ == 0) first = address;
    last = address;
  }
  // "4 bytes (0x8000 to 0x8003)", "2 of its 4 bytes (...)", "3 bytes between 0x... and 0x..."
  std::string text(int of) const {
    std::string bytes = count == of ? count_of(static_cast<std::size_t>(count), "byte")
                                    : format("%d of its %d bytes", count, of);
    bool run = last - first + 1 == count;
    return format(run ? "%s (0x%04X to 0x%04X)" : "%s between 0x%04X and 0x%04X", bytes.c_str(),
                  first, last);
  }
};

// Takes the records one by one: a patch file may hold millions.
class PatchCheck {
 public:
  PatchCheck(const LoadedMemory& memory, Checker& c) : memory_(memory), c_(c) {}

  // The dumps are loaded by the time the first record is applied.
  void seen(const PatchRecordSeen& r) {
    if (records_ == 0) list2_length_ = memory_.dumps.list2;
    std::size_t i = records_++;
    if (i < kMostRecords) c_.fact(kPatchSection, record_fact(i, r));
    Findings format_findings;
    check_patch_record(i, r, format_findings);
    for (Finding& f : format_findings)
      c_.warning(kPatchSection, std::move(f));
    std::size_t overwritten = 0;
    std::size_t earlier = 0;
    for (int a = r.address; a < r.address + r.count; ++a) {
      std::size_t& w = writer_[static_cast<std::size_t>(a)];
      if (w != 0) {
        ++overwritten;
        if (earlier == 0) earlier = w;
      }
      w = i + 1;
    }
    if (overwritten > 0) {
      overwrites_.push_back({.place = patch_record_place(i, r),
                             .note = format("overwrites %s that record %zu wrote",
                                            count_of(overwritten, "byte").c_str(), earlier)});
    }
    check_carried(i, r);
  }

  void finish(const PatchSummary& patch) {
    Findings& section = c_.report.sections[kPatchSection];
    section.insert(
        section.begin(),  // the count before the records
        {.level = Level::fact, .file = kPatchName, .note = count_of(records_, "record")});
    if (records_ > kMostRecords) {
      std::size_t more = records_ - kMostRecords;
      c_.fact(kPatchSection, {.note = "and " + count_of(more, "more record")});
    }
    c_.warnings(kPatchSection, overwrites_, "record overwrites earlier ones",
                "records overwrite earlier ones");
    c_.warnings(kPatchSection, uncarried_, "record stores bytes no output carries",
                "records store bytes no output carries");
    c_.warnings(kPatchSection, on_disk_only_, "record stores bytes only the disk images carry",
                "records store bytes only the disk images carry");
    Findings end;
    check_patch_end(patch, end);
    for (Finding& f : end)
      c_.warning(kPatchSection, std::move(f));
  }

 private:
  static constexpr std::size_t kMostRecords = 16;  // listed; the rest are counted

  Finding record_fact(std::size_t i, const PatchRecordSeen& r) {
    std::string text = r.count == 0
                           ? "stores nothing"
                           : format("0x%04X to 0x%04X, %s", r.address, r.address + r.count - 1,
                                    count_of(static_cast<std::size_t>(r.count), "byte").c_str());
    if (r.list2_length > list2_length_) {
      text += format("; the list2 region grows to %d bytes", r.list2_length);
      list2_length_ = r.list2_length;
    }
    return {.place = patch_record_place(i, r), .note = text};
  }

  // A patched byte that no output carries is lost to the port; one that only the disk images
  // carry is missing from the data tape.
  void check_carried(std::size_t i, const PatchRecordSeen& r) {
    std::int32_t list1 = memory_.dumps.list1;
    LeftOut nowhere, tape;
    for (int a = r.address; a < r.address + r.count; ++a) {
      Carried where = carried(a, list1);
      if (where == Carried::nowhere) nowhere.add(a);
      if (where == Carried::on_disk_only) tape.add(a);
    }
    if (nowhere.count > 0) {
      uncarried_.push_back(
          {.place = patch_record_place(i, r),
           .note = format("stores %s that no output carries: the outputs hold memory from "
                          "0x%04X to 0x%04X (the list1 region and the rest of its disk blocks) "
                          "and from 0x%04X on (the list2 region)",
                          nowhere.text(r.count).c_str(), kList1Start, list1_disk_end(list1) - 1,
                          kList2Start)});
    }
    if (tape.count > 0) {
      on_disk_only_.push_back(
          {.place = patch_record_place(i, r),
           .note = format(
               "stores %s that only the disk images carry: the data tape holds %s",
               tape.text(r.count).c_str(),
               list1 == 0 ? "no list1 region (list1.bin is empty)"
                          : format("the list1 region only up to 0x%04X", kList1Start + list1 - 1)
                                .c_str())});
    }
  }

  const LoadedMemory& memory_;
  Checker& c_;
  std::int32_t list2_length_ = 0;
  std::size_t records_ = 0;
  std::vector<std::size_t> writer_ = std::vector<std::size_t>(kMemorySize, 0);  // from 1
  Findings overwrites_;
  Findings uncarried_;
  Findings on_disk_only_;
};

}  // namespace

bool check_patch(const GameInputs& inputs, LoadedMemory& memory, Checker& c) {
  PatchCheck patch(memory, c);
  std::optional<Finding> refusal;
  try {
    load_memory(inputs, memory, [&patch](const PatchRecordSeen& r) { patch.seen(r); });
  } catch (const Failure& failure) {
    refusal = finding_of(failure);
  }
  patch.finish(memory.patch);
  if (refusal) c.error(kPatchSection, *refusal);
  return !refusal;
}

}  // namespace flyseat::inspect
