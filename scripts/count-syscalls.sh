#!/bin/sh
# Counts what deleting a file costs in system calls, the program's and the wineserver's
# together: WalkFolder (as on Windows, and in the careful way it takes under Wine) and
# std::filesystem::remove_all each delete a tree of 5,000 files in 100 folders, and a run that
# builds the same tree and only measures it with WalkFolder is taken off each. strace follows the wineserver and every Wine process; only the calls between the
# program's lookups of two marker names, just before and after the job, are counted. Counts are
# steady where times are not.
#   count-syscalls.sh [BUILDDIR]    (default: build/x86_64)
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/x86_64}
mkdir -p "$build"
build=$(cd "$build" && pwd)
. "$root/scripts/build-env.sh"
build_arch x86_64 "$build" walk_bench >/dev/null
prefix="$build/wineprefix"
[ -f "$prefix/drive_c/spruce-disposable-prefix" ] || "$root/scripts/wine-prefix.sh" "$prefix" "$build/bin"
. "$root/scripts/wine-env.sh"
use_prefix "$prefix"
traces=$(mktemp -d)
trap 'rm -rf "$traces"' EXIT
calls() {
  $WINESERVER -k 2>/dev/null || true
  $WINESERVER -w 2>/dev/null || true
  # The wineserver runs in the foreground under the same strace.
  (cd "$build/bin" && strace -f -s 256 -o "$traces/$1" sh -c "$WINESERVER -f -p & sleep 1
    $WINE '$build/bin/walk_bench.exe' trace $1 >&2; $WINESERVER -k")
  # Calls interrupted by another process's show twice, as unfinished and as resumed.
  awk '/trace-end\.marker/ { counting = 0 }
       counting && !/resumed>/ && !/^[0-9]+ +(\+\+\+|---)/ { calls++ }
       /trace-begin\.marker/ && !counting { counting = 1 }
       END { print calls + 0 }' "$traces/$1"
  rm -f "$traces/$1"
}
measure=$(calls walk-measure)
walk=$(calls walk-delete)
careful=$(calls walk-delete-careful)
filesystem=$(calls remove-all)
awk -v m="$measure" -v w="$walk" -v c="$careful" -v f="$filesystem" 'BEGIN {
  printf "system calls during the job: measuring walk %d, WalkFolder delete %d (careful way %d), remove_all %d\n", m, w, c, f
  printf "per deleted file, less the measuring walk: WalkFolder %.2f (careful way %.2f), remove_all %.2f\n",
         (w - m) / 5000, (c - m) / 5000, (f - m) / 5000
  printf "WalkFolder over remove_all: %.2f (careful way %.2f)\n", (w - m) / (f - m), (c - m) / (f - m)
}'
