/* flyseat-floor: the least that a build of the current folder can cost as a process. It reads
   the five inputs whole, writes the four outputs with the names and sizes that a build of the
   folder gives them (the bytes last read, nothing converted) and prints the same four lines:
     flyseat-floor [--rename] DATA-TAPE-SIZE MAIN-TAPE-SIZE RAW-DISK-SIZE D88-SIZE
   With --rename, each output is written as NAME.part and renamed over NAME once closed, as a
   build writes its outputs whole. bench/startup.sh times flyseat-build against it. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static unsigned char buffer[256 * 1024];

static int fail(const char* what, const char* name) {
  printf("cannot %s %s\n", what, name);
  return 1;
}

int main(int argc, char** argv) {
  static const char* const inputs[] = {"loader.bin", "list1.bin", "list2.bin", "patch.bin",
                                       "list3.txt"};
  static const char* const outputs[] = {"flyseat2.p6", "flyseat3.p6", "flyseat.dsk", "flyseat.d88"};
  int rename_mode = argc > 1 && strcmp(argv[1], "--rename") == 0;
  char part[64];
  int i;
  argv += rename_mode;
  argc -= rename_mode;
  if (argc != 5) {
    fprintf(stderr,
            "usage: flyseat-floor [--rename] DATA-TAPE-SIZE MAIN-TAPE-SIZE RAW-DISK-SIZE "
            "D88-SIZE\n");
    return 2;
  }
  for (i = 0; i < 5; ++i) {
    FILE* file = fopen(inputs[i], "rb");
    if (file == NULL) return fail("open", inputs[i]);
    while (fread(buffer, 1, sizeof buffer, file) > 0) {
    }
    if (ferror(file)) return fail("read", inputs[i]);
    fclose(file);
  }
  for (i = 0; i < 4; ++i) {
    unsigned long size = strtoul(argv[i + 1], NULL, 10);
    const char* written = outputs[i];
    FILE* file;
    if (rename_mode) {
      snprintf(part, sizeof part, "%s.part", outputs[i]);
      written = part;
    }
    file = fopen(written, "wb");
    if (file == NULL) return fail("open", written);
    if (size > sizeof buffer || fwrite(buffer, 1, size, file) != size || fclose(file) != 0)
      return fail("write", written);
    if (rename_mode && rename(part, outputs[i]) != 0) return fail("rename", part);
    printf("output to %s\n", outputs[i]);
  }
  return fflush(stdout) == 0 ? 0 : 1;
}
