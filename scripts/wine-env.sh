# Sourced: the settings every Wine start of ours shares. WINEPREFIX is set by the caller.
export WINEDEBUG=-all
# No Mono or Gecko download prompts, no menu entries written into the Linux home.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
WINE=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver
