#!/bin/sh
# Installs what is missing, builds Spruce and starts it in the project's own disposable Wine
# prefix (never the user's own, whose folders are linked to the real home). With an X display
# the window opens there; without one Spruce runs on a virtual display until its survey has
# filled every row, and a PNG picture of its window is saved under the build tree.
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
XVFB_PID=
"$root/scripts/deps.sh"
. "$root/scripts/wine-env.sh"
. "$root/scripts/xvfb.sh"
. "$root/scripts/build-env.sh"
build="$root/build/x86_64"
build_arch x86_64 "$build" Spruce spruce_snapshot >/dev/null
prefix="$build/run-prefix"
[ -f "$prefix/drive_c/spruce-disposable-prefix" ] || "$root/scripts/wine-prefix.sh" "$prefix" "$build/bin"
use_prefix "$prefix"
cd "$build/bin"  # a working folder Wine can name (drive S:)
if [ -n "$DISPLAY" ]; then
  set_window_manager Y
  exec $WINE "$build/bin/Spruce.exe"
fi
set_window_manager N
trap '$WINESERVER -k 2>/dev/null || true; kill $XVFB_PID 2>/dev/null || true' EXIT
start_xvfb
$WINE "$build/bin/spruce_snapshot.exe" 'S:\Spruce.exe' 'C:\spruce-window.png'
mkdir -p "$build/screenshot"
mv "$prefix/drive_c/spruce-window.png" "$build/screenshot/spruce-window.png"
echo "$build/screenshot/spruce-window.png"
