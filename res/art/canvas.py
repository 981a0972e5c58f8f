"""A small supersampling rasteriser for flat vector pictures.

Shapes are lists of contours (lists of (x, y) points in design pixels, where
pixel (i, j) covers [i, i+1) x [j, j+1)) filled with the even-odd rule, so a
shape of two nested contours is a ring. A canvas drawn at a scale maps design
pixels to that many output pixels, so one drawing serves every size. Each output pixel is the average of
SS x SS samples, which gives anti-aliased edges. Points are snapped to a
1/256-pixel grid so that tiny differences between maths libraries cannot
change a single byte of the output.
"""

import math

SS = 8
TRANSPARENT = (0, 0, 0, 0)


def _snap(v):
    return round(v * 256) / 256


def _rgba(colour):
    return colour if len(colour) == 4 else (colour[0], colour[1], colour[2], 255)


class Canvas:
    def __init__(self, size, background=TRANSPARENT, scale=1):
        self.size = size
        self.scale = scale
        self.n = size * SS
        fill = _rgba(background)
        self.rows = [[fill] * self.n for _ in range(self.n)]

    def fill(self, contours, colour):
        """Paints the shape. colour is (r, g, b[, a]) or a function of the
        design-pixel y giving one, for vertical gradients."""
        edges = []
        k = self.scale
        for contour in contours:
            pts = [(_snap(x * k) * SS, _snap(y * k) * SS) for x, y in contour]
            for i, (x0, y0) in enumerate(pts):
                x1, y1 = pts[(i + 1) % len(pts)]
                if y0 != y1:
                    edges.append((x0, y0, x1, y1))
        if not edges:
            return
        top = max(0, math.floor(min(min(e[1], e[3]) for e in edges)))
        bottom = min(self.n, math.ceil(max(max(e[1], e[3]) for e in edges)) + 1)
        for r in range(top, bottom):
            y = r + 0.5
            xs = sorted(x0 + (y - y0) * (x1 - x0) / (y1 - y0)
                        for x0, y0, x1, y1 in edges
                        if (y0 <= y < y1) or (y1 <= y < y0))
            c = colour(y / SS / k) if callable(colour) else colour
            c = _rgba(c)
            row = self.rows[r]
            for i in range(0, len(xs) - 1, 2):
                a = max(0, math.ceil(xs[i] - 0.5))
                b = min(self.n, math.ceil(xs[i + 1] - 0.5))
                if a >= b:
                    continue
                if c[3] == 255:
                    row[a:b] = [c] * (b - a)
                else:
                    row[a:b] = [_over(c, d) for d in row[a:b]]

    def pixels(self):
        """Returns size x size rows of (r, g, b, a), top row first; colour is
        not premultiplied, fully transparent pixels are (0, 0, 0, 0)."""
        out = []
        area = SS * SS
        for j in range(self.size):
            band = self.rows[j * SS:(j + 1) * SS]
            line = []
            for i in range(self.size):
                sr = sg = sb = sa = 0
                for row in band:
                    for r, g, b, a in row[i * SS:(i + 1) * SS]:
                        sr += r * a
                        sg += g * a
                        sb += b * a
                        sa += a
                if sa == 0:
                    line.append(TRANSPARENT)
                else:
                    line.append((_div(sr, sa), _div(sg, sa), _div(sb, sa), _div(sa, area)))
            out.append(line)
        return out


def _div(num, den):
    return (2 * num + den) // (2 * den)


def _over(src, dst):
    sa = src[3]
    da = dst[3] * (255 - sa) // 255
    a = sa + da
    if a == 0:
        return TRANSPARENT
    return tuple(_div(src[k] * sa + dst[k] * da, a) for k in range(3)) + (a,)


def mix(c0, c1, t):
    """Colour between c0 (t = 0) and c1 (t = 1)."""
    t = min(1.0, max(0.0, t))
    return tuple(int(round(a + (b - a) * t)) for a, b in zip(c0, c1))


def vgradient(c0, y0, c1, y1):
    """A fill colour running from c0 at y0 to c1 at y1."""
    return lambda y: mix(c0, c1, (y - y0) / (y1 - y0))


# Shapes. Each returns a list of contours for Canvas.fill.

def rect(x0, y0, x1, y1):
    return [[(x0, y0), (x1, y0), (x1, y1), (x0, y1)]]


def _arc(cx, cy, r, a0, a1, steps):
    return [(cx + r * math.cos(a0 + (a1 - a0) * k / steps),
             cy + r * math.sin(a0 + (a1 - a0) * k / steps)) for k in range(steps + 1)]


def _round_rect_contour(x0, y0, x1, y1, r):
    if r <= 0:
        return rect(x0, y0, x1, y1)[0]
    q = math.pi / 2
    steps = max(3, int(r * 3))
    return (_arc(x1 - r, y0 + r, r, -q, 0, steps) + _arc(x1 - r, y1 - r, r, 0, q, steps)
            + _arc(x0 + r, y1 - r, r, q, 2 * q, steps) + _arc(x0 + r, y0 + r, r, 2 * q, 3 * q, steps))


def round_rect(x0, y0, x1, y1, r):
    return [_round_rect_contour(x0, y0, x1, y1, r)]


def _circle_contour(cx, cy, r):
    steps = max(16, int(r * 6))
    return _arc(cx, cy, r, 0, 2 * math.pi, steps)[:-1]


def circle(cx, cy, r):
    return [_circle_contour(cx, cy, r)]


def ring(cx, cy, r_outer, r_inner):
    return [_circle_contour(cx, cy, r_outer), _circle_contour(cx, cy, r_inner)]


def polygon(points):
    return [list(points)]


def line(x0, y0, x1, y1, width):
    """A straight stroke with square ends flush with its end points."""
    dx, dy = x1 - x0, y1 - y0
    length = math.hypot(dx, dy)
    nx, ny = -dy / length * width / 2, dx / length * width / 2
    return [[(x0 + nx, y0 + ny), (x1 + nx, y1 + ny), (x1 - nx, y1 - ny), (x0 - nx, y0 - ny)]]


def inset(points, d):
    """The convex polygon points moved inward by d on every side."""
    n = len(points)
    area = sum(points[i][0] * points[(i + 1) % n][1] - points[(i + 1) % n][0] * points[i][1]
               for i in range(n))
    sign = 1 if area > 0 else -1
    lines = []
    for i in range(n):
        (x0, y0), (x1, y1) = points[i], points[(i + 1) % n]
        length = math.hypot(x1 - x0, y1 - y0)
        nx, ny = -(y1 - y0) / length * sign, (x1 - x0) / length * sign
        lines.append((x0 + nx * d, y0 + ny * d, x1 - x0, y1 - y0))
    out = []
    for i in range(n):
        ax, ay, adx, ady = lines[i - 1]
        bx, by, bdx, bdy = lines[i]
        den = adx * bdy - ady * bdx
        t = ((bx - ax) * bdy - (by - ay) * bdx) / den
        out.append((ax + adx * t, ay + ady * t))
    return out


def clip_x(points, x, keep_right):
    """The part of a convex polygon right (or left) of the vertical line at x."""
    inside = (lambda p: p[0] >= x) if keep_right else (lambda p: p[0] <= x)
    out = []
    for i, p in enumerate(points):
        q = points[(i + 1) % len(points)]
        if inside(p):
            out.append(p)
        if inside(p) != inside(q):
            t = (x - p[0]) / (q[0] - p[0])
            out.append((x, p[1] + (q[1] - p[1]) * t))
    return out
