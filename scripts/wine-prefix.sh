#!/bin/sh
# Creates a disposable Wine prefix that can reach nothing outside itself but one folder of programs.
#   wine-prefix.sh PREFIX BINDIR
# A new prefix links the user folders to the Linux home and drive Z: to /; both are cut here.
# BINDIR becomes drive S: so the programs built there can be started; D: is a second drive
# inside the prefix.
set -e
prefix=$1; bindir=$2
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine-env.sh"
use_prefix "$prefix"
$WINESERVER -k 2>/dev/null || true
rm -rf "$prefix"
mkdir -p "$HOME"
$WINE wineboot -i >/dev/null 2>&1
# Chinese texts: the interface fonts borrow the glyphs they lack from WenQuanYi Micro Hei.
for font in "Tahoma" "MS Shell Dlg" "Microsoft Sans Serif"; do
  $WINE reg add "HKLM\\Software\\Microsoft\\Windows NT\\CurrentVersion\\FontLink\\SystemLink" \
    /v "$font" /t REG_MULTI_SZ /d "wqy-microhei.ttc,WenQuanYi Micro Hei" /f >/dev/null 2>&1
done
# The tests put stand-ins for system commands into system32: Wine would run its own dism
# instead of the file lying there unless told to take that file first (its own, where none lies
# there).
$WINE reg add "HKCU\\Software\\Wine\\DllOverrides" /v dism.exe /t REG_SZ /d native,builtin /f >/dev/null 2>&1
# Virtual displays have no window manager: Wine draws captions and frames itself, as Windows
# would, and does not wait for a manager to answer when a window closes (seconds otherwise).
set_window_manager N
$WINESERVER -w
for dir in "$prefix"/drive_c/users/*/*; do
  if [ -L "$dir" ]; then rm "$dir"; mkdir "$dir"; fi
done
for link in "$prefix"/dosdevices/*; do
  case "$link" in */c:|*/com*|*/lpt*) ;; *) rm -f "$link" ;; esac
done
ln -s "$bindir" "$prefix/dosdevices/s:"
mkdir -p "$prefix/drive_d"
ln -s ../drive_d "$prefix/dosdevices/d:"
# Destructive tests run only where this marker stands.
echo "disposable test prefix" > "$prefix/drive_c/spruce-disposable-prefix"
