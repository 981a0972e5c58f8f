#!/bin/sh
# Builds the 64-bit file walker benchmark and runs it in the build tree's disposable Wine
# prefix, which wine-run.sh makes where it is missing. Not part of the tests: it takes minutes.
#   bench.sh [BUILDDIR]    (default: build/x86_64)
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/x86_64}
mkdir -p "$build"
build=$(cd "$build" && pwd)
"$root/scripts/deps.sh"
. "$root/scripts/build-env.sh"
build_arch x86_64 "$build" walk_bench
exec "$root/scripts/wine-run.sh" "$build/wineprefix" "$build/bin" "$build/bin/walk_bench.exe"
