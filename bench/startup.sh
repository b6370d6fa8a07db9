#!/usr/bin/env bash
# Times flyseat-build as a whole process, each comparison side by side in one hyperfine run:
#   (a) the build of the sample against the floor (bench/floor.c) in the same folder, the floor
#       writing each output beside its name and renaming it, as the build does; then the same
#       two in turn, their ratio taken pair by pair (bench/paired.c), and the page faults of each;
#   (b) the build of a full-size input set against zmakebas tokenizing the same listing into
#       one tape file;
# and prints the build's peak resident set size on each.
# Usage: bench/startup.sh [BUILD-FOLDER] (default: build); RUNS=N sets the runs of each command
# (default 1000). Needs hyperfine, zmakebas and GNU time (Debian: time), and the floor and the
# pair timer built (with the benchmark, FLYSEAT_BENCH).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
tool=$build/flyseat-build
floor=$build/bench/flyseat-floor
paired=$build/bench/flyseat-paired
runs=${RUNS:-1000}
for program in "$tool" "$floor" "$paired"; do
  [ -x "$program" ] || { echo "startup.sh: $program is not built" >&2; exit 1; }
done
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# The peak resident set size of a run of the build in the current folder, in KiB (GNU time).
peak_rss() {
  /usr/bin/time -f %M "$tool" 2>&1 >/dev/null
}

# The minor page faults of a run of a command (GNU time).
faults() {
  /usr/bin/time -f %R "$@" 2>&1 >/dev/null
}

# The median of the first command over that of the second, from hyperfine's CSV export
# (command,mean,stddev,median,...; times in seconds).
ratio() {
  awk -F, 'NR == 2 { a = $4 } NR == 3 { b = $4 }
    END { printf "median %.3f ms / %.3f ms = %.3f\n", a * 1e3, b * 1e3, a / b }' "$1"
}

# Ordinary BASIC lines, numbered from 10 in steps of 10, up to about 31 KB.
make_listing() {
  awk 'BEGIN {
    line[0] = "REM ordinary lines of a program"
    line[1] = "FOR I=1 TO 10:PRINT I:NEXT I"
    line[2] = "LET A=A+1:IF A>5 THEN PRINT \"BIG\""
    line[3] = "DATA 10,20,30,40,50,60,70,80"
    line[4] = "PRINT \"SCORE \";S;\" LIVES \";L"
    line[5] = "READ X:LET S=S+X*2:GOSUB 10"
    line[6] = "IF S>100 THEN GOTO 10"
    for (n = 10; size < 31500; n += 10) {
      text = n " " line[(n / 10) % 7]
      print text
      size += length(text) + 1
    }
  }'
}

echo "== (a) the sample: flyseat-build against the floor that renames its outputs into place"
cp "$root"/examples/sample/* "$scratch"/
cd "$scratch"
"$tool" >/dev/null
sizes=$(stat -c %s flyseat2.p6 flyseat3.p6 flyseat.dsk flyseat.d88 | paste -sd ' ')
hyperfine -N --warmup 50 --runs "$runs" --export-csv "$scratch/a.csv" \
  "$tool" "$floor --rename $sizes"
ratio "$scratch/a.csv"
"$paired" "$runs" "$tool" -- "$floor" --rename $sizes
echo "page faults: $(faults "$tool"), the floor's $(faults "$floor" --rename $sizes)"
echo "peak RSS: $(peak_rss) KiB"

echo "== (b) a full-size input set: flyseat-build against zmakebas on the same listing"
rm -f "$scratch"/*
head -c 54272 <(seq 100000) >list1.bin      # the most of list1.bin that is read
head -c 17968 <(seq 7 7 700000) >list2.bin  # the most of list2.bin that is read
head -c 4096 <(seq 3 3 30000) >loader.bin   # a whole loader track
printf '\004\000\000\054\125\252\125\252' >patch.bin  # one record of 4 bytes at 0x2C00
make_listing >list3.txt
"$tool" >/dev/null
echo "listing: $(stat -c %s list3.txt) bytes; main tape image: $(stat -c %s flyseat3.p6) bytes"
hyperfine -N --warmup 50 --runs "$runs" --export-csv "$scratch/b.csv" \
  "$tool" "zmakebas -o peer.tap list3.txt"
ratio "$scratch/b.csv"
echo "peak RSS: $(peak_rss) KiB"
