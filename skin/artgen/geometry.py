"""Outlines for the rasteriser: curves, round shapes and the skin's aircraft."""

import math


def bezier(p0, p1, p2, p3, steps=12):
    """Points of a cubic curve, without its first point."""
    out = []
    for i in range(1, steps + 1):
        t = i / steps
        u = 1.0 - t
        a, b, c, d = u * u * u, 3 * u * u * t, 3 * u * t * t, t * t * t
        out.append((a * p0[0] + b * p1[0] + c * p2[0] + d * p3[0], a * p0[1] + b * p1[1] + c * p2[1] + d * p3[1]))
    return out


def ellipse(cx, cy, rx, ry, segments=64, rotation=0.0):
    cr, sr = math.cos(rotation), math.sin(rotation)
    pts = []
    for i in range(segments):
        a = 2.0 * math.pi * i / segments
        x, y = rx * math.cos(a), ry * math.sin(a)
        pts.append((cx + x * cr - y * sr, cy + x * sr + y * cr))
    return pts


def circle(cx, cy, r, segments=None):
    return ellipse(cx, cy, r, r, segments or max(24, int(r * 6)))


def rounded_rect(x0, y0, x1, y1, r, segments=8):
    """A rectangle with quarter-circle corners of radius r."""
    pts = []
    corners = ((x1 - r, y0 + r, -90), (x1 - r, y1 - r, 0), (x0 + r, y1 - r, 90), (x0 + r, y0 + r, 180))
    for cx, cy, start in corners:
        for i in range(segments + 1):
            a = math.radians(start + 90.0 * i / segments)
            pts.append((cx + r * math.cos(a), cy + r * math.sin(a)))
    return pts


def star(cx, cy, outer, inner, points=5, rotation=-math.pi / 2):
    pts = []
    for i in range(points * 2):
        r = outer if i % 2 == 0 else inner
        a = rotation + math.pi * i / points
        pts.append((cx + r * math.cos(a), cy + r * math.sin(a)))
    return pts


def transform(points, scale=1.0, angle=0.0, dx=0.0, dy=0.0, sx=None, sy=None):
    """Scales (sx, sy default to scale), rotates by angle (radians,
    clockwise on screen) and moves a list of points."""
    sx = scale if sx is None else sx
    sy = scale if sy is None else sy
    ca, sa = math.cos(angle), math.sin(angle)
    return [(dx + x * sx * ca - y * sy * sa, dy + x * sx * sa + y * sy * ca) for x, y in points]


def _mirror(half):
    """Closes a right-hand half outline (nose to tail) into a full one."""
    return half + [(-x, y) for x, y in reversed(half) if x != 0.0]


def aircraft_planform():
    """The skin's aircraft seen from above: a swept-wing twin jet, nose up,
    nose at y = -1, tail at y = +1, wing tips at x = +-0.96."""
    half = [(0.0, -1.0)]
    half += bezier((0.0, -1.0), (0.05, -0.99), (0.085, -0.9), (0.085, -0.74), 8)
    half += [(0.085, -0.2)]
    half += [(0.9, 0.2)]
    half += bezier((0.9, 0.2), (0.95, 0.22), (0.97, 0.27), (0.93, 0.3), 4)
    half += [(0.34, 0.18), (0.085, 0.16)]
    half += [(0.065, 0.62)]
    half += [(0.36, 0.82)]
    half += bezier((0.36, 0.82), (0.39, 0.84), (0.39, 0.9), (0.35, 0.91), 3)
    half += [(0.05, 0.89)]
    half += bezier((0.05, 0.89), (0.04, 0.95), (0.02, 1.0), (0.0, 1.0), 4)
    return _mirror(half)


def aircraft_engines():
    """The two engine pods under the wings, in planform coordinates."""
    return [rounded_rect(x - 0.055, -0.2, x + 0.055, 0.06, 0.05, 4) for x in (-0.36, 0.36)]


ENGINE_EXHAUSTS = ((-0.36, 0.2), (0.36, 0.2))
