"""Colours of the skin, colour ramps and a deterministic value noise.

Everything here is plain float arithmetic (no libm transcendental calls in
the noise), so the pictures come out bit-identical on every machine.
"""

# The skin's colours. Every picture takes its tones from this one set so the
# pieces read as one hand's work.
NAVY = (20, 38, 72)
DEEP = (32, 58, 104)
STEEL = (58, 98, 156)
SKY = (118, 164, 218)
PAPER_LOW = (229, 236, 245)
WHITE = (255, 255, 255)
SILVER = (214, 222, 233)
SHADE = (128, 146, 172)
AMBER = (242, 164, 72)
GOLD = (226, 184, 96)
GOLD_DARK = (150, 104, 40)


def clamp(v, lo=0.0, hi=1.0):
    return lo if v < lo else hi if v > hi else v


def smoothstep(e0, e1, x):
    t = clamp((x - e0) / (e1 - e0))
    return t * t * (3.0 - 2.0 * t)


def lerp(a, b, t):
    return (a[0] + (b[0] - a[0]) * t, a[1] + (b[1] - a[1]) * t, a[2] + (b[2] - a[2]) * t)


def scale(c, k):
    return (c[0] * k, c[1] * k, c[2] * k)


def add(c, d):
    return (c[0] + d[0], c[1] + d[1], c[2] + d[2])


def ramp(stops):
    """A colour ramp: stops are (position, colour) with ascending positions;
    the returned function maps a position to the interpolated colour."""
    stops = list(stops)

    def at(t):
        if t <= stops[0][0]:
            return stops[0][1]
        for (p0, c0), (p1, c1) in zip(stops, stops[1:]):
            if t <= p1:
                return lerp(c0, c1, smoothstep(0.0, 1.0, (t - p0) / (p1 - p0)))
        return stops[-1][1]

    return at


def _hash(ix, iy, seed):
    # 32-bit integer mix; the same everywhere because it is integer only.
    h = (ix * 374761393 + iy * 668265263 + seed * 2246822519) & 0xFFFFFFFF
    h = ((h ^ (h >> 13)) * 1274126177) & 0xFFFFFFFF
    h ^= h >> 16
    return (h & 0xFFFFFF) / float(0xFFFFFF)


def value_noise(x, y, seed=0):
    """Smooth value noise in [0, 1] with unit cell size."""
    ix = int(x // 1)
    iy = int(y // 1)
    fx = x - ix
    fy = y - iy
    sx = fx * fx * (3.0 - 2.0 * fx)
    sy = fy * fy * (3.0 - 2.0 * fy)
    a = _hash(ix, iy, seed)
    b = _hash(ix + 1, iy, seed)
    c = _hash(ix, iy + 1, seed)
    d = _hash(ix + 1, iy + 1, seed)
    top = a + (b - a) * sx
    bottom = c + (d - c) * sx
    return top + (bottom - top) * sy


def fractal_noise(x, y, seed=0, octaves=4):
    """Sum of value-noise octaves, normalised to [0, 1]."""
    total = 0.0
    amplitude = 1.0
    norm = 0.0
    for o in range(octaves):
        total += value_noise(x, y, seed + o * 101) * amplitude
        norm += amplitude
        amplitude *= 0.5
        x *= 2.0
        y *= 2.0
    return total / norm


def grain(x, y, seed=0):
    """Per-pixel grain in [-1, 1]: breaks up banding in smooth ramps."""
    return _hash(int(x), int(y), seed + 7777) * 2.0 - 1.0
