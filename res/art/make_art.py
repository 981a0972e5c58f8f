#!/usr/bin/env python3
"""Draws Spruce's artwork into res/:

  spruce.ico        icon 128: a spruce tree with a sparkle; 16, 32 and 48 pixels
                    at 1, 8 and 32 bits per pixel, and 128 pixels at 32 bits
  block_ad.bmp      bitmap 134: the video-ad blocking button
  move_folders.bmp  bitmap 141: the button that moves the user folders
  home_page.bmp     bitmap 142: the button that opens the download page
  chat_files.bmp    bitmap 145: the button of the chat-files tool
                    (50 pixels square; the same pictures at 150 and 200 %,
                    75 and 100 pixels, in block_ad_150.bmp, block_ad_200.bmp
                    and so on)

The build uses the committed files; run this only to change the pictures
(edit pictures.py), then commit the script and the files together.

  python3 res/art/make_art.py              write the files
  python3 res/art/make_art.py --check      check the files' formats and that
                                           they match what the script draws
  python3 res/art/make_art.py --preview D  write enlarged PNG views of the
                                           files into directory D

Needs only Python 3's standard library. The output is the same, byte for
byte, on every run.
"""

import os
import sys

sys.dont_write_bytecode = True  # keep the source tree free of caches

import formats  # noqa: E402 (after the line above)
import palette  # noqa: E402
import pictures  # noqa: E402
import readers  # noqa: E402

RES = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
PICTURES = (('block_ad', pictures.block_ad),
            ('move_folders', pictures.move_folders),
            ('home_page', pictures.home_page),
            ('chat_files', pictures.chat_files))
# Pixel size and file-name suffix of each drawing: 100, 150 and 200 %.
SCALES = ((50, ''), (75, '_150'), (100, '_200'))
BUTTONS = tuple((f'{name}{suffix}.bmp', size, draw)
                for size, suffix in SCALES for name, draw in PICTURES)
ICON = 'spruce.ico'


def build_icon():
    images = []
    for size in (16, 32, 48):
        pixels = pictures.spruce_icon(size)
        images.append((size, 32, formats.icon_image(pixels, 32)))
        images.append((size, 8, formats.icon_image(pixels, 8, *palette.indexed(pixels))))
        images.append((size, 1, formats.icon_image(pixels, 1, *palette.monochrome(pixels))))
    images.append((128, 32, formats.icon_image(pictures.spruce_icon(128), 32)))
    return formats.ico(images)


def build_all():
    files = {name: formats.bmp24(draw(size)) for name, size, draw in BUTTONS}
    files[ICON] = build_icon()
    return files


def check():
    """Checks the files in res/; returns the number of problems found."""
    problems = 0
    fresh = build_all()
    sizes = {name: size for name, size, _ in BUTTONS}
    for name in list(sizes) + [ICON]:
        path = os.path.join(RES, name)
        try:
            with open(path, 'rb') as f:
                data = f.read()
            if name == ICON:
                images = readers.read_icon(data)
                for (size, bits), rows in sorted(images.items()):
                    shown = sum(p[3] >= 128 for row in rows for p in row) / (size * size)
                    if not 0.2 <= shown <= 0.8:
                        raise readers.FormatError(f'{size}px {bits}-bit image covers '
                                                  f'{shown:.0%} of its square')
                detail = ', '.join(f'{s}px/{b}bit' for s, b in sorted(images))
            else:
                size = sizes[name]
                rows = readers.read_button_bitmap(data, size)
                colours = len({p for row in rows for p in row})
                detail = (f'{size}x{size}, 24 bits, {len(data) - 54} bytes of pixels, '
                          f'{colours} colours, no magenta')
            if data != fresh[name]:
                raise readers.FormatError('differs from what make_art.py draws now: regenerate')
            print(f'ok    {name} ({len(data)} bytes): {detail}')
        except (OSError, readers.FormatError) as e:
            problems += 1
            print(f'FAIL  {name}: {e}')
    return problems


def _sheet(tiles, scale, gap=8, background=(255, 255, 255, 255)):
    """Lays tiles (rows of pixels, or None for a line break) out left to
    right, each enlarged `scale` times, over `background`."""
    lines, current = [], []
    for tile in tiles:
        if tile is None:
            lines.append(current)
            current = []
        else:
            current.append(tile)
    lines.append(current)
    width = max(sum(len(t[0]) * scale + gap for t in ln) for ln in lines) + gap
    height = sum(max(len(t) * scale for t in ln) + gap for ln in lines if ln) + gap
    out = [[background] * width for _ in range(height)]
    y = gap
    for ln in lines:
        if not ln:
            continue
        x = gap
        for tile in ln:
            for j in range(len(tile) * scale):
                for i in range(len(tile[0]) * scale):
                    p, d = tile[j // scale][i // scale], out[y + j][x + i]
                    a = p[3]
                    out[y + j][x + i] = tuple((p[k] * a + d[k] * (255 - a)) // 255
                                              for k in range(3)) + (255,)
            x += len(tile[0]) * scale + gap
        y += max(len(t) * scale for t in ln) + gap
    return out


def preview(folder):
    os.makedirs(folder, exist_ok=True)
    buttons = []
    for name, size, _ in BUTTONS:
        with open(os.path.join(RES, name), 'rb') as f:
            buttons.append(readers.read_button_bitmap(f.read(), size))
    buttons, larger = buttons[:len(PICTURES)], buttons[len(PICTURES):]
    crops = [[row[:42] for row in b[:42]] for b in buttons]
    face = (240, 240, 240, 255)
    with open(os.path.join(folder, 'buttons.png'), 'wb') as f:
        f.write(formats.png(_sheet(buttons + [None] + crops, 6, background=face)))
    with open(os.path.join(folder, 'buttons_1x.png'), 'wb') as f:
        f.write(formats.png(_sheet(buttons, 1, background=face)))
    with open(os.path.join(folder, 'buttons_scaled.png'), 'wb') as f:
        f.write(formats.png(_sheet(buttons + [None] + larger, 1, background=face)))
    with open(os.path.join(RES, ICON), 'rb') as f:
        icon = readers.read_icon(f.read())
    small = [icon[(s, b)] for b in (32, 8, 1) for s in (16, 32, 48)]
    for bg, tag in (((255, 255, 255, 255), 'light'), ((40, 44, 52, 255), 'dark')):
        tiles = small[:3] + [None] + small[3:6] + [None] + small[6:]
        with open(os.path.join(folder, f'icon_{tag}.png'), 'wb') as f:
            f.write(formats.png(_sheet(tiles, 4, background=bg)))
        with open(os.path.join(folder, f'icon_{tag}_1x.png'), 'wb') as f:
            f.write(formats.png(_sheet(small + [icon[(128, 32)]], 1, background=bg)))
    with open(os.path.join(folder, 'icon_128.png'), 'wb') as f:
        f.write(formats.png(_sheet([icon[(128, 32)]], 3, background=(200, 210, 220, 255))))
    print(f'previews written to {folder}')


def main(args):
    if args == ['--check']:
        return 1 if check() else 0
    if len(args) == 2 and args[0] == '--preview':
        preview(args[1])
        return 0
    if args:
        print(__doc__)
        return 2
    for name, data in build_all().items():
        with open(os.path.join(RES, name), 'wb') as f:
            f.write(data)
        print(f'wrote {os.path.join(RES, name)} ({len(data)} bytes)')
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv[1:]))
