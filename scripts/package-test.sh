#!/bin/sh
# Checks what scripts/package.sh wrote into dist/, as a user receives it: the checksums, each
# zip's files, each program's architecture (its manifest's too), imports, symbol table and
# build paths, and the guide's encoding and rows. Then it unpacks the 64-bit zip into a fresh
# disposable prefix, as C:\Spruce, and runs that Spruce.exe until its survey has finished
# (on the X display of the caller). The 32-bit program cannot run on these machines.
#   package-test.sh BUILDDIR    (the x86_64 build, whose spruce_smoke_check.exe drives the run)
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "$1" && pwd)
. "$root/scripts/wine-env.sh"
fail() { echo "package test: $*" >&2; exit 1; }
cr=$(printf '\r')
# The row labels, as the program lists them.
labels=$(sed -n 's|^ */\* *[0-9]* \*/ {L"\([^"]*\)".*|\1|p' "$root/engine/rows/categories.cpp")
[ "$(echo "$labels" | wc -l)" -eq 18 ] || fail "cannot read the 18 row labels"

cd "$root/dist"
sha256sum -c --quiet SHA256SUMS || fail "SHA256SUMS does not match the zips"
unpacked="$build/package-test"
rm -rf "$unpacked"
win64=""
for zip in $(awk '{print $2}' SHA256SUMS); do
  case $zip in
    *-win64.zip) triple=x86_64-w64-mingw32 format=pei-x86-64 arch=amd64 other=x86 win64=$zip ;;
    *-win32.zip) triple=i686-w64-mingw32 format=pei-i386 arch=x86 other=amd64 ;;
    *) fail "unexpected $zip in SHA256SUMS" ;;
  esac
  [ "$(unzip -Z1 "$zip")" = "$(printf 'Spruce.exe\n使用说明.txt')" ] || fail "$zip holds: $(unzip -Z1 "$zip")"
  # The guide's name as Explorer on Chinese Windows 7 reads it: in code page 936.
  grep -q -a -F "$(printf '使用说明.txt' | iconv -t CP936)" "$zip" || fail "$zip: guide's name not in code page 936"
  dir="$unpacked/${zip%.zip}"
  mkdir -p "$dir"
  unzip -q "$zip" -d "$dir"
  program="$dir/Spruce.exe"
  $triple-objdump -f "$program" | grep -q "file format $format\$" || fail "$zip: not $format"
  grep -q -a "processorArchitecture=\"$arch\"" "$program" || fail "$zip: manifest not for $arch"
  ! grep -q -a "processorArchitecture=\"$other\"" "$program" || fail "$zip: manifest names $other"
  ! $triple-objdump -p "$program" | grep 'DLL Name' | grep -i -E 'lib(gcc|stdc|winpthread)' ||
    fail "$zip: needs a MinGW DLL"
  $triple-objdump -t "$program" | grep -q '^no symbols$' || fail "$zip: has a symbol table"
  ! grep -q -a -F -e "$root" -e "$build" "$program" || fail "$zip: holds a build path"

  guide="$dir/使用说明.txt"
  [ "$(head -c 3 "$guide" | od -An -tx1 | tr -d ' ')" = efbbbf ] || fail "$zip: guide without BOM"
  ! grep -q -v "$cr\$" "$guide" || fail "$zip: guide has lines without CR LF"
  echo "$labels" | while read -r label; do
    grep -q -F "$label" "$guide" || fail "$zip: guide does not name row $label"
  done
  echo "$zip: $(wc -c < "$program") bytes Spruce.exe for $arch, guide and programs checked"
done
[ -n "$win64" ] || fail "no win64 zip"

# The 64-bit program as a user starts it, from where they unpacked it.
prefix="$build/package-prefix"
"$root/scripts/wine-prefix.sh" "$prefix" "$build/bin"
use_prefix "$prefix"
trap '$WINESERVER -k 2>/dev/null || true' EXIT
unzip -q "$win64" -d "$prefix/drive_c/Spruce"
cd "$prefix/drive_c/Spruce"
$WINE "$build/bin/spruce_smoke_check.exe" 'C:\Spruce\Spruce.exe'
