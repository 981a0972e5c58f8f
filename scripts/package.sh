#!/bin/sh
# Builds Spruce for 64-bit and 32-bit Windows in Release and writes what a user downloads into
# dist/: Spruce-<version>-win64.zip and Spruce-<version>-win32.zip, each holding Spruce.exe and
# 使用说明.txt, and SHA256SUMS for the two. The zips depend only on the commit: every file in
# them carries the commit's time, and the programs carry no build paths or link times.
#   package.sh [BUILDROOT]    (default: build; the programs are built in BUILDROOT/x86_64 and
#                              BUILDROOT/i686, the very builds that the test command tests)
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
buildroot=${1:-$root/build}
mkdir -p "$buildroot"
buildroot=$(cd "$buildroot" && pwd)
"$root/scripts/deps.sh"
. "$root/scripts/build-env.sh"
epoch=${SOURCE_DATE_EPOCH:-$(git -C "$root" log -1 --format=%ct)}

# The guide is kept as plain UTF-8 text; it ships as Notepad reads it on every Windows: with a
# byte order mark and CR LF line ends.
stage="$buildroot/package"
rm -rf "$stage"
mkdir -p "$stage"
guide="$stage/使用说明.txt"
{ printf '\357\273\277'; sed 's/\r*$/\r/' "$root/docs/使用说明.txt"; } > "$guide"

dist="$root/dist"
mkdir -p "$dist"
zips=""
for arch in x86_64 i686; do
  build_arch $arch "$buildroot/$arch" Spruce
  version=$(sed -n 's/^#define SPRUCE_VERSION_TEXT "\(.*\)"$/\1/p' "$buildroot/$arch/res/version.h")
  case $arch in x86_64) zip="Spruce-$version-win64.zip" ;; i686) zip="Spruce-$version-win32.zip" ;; esac
  rm -f "$dist/$zip"
  "$root/scripts/release-zip.py" "$dist/$zip" "$epoch" "$buildroot/$arch/bin/Spruce.exe" "$guide"
  zips="$zips $zip"
done
cd "$dist"
sha256sum $zips > SHA256SUMS
echo "$dist:"
cat SHA256SUMS
