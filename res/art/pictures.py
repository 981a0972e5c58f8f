"""The pictures: the spruce-tree application icon and the four tool buttons.

Every function returns rows of (r, g, b, a), top row first. The button
pictures are designed 50 x 50 and drawn at any size (75 and 100 pixels for
screens at 150 and 200 %); they are opaque, and their background is the light
grey of a button face. The button shows them from its top-left corner, and at
small dialog fonts it is a few pixels smaller than the picture, so the motifs keep
a wider margin on the right and at the bottom.
"""

import math

from canvas import (Canvas, circle, clip_x, inset, line, polygon, rect, ring, round_rect,
                    vgradient)

BUTTON_FACE = (240, 240, 240)


# Letters for short labels, drawn as shapes in a box of width w and height h.

def letter_a(x, y, w, h, t):
    cx = x + w / 2
    k = t * 1.15
    return [polygon([(x, y + h), (cx - k / 2, y), (cx + k / 2, y), (x + k, y + h)]),
            polygon([(x + w, y + h), (cx + k / 2, y), (cx - k / 2, y), (x + w - k, y + h)]),
            rect(x + k * 0.6, y + h * 0.58, x + w - k * 0.6, y + h * 0.58 + t * 0.85)]


def letter_d(x, y, w, h, t):
    r = h / 2

    def outline(x0, y0, x1, y1, radius):
        steps = 16
        arc = [(x1 - radius + radius * math.sin(math.pi * k / steps),
                (y0 + y1) / 2 - radius * math.cos(math.pi * k / steps)) for k in range(steps + 1)]
        return [(x0, y0)] + arc + [(x0, y1)]

    return [[outline(x, y, x + w, y + h, r), outline(x + t, y + t, x + w - t, y + h - t, r - t)]]


# Application icon

TREE_DARK = (18, 78, 44)
TREE_LIGHT = (64, 166, 92)
TREE_SHADE = (38, 128, 70)
TRUNK = (128, 80, 40)
TRUNK_DARK = (78, 46, 20)
STAR = (255, 204, 40)
STAR_DARK = (176, 112, 0)


def _star(cx, cy, r, waist):
    pts = []
    for k in range(8):
        a = math.pi / 4 * k - math.pi / 2
        rad = r if k % 2 == 0 else waist
        pts.append((cx + rad * math.cos(a), cy + rad * math.sin(a)))
    return pts


# At 16 pixels a drawing by hand reads better than a scaled one.
SPRUCE_16 = (
    '.......D.....y..',
    '......DLD....Y..',
    '.....DLLSD.yYWYy',
    '....DLLLSSD..Y..',
    '...DDDDDDDDD.y..',
    '.....DLLSSD.....',
    '....DLLLSSSD....',
    '...DLLLLSSSSD...',
    '..DDDDDDDDDDDD..',
    '...DLLLLSSSSD...',
    '..DLLLLLSSSSSD..',
    '.DLLLLLLSSSSSSD.',
    'DDDDDDDDDDDDDDD.',
    '......tTt.......',
    '......tTt.......',
    '......ttt.......',
)


def spruce_icon(size):
    """A green spruce of three tiers on a brown trunk, and a sparkle for a
    freshly cleaned disk, on a transparent background."""
    if size == 16:
        colours = {'D': TREE_DARK, 'L': TREE_LIGHT, 'S': TREE_SHADE, 'T': TRUNK, 't': TRUNK_DARK,
                   'Y': STAR, 'y': STAR_DARK, 'W': (255, 255, 255)}
        return [[colours[ch] + (255,) if ch in colours else (0, 0, 0, 0) for ch in row]
                for row in SPRUCE_16]
    c = Canvas(size)
    u = size / 48
    edge = max(1.0, size / 32)
    cx = 24 * u

    c.fill(rect(cx - 3.5 * u, 34 * u, cx + 3.5 * u, 46 * u), TRUNK_DARK)
    c.fill(rect(cx - 3.5 * u + edge, 34 * u, cx + 3.5 * u - edge, 46 * u - edge), TRUNK)

    for apex, base, half in ((17, 38.5, 20.5), (9, 27.5, 15), (1.5, 16.5, 10)):
        height = base - apex
        right = [(cx + half * 0.4 * u, (apex + height * 0.5) * u), (cx + half * u, (base + 0.8) * u),
                 (cx + half * 0.55 * u, base * u)]
        tier = ([(cx, apex * u)] + right + [(cx, (base + 1.8) * u)]
                + [(2 * cx - x, y) for x, y in reversed(right)])
        c.fill(polygon(tier), TREE_DARK)
        inner = inset(tier, edge)
        c.fill(polygon(inner), TREE_LIGHT)
        c.fill(polygon(clip_x(inner, cx, True)), TREE_SHADE)

    if size >= 32:
        sx, sy, sr = 40 * u, 9 * u, 8 * u
    else:
        sx, sy, sr = 40 * u, 8 * u, 9 * u
    sparkles = [(sx, sy, sr)] + ([(6.5 * u, 17 * u, 4.5 * u)] if size >= 48 else [])
    for x, y, r in sparkles:
        c.fill(polygon(_star(x, y, r, r * 0.32)), STAR_DARK)
        c.fill(polygon(inset(_star(x, y, r, r * 0.32), edge * 0.6)), STAR)
    return c.pixels()


