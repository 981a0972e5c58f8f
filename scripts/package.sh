#!/bin/sh
# Builds Spruce for 64-bit and 32-bit Windows in Release and writes what a user downloads into
# dist/: Spruce-<version>-win64.zip and Spruce-<version>-win32.zip, each holding Spruce.exe and
# 使用说明.txt, and SHA256SUMS for the two. The zips depend only on the commit: every file in
# them carries the commit's time, and the programs carry no build paths or link times.
#   package.sh [BUILDROOT [DIST]]   (default: build and dist; the programs are built in
#                                    BUILDROOT/x86_64 and BUILDROOT/i686, the very builds that
#                                    the test command tests)
# A publisher signs both programs (Authenticode, SHA-256) with a certificate kept outside the
# repository:
#   SPRUCE_SIGN_PKCS12          the PKCS#12 file holding the certificate and its key
#   SPRUCE_SIGN_PASSWORD_FILE   the file holding its password, kept out of process lists and logs
#   SPRUCE_SIGN_TIMESTAMP_URL   an RFC 3161 time-stamp server, so that the signatures outlive
#                               the certificate (optional)
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
buildroot=${1:-$root/build}
dist=${2:-$root/dist}
fail() { echo "package: $*" >&2; exit 1; }
if [ -n "$SPRUCE_SIGN_PKCS12" ]; then
  [ -f "$SPRUCE_SIGN_PKCS12" ] ||
    fail "no certificate file $SPRUCE_SIGN_PKCS12 (SPRUCE_SIGN_PKCS12)"
  [ -n "$SPRUCE_SIGN_PASSWORD_FILE" ] || fail "SPRUCE_SIGN_PASSWORD_FILE names no password file"
  [ -f "$SPRUCE_SIGN_PASSWORD_FILE" ] ||
    fail "no password file $SPRUCE_SIGN_PASSWORD_FILE (SPRUCE_SIGN_PASSWORD_FILE)"
  if [ -n "$SPRUCE_SIGN_TIMESTAMP_URL" ]; then
    echo "package: signing with time stamps from $SPRUCE_SIGN_TIMESTAMP_URL"
  else
    echo "package: SPRUCE_SIGN_TIMESTAMP_URL is not set: signing without a time stamp, so the" \
      "signatures stop being valid when the certificate expires"
  fi
elif [ -n "$SPRUCE_SIGN_PASSWORD_FILE$SPRUCE_SIGN_TIMESTAMP_URL" ]; then
  echo "package: SPRUCE_SIGN_PKCS12 is not set: the programs are not signed" >&2
fi
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

# A value that the build of one architecture was configured with.
build_value() {
  sed -n "s/^#define $2 \"\\(.*\\)\"\$/\\1/p" "$buildroot/$1/res/version.h"
}
zip_name() {
  case $1 in x86_64) echo "Spruce-$(build_value $1 SPRUCE_VERSION_TEXT)-win64.zip" ;;
             i686) echo "Spruce-$(build_value $1 SPRUCE_VERSION_TEXT)-win32.zip" ;; esac
}

# Both programs are staged, and signed, before any zip is written: a run that cannot sign
# leaves no zip of this version behind.
mkdir -p "$dist"
rm -f "$dist/SHA256SUMS"
for arch in x86_64 i686; do
  build_arch $arch "$buildroot/$arch" Spruce
  rm -f "$dist/$(zip_name $arch)"
  program="$stage/$arch/Spruce.exe"
  mkdir -p "$stage/$arch"
  if [ -z "$SPRUCE_SIGN_PKCS12" ]; then
    cp "$buildroot/$arch/bin/Spruce.exe" "$program"
  else
    osslsigncode sign -pkcs12 "$SPRUCE_SIGN_PKCS12" -readpass "$SPRUCE_SIGN_PASSWORD_FILE" \
        -h sha256 -n Spruce -i "$(build_value $arch SPRUCE_HOME_PAGE_URL)" \
        ${SPRUCE_SIGN_TIMESTAMP_URL:+-ts "$SPRUCE_SIGN_TIMESTAMP_URL"} \
        -in "$buildroot/$arch/bin/Spruce.exe" -out "$program" >/dev/null ||
      fail "cannot sign the $arch Spruce.exe (see above): check the certificate" \
        "$SPRUCE_SIGN_PKCS12, the password in" \
        "$SPRUCE_SIGN_PASSWORD_FILE${SPRUCE_SIGN_TIMESTAMP_URL:+ and the time-stamp server};" \
        "no zip written"
  fi
done

zips=""
for arch in x86_64 i686; do
  zip=$(zip_name $arch)
  "$root/scripts/release-zip.py" "$dist/$zip" "$epoch" "$stage/$arch/Spruce.exe" "$guide"
  zips="$zips $zip"
done
cd "$dist"
sha256sum $zips > SHA256SUMS
echo "$dist:"
cat SHA256SUMS
