#!/usr/bin/env python3
"""release-zip.py ARCHIVE EPOCH FILE...: writes a zip of the files, under their own names, in
the order given, that depends on nothing but their contents and EPOCH (seconds since 1970,
UTC): every entry has that time and permissions rw-r--r--.

A name that is not plain ASCII is stored as Chinese Windows names files in its own zips: in
code page 936, without the UTF-8 flag, which Windows 7's Explorer does not know and which it
would show as gibberish. The Info-ZIP Unicode Path field beside it gives the name in UTF-8 to
the tools that read it (7-Zip, unzip) on every system."""
import os
import struct
import sys
import time
import zipfile
import zlib

UNICODE_PATH_FIELD = 0x7075


class ChineseWindowsEntry(zipfile.ZipInfo):
    """An entry whose name is written in code page 936 rather than UTF-8."""

    def _encodeFilenameFlags(self):
        try:
            return self.filename.encode("ascii"), self.flag_bits
        except UnicodeEncodeError:
            return self.filename.encode("cp936"), self.flag_bits


def entry_for(name, stamp):
    entry = ChineseWindowsEntry(name, stamp)
    if not name.isascii():
        # Version 1, the CRC-32 of the name as stored, then the name in UTF-8.
        utf8 = name.encode("utf-8")
        crc = zlib.crc32(name.encode("cp936"))
        entry.extra = struct.pack("<HHBI", UNICODE_PATH_FIELD, 5 + len(utf8), 1, crc) + utf8
    return entry


def main():
    if len(sys.argv) < 4:
        sys.exit(__doc__)
    archive, epoch, files = sys.argv[1], int(sys.argv[2]), sys.argv[3:]
    # Zip times are local times from 1980 on, in two-second steps; UTC makes them the same
    # on every machine.
    stamp = time.gmtime(max(epoch, 315532800))[:6]
    with zipfile.ZipFile(archive, "w") as out:
        for path in files:
            entry = entry_for(os.path.basename(path), stamp)
            entry.create_system = 3  # Unix, so that the permissions below are the ones read
            entry.external_attr = 0o100644 << 16
            entry.compress_type = zipfile.ZIP_DEFLATED
            with open(path, "rb") as source:
                out.writestr(entry, source.read(), compresslevel=9)


if __name__ == "__main__":
    main()
