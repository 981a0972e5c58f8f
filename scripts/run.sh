#!/bin/sh
# Installs what is missing, builds Spruce and starts it in the project's own disposable Wine
# prefix (never the user's own, whose folders are linked to the real home). The prefix holds
# sample data (scripts/sample.sh), so the list shows what Spruce cleans. With an X display the
# window opens there on a new prefix's sample; without one Spruce runs on a virtual display on
# a fresh sample, and PNG pictures of its window are saved under the build tree: after the
# survey has filled every row, and after a clean run of the rows checked at start; and one of
# the chat-files tool on the sample.
#   run.sh [DPI]   the screen's dots per inch: 96 (100 %, the default), 120, 144 (150 %), 192
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
dpi=${1:-96}
XVFB_PID=
"$root/scripts/deps.sh"
. "$root/scripts/wine-env.sh"
. "$root/scripts/xvfb.sh"
. "$root/scripts/build-env.sh"
build="$root/build/x86_64"
build_arch x86_64 "$build" Spruce spruce_snapshot spruce_desktop >/dev/null
prefix="$build/run-prefix"
made=
if [ ! -f "$prefix/drive_c/spruce-disposable-prefix" ]; then
  "$root/scripts/wine-prefix.sh" "$prefix" "$build/bin"
  made=1
fi
# Without a display the run below cleans the sample away, so each such run puts it back first.
if [ -n "$made" ] || [ -z "$DISPLAY" ]; then "$root/scripts/sample.sh" "$prefix"; fi
use_prefix "$prefix"
$WINE reg add "HKCU\\Control Panel\\Desktop" /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
cd "$build/bin"  # a working folder Wine can name (drive S:)
if [ -n "$DISPLAY" ]; then
  set_window_manager Y
  exec $WINE "$build/bin/spruce_desktop.exe" 'S:\Spruce.exe'
fi
set_window_manager N
trap '$WINESERVER -k 2>/dev/null || true; kill $XVFB_PID 2>/dev/null || true' EXIT
start_xvfb
$WINE "$build/bin/spruce_desktop.exe" 'S:\spruce_snapshot.exe' 'S:\Spruce.exe' --chat-files 'C:\spruce-chat-files.png'
$WINE "$build/bin/spruce_desktop.exe" 'S:\spruce_snapshot.exe' 'S:\Spruce.exe' 'C:\spruce-survey.png' 'C:\spruce-cleaned.png'
mkdir -p "$build/screenshot"
for picture in spruce-chat-files.png spruce-survey.png spruce-cleaned.png; do
  mv "$prefix/drive_c/$picture" "$build/screenshot/$picture"
  echo "$build/screenshot/$picture"
done
