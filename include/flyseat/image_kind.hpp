// What a file is, as the formats and the faces know it: one of the images a build writes, a tape
// image of another name, the disk as a floppy emulator takes it (HFE), or none.
#pragma once

namespace flyseat {

enum class ImageKind {
  unreadable,  // the file cannot be read
  empty,
  unknown,     // no format takes it
  data_tape,   // a tape image named as a build names the data tape
  main_tape,   // ... the main tape
  other_tape,  // a tape image of another name, or cut before its name
  d88,
  raw_disk,
  hfe,
};

constexpr bool is_tape(ImageKind kind) {
  return kind == ImageKind::data_tape || kind == ImageKind::main_tape ||
         kind == ImageKind::other_tape;
}
constexpr bool is_disk(ImageKind kind) {
  return kind == ImageKind::d88 || kind == ImageKind::raw_disk || kind == ImageKind::hfe;
}

}  // namespace flyseat
