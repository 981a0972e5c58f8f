#!/bin/sh
# Runs a Windows program in the build tree's disposable Wine prefix (the CTest emulator).
#   wine-run.sh PREFIX BINDIR PROGRAM [ARGS...]
set -e
prefix=$1; bindir=$2; shift 2
here=$(cd "$(dirname "$0")" && pwd)
[ -f "$prefix/drive_c/spruce-disposable-prefix" ] || "$here/wine-prefix.sh" "$prefix" "$bindir"
. "$here/wine-env.sh"
use_prefix "$prefix"
# Absolute, so that Wine names the program by its drive S: path.
program=$(readlink -f "$1"); shift
cd "$bindir"  # a working folder Wine can name (drive S:)
exec $WINE "$program" "$@"
