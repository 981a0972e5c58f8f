"""Reads the bitmap and icon files back and checks that they have the exact
formats the program's resources need.

Each reader raises FormatError naming the first thing that is wrong.
"""

import struct


class FormatError(Exception):
    pass


def _expect(what, actual, wanted):
    if actual != wanted:
        raise FormatError(f'{what} is {actual}, not {wanted}')


def read_button_bitmap(data, size=50):
    """A tool-button bitmap: size x size (50: 7,600 bytes of pixels), 24 bits,
    BITMAPINFOHEADER, BI_RGB, no colour table, bottom-up pixel rows, zero row
    padding and no pixel of the transparent colour RGB(255,0,255). Returns
    rows of (r, g, b, 255), top row first."""
    stride = (size * 3 + 3) & ~3
    if len(data) < 54:
        raise FormatError(f'file of {len(data)} bytes is shorter than its headers')
    magic, file_size, _, _, offset = struct.unpack_from('<2sIHHI', data, 0)
    (header_size, width, height, planes, bits, compression, image_size,
     _, _, colours_used, _) = struct.unpack_from('<IiiHHIIiiII', data, 14)
    _expect('signature', magic, b'BM')
    _expect('header size', header_size, 40)
    _expect('width', width, size)
    _expect('height (positive: bottom-up rows)', height, size)
    _expect('planes', planes, 1)
    _expect('bits per pixel', bits, 24)
    _expect('compression', compression, 0)
    _expect('colours used', colours_used, 0)
    _expect('pixel data offset (no colour table)', offset, 54)
    _expect('pixel data length', len(data) - offset, stride * size)
    _expect('recorded image size', image_size, stride * size)
    _expect('recorded file size', file_size, len(data))
    rows = []
    for y in range(size):
        row = data[offset + y * stride:offset + (y + 1) * stride]
        if any(row[size * 3:]):
            raise FormatError(f'row {y} has non-zero padding')
        pixels = [(row[3 * x + 2], row[3 * x + 1], row[3 * x], 255) for x in range(size)]
        for x, p in enumerate(pixels):
            if p[:3] == (255, 0, 255):
                raise FormatError(f'pixel ({x}, {size - 1 - y}) is the transparent colour '
                                  'RGB(255,0,255)')
        rows.append(pixels)
    rows.reverse()
    return rows


ICON_IMAGES = sorted([(s, b) for s in (16, 32, 48) for b in (1, 8, 32)] + [(128, 32)])


def _stride(width, bits):
    return ((width * bits + 31) // 32) * 4


def _read_dib(data, size, bits):
    (header_size, width, height, planes, dib_bits, compression, _, _, _,
     colours_used, _) = struct.unpack_from('<IiiHHIIiiII', data, 0)
    _expect('header size', header_size, 40)
    _expect('width', width, size)
    _expect('height (colour and mask rows)', height, 2 * size)
    _expect('planes', planes, 1)
    _expect('bits per pixel', dib_bits, bits)
    _expect('compression', compression, 0)
    _expect('colours used (0: full palette)', colours_used, 0)
    entries = 1 << bits if bits <= 8 else 0
    palette = [(data[40 + 4 * k + 2], data[40 + 4 * k + 1], data[40 + 4 * k])
               for k in range(entries)]
    colour_at = 40 + 4 * entries
    mask_at = colour_at + _stride(size, bits) * size
    _expect('image length', len(data), mask_at + _stride(size, 1) * size)
    rows = []
    for y in range(size):
        crow = data[colour_at + y * _stride(size, bits):]
        mrow = data[mask_at + y * _stride(size, 1):]
        row = []
        for x in range(size):
            masked = (mrow[x >> 3] >> (7 - (x & 7))) & 1
            if bits == 32:
                b, g, r, a = crow[4 * x:4 * x + 4]
                if masked != (a < 128):
                    raise FormatError(f'{size}px 32-bit pixel ({x}, {size - 1 - y}) of alpha '
                                      f'{a} is {"" if masked else "not "}masked')
            else:
                index = crow[x] if bits == 8 else (crow[x >> 3] >> (7 - (x & 7))) & 1
                (r, g, b), a = palette[index], 0 if masked else 255
                if masked and (r, g, b) != (0, 0, 0):
                    raise FormatError(f'{size}px {bits}-bit transparent pixel ({x}, '
                                      f'{size - 1 - y}) is not black and would tint the screen')
            row.append((r, g, b, a))
        rows.append(row)
    rows.reverse()
    return rows


def read_icon(data):
    """The application icon: one file with the images of ICON_IMAGES, each a
    classic DIB with its AND mask. Returns {(size, bits): rows of (r, g, b, a)}."""
    reserved, kind, count = struct.unpack_from('<HHH', data, 0)
    _expect('icon header reserved word', reserved, 0)
    _expect('resource type (1: icon)', kind, 1)
    _expect('image count', count, len(ICON_IMAGES))
    images, spans = {}, []
    for k in range(count):
        (w, h, colours, res, planes, bits, length,
         offset) = struct.unpack_from('<BBBBHHII', data, 6 + 16 * k)
        _expect(f'entry {k} height', h, w)
        _expect(f'entry {k} planes', planes, 1)
        _expect(f'entry {k} colour count', colours, 2 if bits == 1 else 0)
        _expect(f'entry {k} reserved byte', res, 0)
        if offset + length > len(data) or offset < 6 + 16 * count:
            raise FormatError(f'entry {k} lies outside the file')
        if (w, bits) in images:
            raise FormatError(f'two images of {w}px at {bits} bits')
        spans.append((offset, offset + length))
        images[(w, bits)] = _read_dib(data[offset:offset + length], w, bits)
    _expect('images', sorted(images), ICON_IMAGES)
    spans.sort()
    for (_, end), (start, _) in zip(spans, spans[1:]):
        if start < end:
            raise FormatError('two images overlap')
    return images