# Button 134: video-ad blocking

def block_ad(size=50):
    """A video screen showing "AD", under a red prohibition sign."""
    c = Canvas(size, BUTTON_FACE, size / 50)
    cx = cy = 23
    c.fill(circle(cx, cy, 19.5), (255, 255, 255))
    c.fill(round_rect(cx - 13.5, cy - 9.5, cx + 13.5, cy + 9.5, 2.5),
           vgradient((70, 84, 108), cy - 9.5, (36, 44, 60), cy + 9.5))
    for shape in (letter_a(cx - 11, cy - 6.5, 11, 13, 3) + letter_d(cx + 1, cy - 6.5, 10, 13, 3)):
        c.fill(shape, (255, 214, 64))
    red = (218, 32, 32)
    c.fill(ring(cx, cy, 20, 15.7), red)
    d = 16.2 / math.sqrt(2)
    c.fill(line(cx - d, cy - d, cx + d, cy + d, 4.5), red)
    return c.pixels()


# Button 141: moving the user folders to another drive

FOLDER_BACK = (212, 150, 28)
FOLDER_FRONT_TOP = (255, 214, 96)
FOLDER_FRONT_BOTTOM = (240, 176, 40)
FOLDER_EDGE = (150, 100, 10)


def _folder(c, x0, y0, x1, y1):
    tab = max(7, (x1 - x0) * 0.4)
    c.fill(round_rect(x0, y0, x0 + tab, y0 + 6, 1.5), FOLDER_EDGE)
    c.fill(round_rect(x0, y0 + 2.5, x1, y1, 1.5), FOLDER_EDGE)
    c.fill(round_rect(x0 + 1, y0 + 1, x0 + tab - 1, y0 + 5, 0.8), FOLDER_BACK)
    c.fill(rect(x0 + 1, y0 + 3.5, x1 - 1, y1 - 1), FOLDER_BACK)
    front_top = y0 + 7
    c.fill(polygon([(x0, y1), (x0 + 2.5, front_top), (x1 + 1.5, front_top), (x1 - 1, y1)]),
           FOLDER_EDGE)
    c.fill(polygon([(x0 + 1.3, y1 - 1), (x0 + 3.3, front_top + 1), (x1, front_top + 1),
                    (x1 - 1.7, y1 - 1)]),
           vgradient(FOLDER_FRONT_TOP, front_top, FOLDER_FRONT_BOTTOM, y1))


def _arc_arrow(c, cx, cy, r, width, a0, a1, head, colour):
    """A stroke along a circle from angle a0 to a1 (radians, y down), ending
    in an arrowhead."""
    steps = 24
    outer = [(cx + (r + width / 2) * math.cos(a0 + (a1 - a0) * k / steps),
              cy + (r + width / 2) * math.sin(a0 + (a1 - a0) * k / steps)) for k in range(steps + 1)]
    inner = [(cx + (r - width / 2) * math.cos(a0 + (a1 - a0) * k / steps),
              cy + (r - width / 2) * math.sin(a0 + (a1 - a0) * k / steps)) for k in range(steps + 1)]
    c.fill(polygon(outer + inner[::-1]), colour)
    ex, ey = cx + r * math.cos(a1), cy + r * math.sin(a1)
    tx, ty = -math.sin(a1), math.cos(a1)  # direction of travel for a1 > a0
    if a1 < a0:
        tx, ty = -tx, -ty
    nx, ny = -ty, tx
    c.fill(polygon([(ex + nx * head, ey + ny * head), (ex + tx * head * 1.1, ey + ty * head * 1.1),
                    (ex - nx * head, ey - ny * head)]), colour)


def move_folders(size=50):
    """A yellow folder and a blue arrow carrying it down into a disk drive
    marked D."""
    c = Canvas(size, BUTTON_FACE, size / 50)
    _folder(c, 3, 4, 26, 22)

    _arc_arrow(c, 26, 28, 9.5, 4, -math.pi / 2, 0, 5, (28, 110, 220))

    x0, y0, x1, y1 = 6, 30, 42, 43
    c.fill(round_rect(x0, y0, x1, y1, 3), (84, 92, 104))
    c.fill(round_rect(x0 + 1, y0 + 1, x1 - 1, y1 - 1, 2),
           vgradient((226, 230, 236), y0, (160, 168, 180), y1))
    c.fill(rect(x0 + 1, y1 - 5, x1 - 1, y1 - 4), (120, 128, 140))
    c.fill(circle(x1 - 5, y1 - 2.5 - 5, 1.8), (40, 190, 70))
    for shape in letter_d(x0 + 4, y0 + 2, 6, 6.5, 1.6):
        c.fill(shape, (60, 66, 76))
    return c.pixels()


