"""A small anti-aliased rasteriser over a float RGB canvas.

Shapes are turned into coverage (0..1 per pixel) and composited with a paint
that is either a colour or a function of the pixel centre. Polygons are
scanned with several sub-rows per pixel and exact horizontal coverage, which
gives clean edges for the small pictures of the skin.
"""

import math

from colour import clamp

SUB_ROWS = 8


class Canvas:
    def __init__(self, width, height, fill=(0, 0, 0)):
        self.width = width
        self.height = height
        self.px = [list(fill) for _ in range(width * height)]

    def get(self, x, y):
        return tuple(self.px[y * self.width + x])

    def shade(self, fn, box=None):
        """Replaces every pixel (inside box = x0, y0, x1, y1) with
        fn(cx, cy, old) where (cx, cy) is the pixel centre."""
        x0, y0, x1, y1 = box or (0, 0, self.width, self.height)
        for y in range(max(0, y0), min(self.height, y1)):
            row = y * self.width
            for x in range(max(0, x0), min(self.width, x1)):
                p = self.px[row + x]
                c = fn(x + 0.5, y + 0.5, (p[0], p[1], p[2]))
                p[0], p[1], p[2] = c[0], c[1], c[2]

    def composite(self, cover, paint, opacity=1.0):
        """Blends paint over the canvas where cover (a Coverage) is set."""
        constant = not callable(paint)
        for y, x0, values in cover.rows():
            row = y * self.width
            for i, a in enumerate(values):
                a *= opacity
                if a <= 0.0:
                    continue
                x = x0 + i
                p = self.px[row + x]
                c = paint if constant else paint(x + 0.5, y + 0.5)
                if a >= 1.0:
                    p[0], p[1], p[2] = c[0], c[1], c[2]
                else:
                    p[0] += (c[0] - p[0]) * a
                    p[1] += (c[1] - p[1]) * a
                    p[2] += (c[2] - p[2]) * a

    def fill(self, polygons, paint, opacity=1.0):
        self.composite(polygon_coverage(polygons, self.width, self.height), paint, opacity)

    def stroke(self, points, width, paint, opacity=1.0, closed=False, fade=None):
        self.composite(stroke_coverage(points, width, self.width, self.height, closed, fade), paint, opacity)

    def crop(self, x0, y0, width, height):
        out = Canvas(width, height)
        for y in range(height):
            for x in range(width):
                out.px[y * width + x] = list(self.px[(y + y0) * self.width + x + x0])
        return out

    def rgb_rows(self):
        """Rows top-down of (r, g, b) integer triples, rounded and clamped."""
        out = []
        for y in range(self.height):
            row = []
            for x in range(self.width):
                p = self.px[y * self.width + x]
                row.append(tuple(int(clamp(v, 0.0, 255.0) + 0.5) for v in p))
            out.append(row)
        return out


class Coverage:
    """Per-pixel coverage over the rows of a bounding box."""

    def __init__(self, x0, y0, x1, y1):
        self.x0, self.y0 = x0, y0
        self.w = max(0, x1 - x0)
        self.values = [[0.0] * self.w for _ in range(max(0, y1 - y0))]

    def rows(self):
        for i, values in enumerate(self.values):
            yield self.y0 + i, self.x0, values

    def at(self, x, y):
        if self.y0 <= y < self.y0 + len(self.values) and self.x0 <= x < self.x0 + self.w:
            return self.values[y - self.y0][x - self.x0]
        return 0.0


def _bounds(points, width, height, pad):
    xs = [p[0] for p in points]
    ys = [p[1] for p in points]
    x0 = max(0, int(math.floor(min(xs) - pad)))
    y0 = max(0, int(math.floor(min(ys) - pad)))
    x1 = min(width, int(math.ceil(max(xs) + pad)) + 1)
    y1 = min(height, int(math.ceil(max(ys) + pad)) + 1)
    return x0, y0, x1, y1


