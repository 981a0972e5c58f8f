#!/bin/sh
# Signs a release as a publisher would, with a throwaway self-signed code-signing certificate
# made here: both programs in the zips must carry its SHA-256 signature, with the product name
# and home page, and SHA256SUMS must match the signed zips. The same run with a wrong password
# must stop without writing any zip.
#   package-sign-test.sh BUILDROOT    (the x86_64 and i686 builds already made; nothing is rebuilt)
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
buildroot=$(cd "$1" && pwd)
fail() { echo "package sign test: $*" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
printf 'throwaway password\n' > password
openssl req -x509 -newkey rsa:2048 -nodes -keyout key.pem -out cert.pem -days 2 \
  -subj "/CN=Spruce test publisher" -addext "keyUsage=critical,digitalSignature" \
  -addext "extendedKeyUsage=codeSigning" 2>/dev/null
openssl pkcs12 -export -inkey key.pem -in cert.pem -out publisher.p12 -passout file:password
url=$(sed -n 's/^#define SPRUCE_HOME_PAGE_URL "\(.*\)"$/\1/p' "$buildroot/x86_64/res/version.h")

export SPRUCE_SIGN_PKCS12="$work/publisher.p12" SPRUCE_SIGN_PASSWORD_FILE="$work/password"
"$root/scripts/package.sh" "$buildroot" "$work/signed" >/dev/null
cd signed
sha256sum -c --quiet SHA256SUMS || fail "SHA256SUMS does not match the signed zips"
[ "$(wc -l < SHA256SUMS)" -eq 2 ] || fail "SHA256SUMS does not list two zips"
for zip in $(awk '{print $2}' SHA256SUMS); do
  unzip -q "$zip" Spruce.exe -d "${zip%.zip}"
  # Only the throwaway certificate is trusted, so the chain is verified against it alone.
  osslsigncode verify -CAfile "$work/cert.pem" -TSA-CAfile "$work/cert.pem" \
      -in "${zip%.zip}/Spruce.exe" > verify.txt ||
    fail "$zip: Spruce.exe not signed by the test certificate: $(cat verify.txt)"
  for line in "Message digest algorithm  : SHA256" "Text description: Spruce" \
      "URL description: $url"; do
    grep -q -F "$line" verify.txt || fail "$zip: signature without '$line'"
  done
  echo "$zip: Spruce.exe signed, SHA-256, by the test certificate"
done

echo "wrong password" > "$work/password"
! "$root/scripts/package.sh" "$buildroot" "$work/refused" >/dev/null 2>"$work/refused.txt" ||
  fail "packed with a wrong password"
grep -q "cannot sign" "$work/refused.txt" || fail "no clear message: $(cat "$work/refused.txt")"
[ -z "$(ls "$work/refused")" ] || fail "a wrong password left: $(ls "$work/refused")"
echo "wrong password: stopped, nothing written"
