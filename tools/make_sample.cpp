// flyseat-make-sample: writes the binary inputs of the bundled sample game (loader.bin,
// list1.bin, list2.bin, patch.bin) into the folder given. The folder is required: run in a
// game's folder by mistake, the tool would overwrite the game's inputs. The data is made up:
// test graphics in four grey levels where the bitmap rows lie, video addresses where the
// machine code keeps them, and a few patch records. The listing, list3.txt, is written by hand.
#include <array>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr int kList1Start = 0x2C00;
constexpr int kList1Size = 0x2400;  // bitmap rows, the entry table and some code after them
constexpr int kList2Start = 0xB9D0;
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

struct Range {
  int first, last, width;
};
constexpr std::array<Range, 6> kRanges = {{{0x2C00, 0x31FF, 4},
                                           {0x3204, 0x44BD, 6},
                                           {0x44C0, 0x467F, 4},
                                           {0x4680, 0x47FF, 2},
                                           {0x4800, 0x48BF, 4},
                                           {0x48C0, 0x4BFF, 2}}};

void put(Bytes& image, int base, int address, std::initializer_list<int> values) {
  for (int v : values)
    image[static_cast<std::size_t>(address++ - base)] = static_cast<std::uint8_t>(v);
}

Bytes make_list1() {
  Filler filler;
  Bytes image(kList1Size);
  for (auto& b : image)
    b = filler.next();
  for (int r = 0; r < static_cast<int>(kRanges.size()); ++r) {
    const Range& range = kRanges[static_cast<std::size_t>(r)];
    for (int a = range.first; a <= range.last; ++a) {
      int row = (a - range.first) / range.width;
      int x0 = ((a - range.first) % range.width) * 4;
      int byte = 0;
      for (int p = 0; p < 4; ++p)
        byte = (byte << 2) | grey(r, x0 + p, row);
      image[static_cast<std::size_t>(a - kList1Start)] = static_cast<std::uint8_t>(byte);
    }
  }
  put(image, kList1Start, 0x3200, {0x5A, 0xA5, 0x3C, 0xC3});  // the gaps between ranges
  put(image, kList1Start, 0x44BE, {0x99, 0x66});
  for (int i = 0; i < 50; ++i) {  // the entry table: odd first bytes, so the edit shows
    put(image, kList1Start, 0x4D30 + 3 * i, {0x11 + 4 * i, i, 0x20 + i});
  }
  return image;
}

Bytes make_list2() {
  Bytes image(kList2Size);
  const std::string signature = "FLYSEAT SAMPLE GAME - MADE-UP CODE AND DATA ";
  for (int a = kList2Start; a < 0xBB4B; ++a) {
    image[static_cast<std::size_t>(a - kList2Start)] = static_cast<std::uint8_t>(
        signature[static_cast<std::size_t>(a - kList2Start) % signature.size()]);
  }
  // From the first relocated word on, every byte lies in 0xC0..0xFF, so every word there
  // reads as an address in video memory, whichever of them the conversion rewrites.
  for (int a = 0xBB4B; a < kList2Start + kList2Size; ++a) {
    image[static_cast<std::size_t>(a - kList2Start)] = static_cast<std::uint8_t>(0xC0 | (a & 0x3F));
  }
  put(image, kList2Start, 0xBB6C, {0xFF, 0xFF});  // the last halved address: the top of video
  put(image, kList2Start, 0xBC74, {0x50, 0xC0});  // a halved address, 0xC050
  put(image, kList2Start, 0xBC41, {0x00, 0xF0});  // a raised word that wraps, 0xF000
  put(image, kList2Start, 0xC1C5, {0xD2});        // the split address 0xD240, high byte
  put(image, kList2Start, 0xC1CA, {0x40});        // and low byte
  put(image, kList2Start, 0xC1D7, {0x06, 0xC0});  // the rounded word, 0xC006
  put(image, kList2Start, 0xBC9D, {0xE4});        // a high-nibble pattern byte
  put(image, kList2Start, 0xBC72, {0xE4});        // a low-nibble pattern byte
  put(image, kList2Start, 0xBC94, {0xC0, 0x03});  // a pair to merge
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

void record(Bytes& patch, int address, const Bytes& data) {
  int count = static_cast<int>(data.size());
  for (int v : {count & 0xFF, count >> 8, address & 0xFF, address >> 8}) {
    patch.push_back(static_cast<std::uint8_t>(v));
  }
  patch.insert(patch.end(), data.begin(), data.end());
}

Bytes make_patch() {
  Bytes patch;
  record(patch, 0x0000, {});                        // a record that stores nothing
  record(patch, 0x2C00, {0xC0, 0x03, 0xFF, 0x00});  // the first bitmap row
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
  const Output outputs[] = {{"loader.bin", make_loader()},
                            {"list1.bin", make_list1()},
                            {"list2.bin", make_list2()},
                            {"patch.bin", make_patch()}};
  for (const Output& out : outputs) {
    if (!write(folder, out.name, out.data)) {
      std::printf("cannot write %s/%s\n", folder.c_str(), out.name);
      return 1;
    }
  }
  return 0;
}