# Button 142: the download web page

def home_page(size=50):
    """A browser window with a page, and a green arrow pointing down into a
    tray: the download page."""
    c = Canvas(size, BUTTON_FACE, size / 50)
    x0, y0, x1, y1 = 3, 4, 43, 43
    c.fill(round_rect(x0, y0, x1, y1, 3), (60, 80, 110))
    c.fill(round_rect(x0 + 1, y0 + 1, x1 - 1, y0 + 9, 2),
           vgradient((96, 156, 232), y0, (40, 100, 190), y0 + 9))
    c.fill(rect(x0 + 1, y0 + 7, x1 - 1, y0 + 9), (40, 100, 190))
    c.fill(rect(x0 + 1, y0 + 9, x1 - 1, y1 - 1), (255, 255, 255))
    for k, colour in enumerate(((232, 80, 70), (250, 190, 50), (80, 190, 80))):
        c.fill(circle(x1 - 5 - 4.5 * k, y0 + 4.7, 1.6), colour)
    c.fill(round_rect(x0 + 3, y0 + 11, x1 - 3, y0 + 15, 1.5), (220, 226, 234))
    for k in range(4):
        ly = y0 + 19 + 5 * k
        c.fill(rect(x0 + 4, ly, x0 + 12, ly + 2), (200, 206, 214))
        c.fill(rect(x1 - 12, ly, x1 - 4, ly + 2), (200, 206, 214))

    ax = (x0 + x1) / 2
    green_dark, green = (18, 110, 40), (46, 176, 72)
    arrow = [(ax - 4, 17), (ax + 4, 17), (ax + 4, 26), (ax + 9.5, 26), (ax, 36),
             (ax - 9.5, 26), (ax - 4, 26)]
    c.fill(polygon(arrow), green_dark)
    inner = [(ax - 2.8, 18.2), (ax + 2.8, 18.2), (ax + 2.8, 27.2), (ax + 6.8, 27.2), (ax, 34.3),
             (ax - 6.8, 27.2), (ax - 2.8, 27.2)]
    c.fill(polygon(inner), vgradient((110, 220, 120), 18, green, 34))
    c.fill(round_rect(ax - 11, 37, ax + 11, 40.5, 1.5), green_dark)
    return c.pixels()


# Button 145: the chat-files tool

def chat_files(size=50):
    """A green chat bubble holding a photo, and a recycle bin taking it: old
    chat pictures, videos and files moved into the Recycle Bin."""
    c = Canvas(size, BUTTON_FACE, size / 50)
    green_dark, green = (8, 128, 60), (40, 190, 90)
    bubble = round_rect(3, 4, 37, 30, 5)
    c.fill(bubble, green_dark)
    c.fill(polygon([(9, 28), (17, 28), (8, 36)]), green_dark)
    c.fill(round_rect(4.3, 5.3, 35.7, 28.7, 4), vgradient((90, 214, 120), 5, green, 29))
    c.fill(polygon([(10.3, 27.5), (15, 27.5), (9.6, 32.6)]), green)
    # The photo: sky, sun and a hill in a white frame.
    c.fill(rect(10, 9, 30, 25), (255, 255, 255))
    c.fill(rect(11.5, 10.5, 28.5, 23.5), vgradient((120, 180, 250), 10.5, (190, 222, 255), 23.5))
    c.fill(circle(24.5, 14, 2.2), (255, 204, 40))
    c.fill(polygon([(11.5, 23.5), (17, 16), (21, 20.5), (23.5, 18), (28.5, 23.5)]), (46, 150, 70))
    # The recycle bin, lid and body, in front of the bubble's corner.
    grey_dark, grey = (70, 80, 96), (150, 162, 178)
    x0, x1 = 27, 43
    c.fill(round_rect(x0 - 1.5, 25, x1 + 1.5, 29, 1.2), grey_dark)
    c.fill(rect(x0 + 5, 23, x1 - 5, 25.5), grey_dark)
    c.fill(polygon([(x0, 29), (x1, 29), (x1 - 1.5, 44), (x0 + 1.5, 44)]), grey_dark)
    c.fill(polygon([(x0 + 1.3, 30.2), (x1 - 1.3, 30.2), (x1 - 2.6, 42.7), (x0 + 2.6, 42.7)]),
           vgradient((200, 208, 220), 30, grey, 43))
    for k in range(3):
        lx = x0 + 4.5 + 3.5 * k
        c.fill(rect(lx, 32, lx + 1.3, 41), grey_dark)
    return c.pixels()
