#!/bin/sh
# Installs the Debian packages the build and the tests need, where missing.
set -e
need=""
for pkg in cmake make g++-mingw-w64-x86-64 g++-mingw-w64-i686 wine wine64 xvfb googletest \
    fonts-wqy-microhei python3 unzip osslsigncode openssl; do
  dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "ok installed" || need="$need $pkg"
done
[ -z "$need" ] && exit 0
echo "Installing:$need"
sudo=""; [ "$(id -u)" -ne 0 ] && sudo=sudo
$sudo apt-get update -q
# With their recommended packages, as the tests were run with them.
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q $need
