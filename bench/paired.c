/* flyseat-paired: times two commands as whole processes in turn, A B B A A B ..., and prints the
   median time of each and the median of their ratio taken pair by pair, which holds when the
   machine's speed drifts during the runs, as one on a shared machine does:
     flyseat-paired RUNS COMMAND-A [ARG...] -- COMMAND-B [ARG...]
   Each command is started directly (no shell; give a full path), its standard output thrown
   away; 20 runs of each come first, uncounted. bench/startup.sh times flyseat-build against the
   floor with it. */
#include <fcntl.h>
#include <spawn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>
#include <time.h>

extern char** environ;

static double seconds(void) {
  struct timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return (double)now.tv_sec + (double)now.tv_nsec * 1e-9;
}

/* The wall time of one run, from its start to its end. */
static double timed(char** command, const posix_spawn_file_actions_t* quiet) {
  pid_t pid;
  int status;
  double start = seconds();
  if (posix_spawn(&pid, command[0], quiet, NULL, command, environ) != 0) {
    fprintf(stderr, "flyseat-paired: cannot start %s\n", command[0]);
    exit(2);
  }
  waitpid(pid, &status, 0);
  return seconds() - start;
}

static int by_value(const void* a, const void* b) {
  double x = *(const double*)a, y = *(const double*)b;
  return (x > y) - (x < y);
}

static double median(double* values, int n) {
  qsort(values, (size_t)n, sizeof *values, by_value);
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

int main(int argc, char** argv) {
  int runs = argc > 1 ? atoi(argv[1]) : 0, split = 2, i;
  posix_spawn_file_actions_t quiet;
  double *a, *b, *ratio;
  while (split < argc && strcmp(argv[split], "--") != 0) ++split;
  if (runs < 1 || split == 2 || split + 1 >= argc) {
    fprintf(stderr, "usage: flyseat-paired RUNS COMMAND-A [ARG...] -- COMMAND-B [ARG...]\n");
    return 2;
  }
  argv[split] = NULL;
  posix_spawn_file_actions_init(&quiet);
  posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
  a = malloc((size_t)runs * sizeof *a);
  b = malloc((size_t)runs * sizeof *b);
  ratio = malloc((size_t)runs * sizeof *ratio);
  if (a == NULL || b == NULL || ratio == NULL) return 2;
  for (i = 0; i < 20; ++i) {
    timed(argv + 2, &quiet);
    timed(argv + split + 1, &quiet);
  }
  /* Each goes first in every other pair, so that neither always meets a cache the other warmed. */
  for (i = 0; i < runs; ++i) {
    if (i % 2 == 0) {
      a[i] = timed(argv + 2, &quiet);
      b[i] = timed(argv + split + 1, &quiet);
    } else {
      b[i] = timed(argv + split + 1, &quiet);
      a[i] = timed(argv + 2, &quiet);
    }
    ratio[i] = a[i] / b[i];
  }
  printf("paired, %d pairs: median %.3f ms / %.3f ms, median ratio %.3f\n", runs,
         median(a, runs) * 1e3, median(b, runs) * 1e3, median(ratio, runs));
  return 0;
}
