#!/bin/sh
# Installs what is missing, builds both architectures and runs every test under Wine
# in a fresh disposable prefix inside the build tree; then packs the release from these builds
# and checks it, running the packed 64-bit program in a fresh prefix of its own, and signs it
# with a throwaway certificate.
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
XVFB_PID=
"$root/scripts/deps.sh"
. "$root/scripts/wine-env.sh"
. "$root/scripts/xvfb.sh"
. "$root/scripts/build-env.sh"
for arch in x86_64 i686; do
  build_arch "$arch" "$root/build/$arch"
done
build="$root/build/x86_64"
"$root/scripts/wine-prefix.sh" "$build/wineprefix" "$build/bin"
use_prefix "$build/wineprefix"
# The window tests run on a virtual display of their own.
trap '$WINESERVER -k 2>/dev/null || true; kill $XVFB_PID 2>/dev/null || true' EXIT
start_xvfb
# One wineserver for the whole run, its system processes started here: started inside a
# test they would hold CTest's output pipe open and the test would never end.
$WINESERVER -p
$WINE wineboot >/dev/null 2>&1
ctest --test-dir "$build" --output-on-failure
"$root/scripts/package.sh" "$root/build"
"$root/scripts/package-test.sh" "$build"
"$root/scripts/package-sign-test.sh" "$root/build"
