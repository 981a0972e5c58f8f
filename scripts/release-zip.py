#!/usr/bin/env python3
"""release-zip.py ARCHIVE EPOCH FILE...: writes a zip of the files, under their own names, in
the order given, that depends on nothing but their contents and EPOCH (seconds since 1970,
UTC): every entry has that time, permissions rw-r--r-- and no extra fields. Names are stored
in UTF-8 with the flag that says so, so that Windows shows the Chinese file name."""
import os
import sys
import time
import zipfile


def main():
    if len(sys.argv) < 4:
        sys.exit(__doc__)
    archive, epoch, files = sys.argv[1], int(sys.argv[2]), sys.argv[3:]
    # Zip times are local times from 1980 on, in two-second steps; UTC makes them the same
    # on every machine.
    stamp = time.gmtime(max(epoch, 315532800))[:6]
    with zipfile.ZipFile(archive, "w") as out:
        for path in files:
            entry = zipfile.ZipInfo(os.path.basename(path), stamp)
            entry.create_system = 3  # Unix, so that the permissions below are the ones read
            entry.external_attr = 0o100644 << 16
            entry.compress_type = zipfile.ZIP_DEFLATED
            with open(path, "rb") as source:
                out.writestr(entry, source.read(), compresslevel=9)


if __name__ == "__main__":
    main()
