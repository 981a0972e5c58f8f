"""Writers for the Windows bitmap and icon files and for PNG previews.

Pixels come as rows of (r, g, b, a), top row first.
"""

import struct
import zlib

MAGENTA = (255, 0, 255)   # the image buttons' transparent colour
NOT_MAGENTA = (254, 0, 255)


def opaque_rgb(pixel):
    """The pixel's colour for a bitmap that must never show the buttons'
    transparent colour."""
    rgb = tuple(pixel[:3])
    return NOT_MAGENTA if rgb == MAGENTA else rgb


def _info_header(width, height, bits, image_size, ppm=0):
    return struct.pack('<IiiHHIIiiII', 40, width, height, 1, bits, 0, image_size, ppm, ppm, 0, 0)


def bmp24(pixels):
    """A 24-bit BI_RGB bitmap file without colour table."""
    height, width = len(pixels), len(pixels[0])
    stride = (width * 3 + 3) & ~3
    data = bytearray()
    for row in reversed(pixels):
        for p in row:
            r, g, b = opaque_rgb(p)
            data += bytes((b, g, r))
        data += bytes(stride - width * 3)
    offset = 14 + 40
    return (struct.pack('<2sIHHI', b'BM', offset + len(data), 0, 0, offset)
            + _info_header(width, height, 24, len(data), 2835) + bytes(data))


def _mask_rows(mask):
    """Packs rows of booleans (True = set) into bottom-up 1-bit rows."""
    width = len(mask[0])
    stride = ((width + 31) // 32) * 4
    out = bytearray()
    for row in reversed(mask):
        packed = bytearray(stride)
        for i, bit in enumerate(row):
            if bit:
                packed[i >> 3] |= 0x80 >> (i & 7)
        out += packed
    return bytes(out)


def icon_image(pixels, bits, palette=None, indices=None):
    """One icon image as a DIB: header, palette, colour (XOR) rows and the
    AND mask, which is set where the image is transparent. 1- and 8-bit
    images take a palette and rows of indices; transparent pixels must use
    an index of black so that the screen shows through unchanged."""
    size = len(pixels)
    transparent = [[p[3] < 128 for p in row] for row in pixels]
    if bits == 32:
        colour = bytearray()
        for row in reversed(pixels):
            for r, g, b, a in row:
                colour += bytes((b, g, r, a))
    else:
        colour = _mask_rows([[v == 1 for v in row] for row in indices]) if bits == 1 else bytearray()
        if bits == 8:
            stride = (size + 3) & ~3
            for row in reversed(indices):
                colour += bytes(row) + bytes(stride - size)
    mask = _mask_rows(transparent)
    pal = b''.join(bytes((b, g, r, 0)) for r, g, b in (palette or []))
    return _info_header(size, size * 2, bits, len(colour) + len(mask)) + pal + bytes(colour) + mask


def ico(images):
    """An icon file from (size, bits, dib) entries, in the given order."""
    header = struct.pack('<HHH', 0, 1, len(images))
    offset = len(header) + 16 * len(images)
    directory, body = b'', b''
    for size, bits, dib in images:
        colours = 2 if bits == 1 else 0
        directory += struct.pack('<BBBBHHII', size % 256, size % 256, colours, 0, 1, bits,
                                 len(dib), offset + len(body))
        body += dib
    return header + directory + body


def png(pixels):
    """An RGBA PNG file, for previews."""
    height, width = len(pixels), len(pixels[0])
    raw = bytearray()
    for row in pixels:
        raw.append(0)
        for p in row:
            raw += bytes(p if len(p) == 4 else tuple(p) + (255,))

    def chunk(kind, data):
        return (struct.pack('>I', len(data)) + kind + data
                + struct.pack('>I', zlib.crc32(kind + data) & 0xFFFFFFFF))

    return (b'\x89PNG\r\n\x1a\n'
            + chunk(b'IHDR', struct.pack('>IIBBBBB', width, height, 8, 6, 0, 0, 0))
            + chunk(b'IDAT', zlib.compress(bytes(raw), 9))
            + chunk(b'IEND', b''))
