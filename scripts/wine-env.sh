# Sourced: the settings every Wine start of ours shares. Call use_prefix PREFIX before starting.
export WINEDEBUG=-all
# No Mono or Gecko download prompts, no menu entries written into the Linux home.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
WINE=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver

# Wine keeps its Recycle Bin in the Linux user's trash and links user folders into the home:
# give it a home of its own inside the prefix, so emptying the bin never reaches the real one.
use_prefix() {
  export WINEPREFIX="$1"
  export HOME="$1/linux-home"
  export XDG_DATA_HOME="$HOME/.local/share"
  export XDG_CONFIG_HOME="$HOME/.config"
  export XDG_CACHE_HOME="$HOME/.cache"
}

# set_window_manager Y|N: whether a window manager of the X display frames Wine's windows.
set_window_manager() {
  for value in Decorated Managed; do
    $WINE reg add "HKCU\\Software\\Wine\\X11 Driver" /v $value /t REG_SZ /d "$1" /f >/dev/null 2>&1
  done
}
