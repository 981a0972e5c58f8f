#!/bin/sh
# Fills a disposable Wine prefix with the sample of what Spruce cleans (temporary files, caches,
# dumps, Recycle Bin items, a hibernation file: devtools/sample_data.cpp lists them). Run it
# again after a clean to put the sample back.
#   sample.sh [PREFIX]    (default: build/x86_64/run-prefix, made when missing)
# A prefix named here must be one our scripts made: it carries their disposable marker.
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build/x86_64"
prefix=$(readlink -f "${1:-$build/run-prefix}")  # Wine wants it absolute
. "$root/scripts/wine-env.sh"
. "$root/scripts/build-env.sh"
build_arch x86_64 "$build" spruce_sample >/dev/null
if [ ! -f "$prefix/drive_c/spruce-disposable-prefix" ]; then
  if [ -n "$1" ]; then
    echo "$prefix is not a disposable prefix made by scripts/wine-prefix.sh" >&2
    exit 1
  fi
  "$root/scripts/wine-prefix.sh" "$prefix" "$build/bin"
fi
use_prefix "$prefix"
cd "$build/bin"  # a working folder Wine can name (drive S:)
$WINE "$build/bin/spruce_sample.exe"
