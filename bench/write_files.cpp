// flyseat-write-files: the baseline for timing flyseat-build as a whole process. It does
// nothing but write files of given sizes: flyseat-write-files NAME SIZE [NAME SIZE]...
#include <cstdio>
#include <cstdlib>
#include <vector>

int main(int argc, char** argv) {
  for (int i = 1; i + 1 < argc; i += 2) {
    std::vector<unsigned char> bytes(std::strtoul(argv[i + 1], nullptr, 10), 0xE5);
    std::FILE* file = std::fopen(argv[i], "wb");
    if (file == nullptr) return 1;
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    if (std::fclose(file) != 0) return 1;
    std::printf("output to %s\n", argv[i]);
  }
  return 0;
}