def polygon_coverage(polygons, width, height):
    """Coverage of a set of closed polygons under the non-zero winding rule
    (so sub-polygons of the same orientation form their union)."""
    if polygons and isinstance(polygons[0][0], (int, float)):
        polygons = [polygons]
    edges = []
    for poly in polygons:
        # Every sub-polygon counts as filled, whatever the order of its
        # points: the winding rule then yields the union of all of them.
        if _signed_area(poly) < 0:
            poly = poly[::-1]
        n = len(poly)
        for i in range(n):
            (ax, ay), (bx, by) = poly[i], poly[(i + 1) % n]
            if ay == by:
                continue
            direction = 1 if by > ay else -1
            if ay > by:
                ax, ay, bx, by = bx, by, ax, ay
            edges.append((ay, by, ax, (bx - ax) / (by - ay), direction))
    cover = Coverage(*_bounds([p for poly in polygons for p in poly], width, height, 1))
    step = 1.0 / SUB_ROWS
    for row_index, values in enumerate(cover.values):
        y = cover.y0 + row_index
        for k in range(SUB_ROWS):
            sy = y + (k + 0.5) * step
            crossings = [(ax + (sy - ay) * slope, d) for ay, by, ax, slope, d in edges if ay <= sy < by]
            if not crossings:
                continue
            crossings.sort()
            winding = 0
            start = 0.0
            for x, d in crossings:
                before = winding
                winding += d
                if before == 0 and winding != 0:
                    start = x
                elif before != 0 and winding == 0:
                    _add_span(values, start - cover.x0, x - cover.x0, step)
    return cover


def _signed_area(poly):
    return sum(ax * by - bx * ay for (ax, ay), (bx, by) in zip(poly, poly[1:] + poly[:1])) / 2.0


def _add_span(values, a, b, weight):
    n = len(values)
    a = max(a, 0.0)
    b = min(b, float(n))
    if b <= a:
        return
    ia, ib = int(a), int(b)
    if ia == ib:
        values[ia] += (b - a) * weight
        return
    values[ia] += (ia + 1 - a) * weight
    for i in range(ia + 1, min(ib, n)):
        values[i] += weight
    if ib < n:
        values[ib] += (b - ib) * weight


def stroke_coverage(points, line_width, width, height, closed=False, fade=None):
    """Coverage of a round-capped polyline of the given width, from the
    distance of each pixel centre to the line. fade(t), with t the position
    along the line from 0 to 1, scales the coverage (tapering trails)."""
    pts = list(points) + ([points[0]] if closed else [])
    half = line_width / 2.0
    reach = half + 1.0
    cover = Coverage(*_bounds(pts, width, height, reach))
    lengths = [0.0]
    for (ax, ay), (bx, by) in zip(pts, pts[1:]):
        lengths.append(lengths[-1] + math.hypot(bx - ax, by - ay))
    total = lengths[-1] or 1.0
    # Nearest distance (squared) and the position along the line there, per
    # pixel; each segment only visits the pixels within reach of it.
    best = [[reach * reach] * cover.w for _ in cover.values]
    where = [[-1.0] * cover.w for _ in cover.values]
    for s, ((ax, ay), (bx, by)) in enumerate(zip(pts, pts[1:])):
        dx, dy = bx - ax, by - ay
        ll = dx * dx + dy * dy
        x0 = max(cover.x0, int(math.floor(min(ax, bx) - reach)))
        x1 = min(cover.x0 + cover.w, int(math.ceil(max(ax, bx) + reach)) + 1)
        y0 = max(cover.y0, int(math.floor(min(ay, by) - reach)))
        y1 = min(cover.y0 + len(cover.values), int(math.ceil(max(ay, by) + reach)) + 1)
        for y in range(y0, y1):
            cy = y + 0.5
            row_best, row_where = best[y - cover.y0], where[y - cover.y0]
            for x in range(x0, x1):
                cx = x + 0.5
                t = 0.0 if ll == 0 else clamp(((cx - ax) * dx + (cy - ay) * dy) / ll)
                px, py = ax + dx * t - cx, ay + dy * t - cy
                d = px * px + py * py
                i = x - cover.x0
                if d < row_best[i]:
                    row_best[i] = d
                    row_where[i] = (lengths[s] + t * (lengths[s + 1] - lengths[s])) / total
    for row, (row_best, row_where) in enumerate(zip(best, where)):
        values = cover.values[row]
        for i, at in enumerate(row_where):
            if at < 0.0:
                continue
            a = clamp(half - math.sqrt(row_best[i]) + 0.5)
            values[i] = a * fade(at) if fade is not None else a
    return cover
