"""Reduces RGBA pictures to the palettes of 8-bit and 1-bit icon images.

Pixels with alpha below 128 become transparent; they take palette index 0,
which is always black, because an icon's transparent pixels must have a
black colour under the set AND-mask bit.
"""

BLACK = (0, 0, 0)
WHITE = (255, 255, 255)


def _median_cut(counts, limit):
    boxes = [sorted(counts.items())]
    while len(boxes) < limit:
        best, best_range, best_channel = None, 0, 0
        for i, box in enumerate(boxes):
            if len(box) < 2:
                continue
            for ch in range(3):
                values = [c[ch] for c, _ in box]
                if max(values) - min(values) > best_range:
                    best, best_range, best_channel = i, max(values) - min(values), ch
        if best is None:
            break
        box = sorted(boxes.pop(best), key=lambda item: (item[0][best_channel], item[0]))
        total, run, cut = sum(n for _, n in box), 0, 1
        for k, (_, n) in enumerate(box[:-1]):
            run += n
            cut = k + 1
            if 2 * run >= total:
                break
        boxes[best:best] = [box[:cut], box[cut:]]
    palette = []
    for box in boxes:
        total = sum(n for _, n in box)
        palette.append(tuple((2 * sum(c[ch] * n for c, n in box) + total) // (2 * total)
                             for ch in range(3)))
    return palette


def _nearest(palette, colour):
    return min(range(len(palette)),
               key=lambda k: (sum((palette[k][ch] - colour[ch]) ** 2 for ch in range(3)), k))


def indexed(pixels, limit=256):
    """Returns (palette of `limit` colours, rows of indices)."""
    counts = {}
    for row in pixels:
        for r, g, b, a in row:
            if a >= 128:
                counts[(r, g, b)] = counts.get((r, g, b), 0) + 1
    colours = sorted(counts) if len(counts) < limit else _median_cut(counts, limit - 1)
    palette = [BLACK] + [c for c in colours if c != BLACK]
    lookup = {}
    rows = []
    for row in pixels:
        out = []
        for r, g, b, a in row:
            if a < 128:
                out.append(0)
                continue
            if (r, g, b) not in lookup:
                lookup[(r, g, b)] = _nearest(palette, (r, g, b))
            out.append(lookup[(r, g, b)])
        rows.append(out)
    return palette + [BLACK] * (limit - len(palette)), rows


def monochrome(pixels, threshold=230):
    """Returns (black-and-white palette, rows of indices): dark opaque pixels
    black, light ones white, transparent ones black under the mask."""
    rows = []
    for row in pixels:
        out = []
        for r, g, b, a in row:
            light = a >= 128 and (299 * r + 587 * g + 114 * b) >= threshold * 1000
            out.append(1 if light else 0)
        rows.append(out)
    return [BLACK, WHITE], rows
