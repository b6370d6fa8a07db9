#include <array>
#include <cstdint>

#include "flyseat/disk.hpp"
#include "flyseat/failure.hpp"
#include "flyseat/file_names.hpp"
#include "flyseat/image.hpp"
#include "flyseat/patch.hpp"
#include "flyseat/text.hpp"

namespace flyseat {
namespace {

struct RecordRead {
  PatchRecordHeader header{};
  int bytes_read = 0;  // of its header; fewer than a whole header when the file ends inside it
};

RecordRead read_header(Source& patch) {
  RecordRead read;
  PatchRecordHeaderBytes fields;
  while (read.bytes_read < kPatchRecord.header_size) {
    int byte = read_byte(patch);
    if (byte < 0) return read;
    fields[static_cast<std::size_t>(read.bytes_read++)] = static_cast<Byte>(byte);
  }
  read.header = decode_patch_record_header(fields);
  return read;
}

}  // namespace

PatchSummary apply_patch(Source& patch, MemoryImage& memory, std::int32_t& list2_length,
                         PatchWatch& watch) {
  PatchSummary summary;
  for (;;) {
    RecordRead read = read_header(patch);
    // A file that ends inside a count or an address field ends the patching; nothing of
    // that record is stored.
    if (read.bytes_read < kPatchRecord.header_size) {
      summary.stray_bytes = read.bytes_read;
      return summary;
    }
    const PatchRecordHeader& header = read.header;
    if (!header.fits_memory()) {
      watch.record({summary.end, header.count, header.address, 0, list2_length, true});
      fail_in(patch.name, "record at offset %lld runs past the end of memory",
              static_cast<long long>(summary.end));
    }
    int missing = 0;
    for (int k = 0; k < header.count; ++k) {
      int value = read_byte(patch);
      int target = header.address + k;
      if (value < 0) ++missing;
      memory[static_cast<std::size_t>(target)] =
          value < 0 ? kMissingData : static_cast<Byte>(value);
      if (target >= kList2Start && target - kList2Start + 1 > list2_length) {
        list2_length = target - kList2Start + 1;
      }
    }
    watch.record({summary.end, header.count, header.address, missing, list2_length});
    summary.end += kPatchRecord.header_size + header.count;
  }
}

namespace {

// "record 5 at offset 38": record `index` of the file, counted from 0.
at::PatchRecord patch_record_place(std::size_t index, const PatchRecordSeen& record) {
  return {index + 1, record.offset};
}

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

}  // namespace

PatchCheck::PatchCheck(std::int32_t list1_length, std::int32_t list2_length)
    : list1_length_(list1_length), list2_length_(list2_length) {}

void PatchCheck::record(const PatchRecordSeen& r) {
  if (r.past_memory) {
    past_memory_ = format(
        "record %zu stores %s from 0x%04X, the last at 0x%X, past the end of "
        "memory (0x%04X)",
        records_ + 1, count_of(static_cast<std::size_t>(r.count), "byte").c_str(), r.address,
        r.address + r.count - 1, kMemorySize - 1);
    return;
  }
  std::size_t i = records_++;
  facts_.add([&] { return record_fact(i, r); });
  if (r.missing > 0) {
    cut_ = Finding{
        .place = patch_record_place(i, r),
        .field = "data",
        .value = Value::number(r.count - r.missing),
        .expected = Value::number(r.count),
        .unit = "byte",
        .note = format("the file ends inside the record; the %d missing are stored as 0x%02X",
                       r.missing, kMissingData)};
  }
  std::size_t overwritten = 0;
  std::uint32_t earlier = 0;
  for (int a = r.address; a < r.address + r.count; ++a) {
    std::uint32_t& w = writer_[static_cast<std::size_t>(a)];
    if (w != 0) {
      ++overwritten;
      if (earlier == 0) earlier = w;
    }
    w = static_cast<std::uint32_t>(i + 1);
  }
  if (overwritten > 0) {
    overwrites_.add([&] {
      return Finding{.place = patch_record_place(i, r),
                     .note = format("overwrites %s that record %u wrote",
                                    count_of(overwritten, "byte").c_str(), earlier)};
    });
  }
  check_carried(i, r);
}

Finding PatchCheck::record_fact(std::size_t i, const PatchRecordSeen& r) {
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
void PatchCheck::check_carried(std::size_t i, const PatchRecordSeen& r) {
  LeftOut nowhere, tape;
  for (int a = r.address; a < r.address + r.count; ++a) {
    Carried where = carried(a, list1_length_);
    if (where == Carried::nowhere) nowhere.add(a);
    if (where == Carried::on_disk_only) tape.add(a);
  }
  if (nowhere.count > 0) {
    uncarried_.add([&] {
      return Finding{
          .place = patch_record_place(i, r),
          .note = format("stores %s that no output carries: the outputs hold memory from "
                         "0x%04X to 0x%04X (the list1 region and the rest of its disk blocks) "
                         "and from 0x%04X on (the list2 region)",
                         nowhere.text(r.count).c_str(), kList1Start,
                         list1_disk_end(list1_length_) - 1, kList2Start)};
    });
  }
  if (tape.count > 0) {
    on_disk_only_.add([&] {
      return Finding{
          .place = patch_record_place(i, r),
          .note = format("stores %s that only the disk images carry: the data tape holds %s",
                         tape.text(r.count).c_str(),
                         list1_length_ == 0 ? "no list1 region (list1.bin is empty)"
                                            : format("the list1 region only up to 0x%04X",
                                                     kList1Start + list1_length_ - 1)
                                                  .c_str())};
    });
  }
}

void PatchCheck::report(CheckReport& report, const PatchSummary& patch,
                        const std::optional<Finding>& refusal) const {
  report.fact(kPatchSection, {.file = kPatchName, .note = count_of(records_, "record")});
  report.add(kPatchSection, Level::fact, facts_);
  if (cut_) report.warning(kPatchSection, *cut_);
  for (const FindingsOfAKind* kind : {&overwrites_, &uncarried_, &on_disk_only_})
    report.add(kPatchSection, Level::warning, *kind);
  if (patch.stray_bytes > 0) {
    report.warning(kPatchSection,
                   {.place = offset_place(static_cast<std::size_t>(patch.end)),
                    .note = count_of(static_cast<std::size_t>(patch.stray_bytes), "stray byte") +
                            " after the last record, too few for another: ignored"});
  }
  if (!refusal) return;
  Finding stop = *refusal;
  stop.note = past_memory_;
  report.error(kPatchSection, stop);
}

void apply_patch(Folder& folder, MemoryImage& memory, std::int32_t& list2_length) {
  Source patch;
  open_input(folder, patch, kPatchName);
  PatchWatch none;
  apply_patch(patch, memory, list2_length, none);
  close_input(patch);
}

}  // namespace flyseat
