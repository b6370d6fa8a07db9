// flyseat-make-sample: writes the binary inputs of the bundled sample game (loader.bin,
// list1.bin, list2.bin, patch.bin) into the folder given. The folder is required: run in a
// game's folder by mistake, the tool would overwrite the game's inputs. The data is made up:
// test graphics in four grey levels where the bitmap rows lie, video addresses where the
// machine code keeps them, and a few patch records. The listing, list3.txt, is written by hand.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "flyseat/file_names.hpp"
#include "flyseat/image.hpp"
#include "flyseat/patch.hpp"

namespace {

using namespace flyseat;
using Bytes = std::vector<std::uint8_t>;

constexpr int kList1Size = 0x2400;  // bitmap rows, the entry table and some code after them
constexpr int kList2Size = 0x1630;  // up to 0xCFFF; the patch file raises it to 0xD00F

// Deterministic filler that looks like code rather than a pattern.
struct Filler {
  std::uint32_t state = 0x2545F491u;
  std::uint8_t next() {
    state = state * 1664525u + 1013904223u;
    return static_cast<std::uint8_t>(state >> 24);
  }
};

// A grey level 0..3 for pixel (x, y) of bitmap range `range`; each range has its own picture.
int grey(int range, int x, int y) {
  switch (range) {
    case 0:  // diagonal stripes
      return ((x + y) / 2) % 4;
    case 1: {  // rings, a 24 x 24 tile repeated down the range
      int dx = 2 * x - 23, dy = 2 * (y % 24) - 23;
      int d2 = dx * dx + dy * dy;
      return d2 < 196 ? 3 : d2 < 484 ? 2 : d2 < 900 ? 1 : 0;
    }
    case 2:  // checkerboard of 4 x 4 cells, every other cell dark
      return ((x / 4 + y / 4) % 2) == 0 ? 0 : 1 + (y / 8) % 3;
    case 3:  // horizontal bands
      return (y / 8) % 4;
    case 4:  // vertical bars
      return (x / 4) % 4;
    default:  // triangles pointing right
      return x <= (y % 16) / 2 ? 1 + (y / 16) % 3 : 0;
  }
}

// The first address of the fixed places of a kind.
int first_place(PlaceKind kind) {
  return fixed_places(kind).addresses.front();
}

void put(Bytes& image, int base, int address, std::initializer_list<int> values) {
  for (int v : values)
    image[static_cast<std::size_t>(address++ - base)] = static_cast<std::uint8_t>(v);
}

Bytes make_list1() {
  Filler filler;
  Bytes image(kList1Size);
  for (auto& b : image)
    b = filler.next();
  auto ranges = bitmap_row_ranges();
  for (int r = 0; r < kRowRangeCount; ++r) {
    const RowRange& range = ranges[static_cast<std::size_t>(r)];
    for (int a = range.first; a <= range.last; ++a) {
      int row = (a - range.first) / range.width;
      int x0 = ((a - range.first) % range.width) * kPixelsPerSourceByte;
      int byte = 0;
      for (int p = 0; p < kPixelsPerSourceByte; ++p)
        byte = (byte << 2) | grey(r, x0 + p, row);
      image[static_cast<std::size_t>(a - kList1Start)] = static_cast<std::uint8_t>(byte);
    }
  }
  // The gaps between the first ranges.
  put(image, kList1Start, ranges[0].last + 1, {0x5A, 0xA5, 0x3C, 0xC3});
  put(image, kList1Start, ranges[1].last + 1, {0x99, 0x66});
  // The entry table: odd first bytes, so that the edit shows.
  const FixedPlaces& entries = fixed_places(PlaceKind::entry_table_entry);
  for (int i = 0; i < static_cast<int>(entries.addresses.size()); ++i) {
    put(image, kList1Start, entries.addresses[static_cast<std::size_t>(i)],
        {0x11 + 4 * i, i, 0x20 + i});
  }
  return image;
}

Bytes make_list2() {
  Bytes image(kList2Size);
  const std::string signature = "FLYSEAT SAMPLE GAME - MADE-UP CODE AND DATA ";
  std::span<const int> halved = fixed_places(PlaceKind::halved_address).addresses;
  int first_word = *std::min_element(halved.begin(), halved.end());
  for (int a = kList2Start; a < first_word; ++a) {
    image[static_cast<std::size_t>(a - kList2Start)] = static_cast<std::uint8_t>(
        signature[static_cast<std::size_t>(a - kList2Start) % signature.size()]);
  }
  // From the first relocated word on, every byte lies in 0xC0..0xFF, so every word there
  // reads as an address in video memory, whichever of them the conversion rewrites.
  for (int a = first_word; a < kList2Start + kList2Size; ++a) {
    image[static_cast<std::size_t>(a - kList2Start)] = static_cast<std::uint8_t>(0xC0 | (a & 0x3F));
  }
  std::span<const int> split = fixed_places(PlaceKind::split_address_byte).addresses;
  put(image, kList2Start, halved.back(), {0xFF, 0xFF});   // the last: the top of video
  put(image, kList2Start, halved.front(), {0x50, 0xC0});  // the first, 0xC050
  put(image, kList2Start, first_place(PlaceKind::raised_word), {0x00, 0xF0});  // wraps, 0xF000
  put(image, kList2Start, split[0], {0xD2});  // the split address 0xD240, high byte
  put(image, kList2Start, split[1], {0x40});  // and low byte
  put(image, kList2Start, first_place(PlaceKind::rounded_word), {0x06, 0xC0});  // 0xC006
  put(image, kList2Start, first_place(PlaceKind::high_nibble_byte), {0xE4});
  put(image, kList2Start, first_place(PlaceKind::low_nibble_byte), {0xE4});
  put(image, kList2Start, first_place(PlaceKind::pattern_pair), {0xC0, 0x03});  // a pair to merge
  return image;
}

Bytes make_loader() {
  Filler filler;
  filler.state = 0x0B007ED5u;
  const std::string banner = "FLYSEAT SAMPLE LOADER";
  Bytes loader(banner.begin(), banner.end());
  while (loader.size() < 384)
    loader.push_back(filler.next());
  return loader;
}

// A patch record: its header, then its data.
void record(Bytes& patch, int address, const Bytes& data) {
  PatchRecordHeaderBytes header =
      encode_patch_record_header({static_cast<int>(data.size()), address});
  patch.insert(patch.end(), header.begin(), header.end());
  patch.insert(patch.end(), data.begin(), data.end());
}

Bytes make_patch() {
  Bytes patch;
  record(patch, 0x0000, {});  // a record that stores nothing
  record(patch, bitmap_row_ranges()[0].first, {0xC0, 0x03, 0xFF, 0x00});  // the first row
  const std::string tail = "PATCHED LIST2 !!";
  record(patch, 0xD000, Bytes(tail.begin(), tail.end()));  // raises the list2 length
  record(patch, 0xBA00, {0x4C, 0x59});                     // inside list2, below its end
  return patch;
}

bool write(const std::string& folder, const char* name, const Bytes& data) {
  std::string path = folder + "/" + name;
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  bool ok = std::fwrite(data.data(), 1, data.size(), file) == data.size();
  return std::fclose(file) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: flyseat-make-sample FOLDER\n");
    return 2;
  }
  std::string folder = argv[1];
  struct Output {
    const char* name;
    Bytes data;
  };
  const Output outputs[] = {{kLoaderName, make_loader()},
                            {kList1Name, make_list1()},
                            {kList2Name, make_list2()},
                            {kPatchName, make_patch()}};
  for (const Output& out : outputs) {
    if (!write(folder, out.name, out.data)) {
      std::printf("cannot write %s/%s\n", folder.c_str(), out.name);
      return 1;
    }
  }
  return 0;
}
