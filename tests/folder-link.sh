#!/bin/sh
# Started by the tests from inside Wine, which shows a Linux symbolic link to a folder as a
# folder link (a reparse point), and one to a file as a plain file.
#   folder-link.sh make TARGET LINK | folder-link.sh remove LINK | folder-link.sh prune FOLDER
# prune removes the links directly in FOLDER whose target is gone, which Wine does not list.
case "$1" in
  make) exec ln -s "$2" "$3" ;;
  remove) [ -L "$2" ] && exec rm "$2" ;;
  prune) exec find "$2" -mindepth 1 -maxdepth 1 -xtype l -delete ;;
esac
exit 2
