"""The skin's pictures.

One light, quiet paper tone behind every page, a glassy title strip, and a
dusk sky with the skin's twin jet for the pictures that carry the mood. Each
function returns a float RGB canvas of the picture's final size.
"""

import math

from canvas import Canvas, polygon_coverage
from colour import (AMBER, DEEP, GOLD, GOLD_DARK, NAVY, PAPER_LOW, SHADE, SILVER, SKY, STEEL, WHITE, clamp,
                    fractal_noise, grain, lerp, ramp, smoothstep, value_noise)
from geometry import (ENGINE_EXHAUSTS, aircraft_engines, aircraft_planform, circle, ellipse, rounded_rect, star,
                      transform)

# ---------------------------------------------------------------------------
# Shared tones


def paper(x, y, height=385.0):
    """The page background tone at a point: a soft light from the top left
    over a cool paper colour, with a trace of grain against banding."""
    base = lerp((246, 249, 253), PAPER_LOW, smoothstep(0.0, 1.0, y / height))
    glow = clamp(1.0 - math.hypot(x / 422.0, y / height) / 1.2) * 4.0
    # A breath warmer on the left, cooler on the right.
    warm = 1.0 - x / 422.0
    g = grain(x, y, 11) * 0.7
    return (base[0] + glow + warm * 3.0 + g, base[1] + glow + warm * 1.0 + g, base[2] + glow * 0.5 - warm + g)


# The paper tone where buttons usually sit: what their rounded corners show.
BUTTON_GROUND = (236, 241, 248)

_title_ramp = ramp([(0.0, (252, 253, 255)), (0.45, (230, 237, 247)), (1.0, (203, 217, 236))])
_title_sky = ramp([(0.0, (150, 188, 232)), (1.0, (64, 104, 162))])


def title_strip(x, y):
    """The title strip's tone: light glass on the left, where the window
    title is written in black, turning to sky blue towards the right end."""
    if y >= 25.0:  # below the visible strip: a short shadow band
        return lerp((150, 170, 200), (120, 140, 172), (y - 25.0) / 3.0)
    t = y / 24.0
    glass = _title_ramp(t)
    towards_sky = smoothstep(190.0, 400.0, x) * 0.92
    c = lerp(glass, _title_sky(t), towards_sky)
    # A sheen that catches the top of the glass.
    sheen = (1.0 - smoothstep(0.0, 7.0, y)) * 10.0 * (1.0 - towards_sky * 0.5)
    return (c[0] + sheen, c[1] + sheen, c[2] + sheen)


_dusk_sky = ramp([(0.0, (12, 24, 52)), (0.3, (30, 58, 108)), (0.58, (78, 122, 186)), (0.76, (164, 176, 204)),
                  (0.86, (246, 196, 146)), (0.9, (252, 222, 170))])


def dusk(y, horizon):
    """The sky of the mood pictures, from night blue down to a warm horizon."""
    return _dusk_sky(0.9 * y / horizon)


# ---------------------------------------------------------------------------
# Drawing helpers


def linear_paint(x0, y0, x1, y1, colour_ramp):
    dx, dy = x1 - x0, y1 - y0
    ll = dx * dx + dy * dy

    def paint(x, y):
        return colour_ramp(clamp(((x - x0) * dx + (y - y0) * dy) / ll))

    return paint


def radial_paint(cx, cy, r, colour_ramp):
    return lambda x, y: colour_ramp(clamp(math.hypot(x - cx, y - cy) / r))


def draw_aircraft(cv, cx, cy, half_length, angle, light, dark, outline=None, outline_opacity=0.6, engines=True,
                  spine=None, opacity=1.0):
    """The skin's jet, nose-up shape turned by angle (clockwise), its centre
    at (cx, cy), lit from the top left."""
    body = transform(aircraft_planform(), half_length, angle, cx, cy)
    parts = [body] + ([transform(p, half_length, angle, cx, cy) for p in aircraft_engines()] if engines else [])
    r = half_length
    cv.fill(parts, linear_paint(cx - r * 0.7, cy - r * 0.7, cx + r * 0.7, cy + r * 0.7,
                                ramp([(0.0, light), (1.0, dark)])), opacity)
    if spine is not None:
        cv.stroke(transform([(0.0, -0.82), (0.0, 0.8)], half_length, angle, cx, cy), max(1.0, r * 0.05), spine, 0.8)
    if outline is not None:
        cv.stroke(body, max(0.8, r * 0.03), outline, outline_opacity, closed=True)


def aircraft_point(x, y, half_length, angle, cx, cy):
    return transform([(x, y)], half_length, angle, cx, cy)[0]


def contrails(cv, cx, cy, half_length, angle, length, width, colour, opacity, bend=0.0):
    """Two trails from the engines, straight back along the aircraft's axis
    (bending by `bend` radians over their length), fading as they go."""
    for ex, ey in ENGINE_EXHAUSTS:
        sx, sy = aircraft_point(ex, ey + 0.1, half_length, angle, cx, cy)
        pts = [(sx, sy)]
        heading = angle
        step = length / 16.0
        for i in range(16):
            heading += bend / 16.0
            sx -= math.sin(heading) * step
            sy += math.cos(heading) * step
            pts.append((sx, sy))
        cv.stroke(pts, width * 2.2, colour, opacity * 0.35, fade=lambda t: (1.0 - t) ** 1.5)
        cv.stroke(pts, width, colour, opacity, fade=lambda t: (1.0 - t) ** 2)


def roundel(cv, cx, cy, r, aircraft_angle=math.radians(40)):
    """The skin's emblem: a gold-rimmed blue disc with the jet climbing across it."""
    cv.fill(circle(cx + r * 0.06, cy + r * 0.1, r + 0.6), NAVY, 0.22)
    cv.fill(circle(cx, cy, r), linear_paint(cx - r, cy - r, cx + r, cy + r,
                                            ramp([(0.0, (252, 226, 158)), (0.5, GOLD), (1.0, GOLD_DARK)])))
    inner = r * 0.8
    cv.fill(circle(cx, cy, inner), radial_paint(cx - inner * 0.35, cy - inner * 0.4, inner * 1.6,
                                                ramp([(0.0, (96, 142, 206)), (0.55, STEEL), (1.0, DEEP)])))
    draw_aircraft(cv, cx, cy, inner * 0.82, aircraft_angle, WHITE, (208, 218, 232), engines=r > 12)


def frame(cv, colour=NAVY, opacity=0.55):
    w, h = cv.width, cv.height
    cv.stroke([(0.5, 0.5), (w - 0.5, 0.5), (w - 0.5, h - 0.5), (0.5, h - 0.5)], 1.0, colour, opacity, closed=True)


def clouds(cv, top, bottom, seed, lit, shadow, amount=0.55):
    """Long thin evening clouds between two heights, lit from below."""

    def shade(x, y, old):
        band = smoothstep(top, top + 8.0, y) * (1.0 - smoothstep(bottom - 8.0, bottom, y))
        n = fractal_noise(x / 34.0, y / 7.0, seed, 4)
        density = clamp((n - 0.5) * 3.2) * band * amount
        if density <= 0.0:
            return old
        underside = clamp((fractal_noise(x / 34.0, (y + 3.0) / 7.0, seed, 4) - n) * 6.0 + 0.5)
        return lerp(old, lerp(shadow, lit, underside), density)

    cv.shade(shade, (0, int(top), cv.width, int(bottom) + 1))


# ---------------------------------------------------------------------------
# The pictures


def qform():
    w, h = 422, 385
    cv = Canvas(w, h)
    cv.shade(lambda x, y, _: paper(x, y, h))
    # A faint chart grid in the lower right: arcs of a globe seen from afar.
    cx, cy = 560.0, 560.0
    for r in range(170, 480, 38):
        pts = [(cx + r * math.cos(math.radians(a / 2.0)), cy + r * math.sin(math.radians(a / 2.0)))
               for a in range(360, 541)]
        cv.stroke(pts, 1.0, STEEL, 0.045)
    for a in range(190, 271, 12):
        ang = math.radians(a)
        cv.stroke([(cx + 120 * math.cos(ang), cy + 120 * math.sin(ang)),
                   (cx + 520 * math.cos(ang), cy + 520 * math.sin(ang))], 1.0, STEEL, 0.035)
    # The jet as a watermark, climbing out of the lower right corner.
    draw_aircraft(cv, 352, 300, 78, math.radians(38), STEEL, STEEL, opacity=0.06)
    return cv


def _title_base():
    """The strip without its decorations: glass, then the accent rule under
    it, amber fading in from the left over a steel line."""
    cv = Canvas(422, 28)
    cv.shade(lambda x, y, _: title_strip(x, y))
    cv.stroke([(0, 23.5), (422, 23.5)], 1.0, AMBER, 0.9, fade=lambda t: 0.35 + 0.65 * smoothstep(0.0, 0.5, t))
    cv.stroke([(0, 24.5), (422, 24.5)], 1.0, STEEL, 0.9)
    return cv


def top():
    cv = _title_base()
    # Speed lines and the jet in the sky-blue right end.
    for i, (y, x0, x1) in enumerate(((6.5, 240, 392), (11.5, 214, 330), (17.5, 258, 380), (20.5, 300, 350))):
        cv.stroke([(x0, y), (x1, y)], 1.0, WHITE, 0.28 if i % 2 == 0 else 0.18,
                  fade=lambda t: smoothstep(0.0, 0.6, t) * (1.0 - smoothstep(0.85, 1.0, t)))
    angle = math.radians(84)
    contrails(cv, 366.0, 12.0, 10.0, angle, 120.0, 0.9, WHITE, 0.55)
    draw_aircraft(cv, 366.0, 12.0, 10.0, angle, WHITE, (214, 226, 242), outline=NAVY, outline_opacity=0.35)
    return cv


def aircraft():
    # Lies over the left end of the strip, so it starts from the same pixels.
    cv = _title_base().crop(0, 0, 35, 28)
    roundel(cv, 15.5, 11.5, 10.0)
    return cv


def welcome():
    w, h = 110, 231
    horizon = 200.0
    cv = Canvas(w, h)

    def sky(x, y, _):
        c = dusk(y, horizon)
        # The sun has just set behind the right of the picture.
        glow = math.exp(-((x - 84.0) ** 2 / 900.0 + (y - horizon) ** 2 / 500.0))
        c = lerp(c, (255, 214, 150), glow * 0.65)
        g = grain(x, y, 3) * 1.2
        return (c[0] + g, c[1] + g, c[2] + g)

    cv.shade(sky)
    # A few stars high up.
    for i in range(14):
        sx = 4 + value_noise(i * 3.7, 0.5, 41) * 102
        sy = 4 + value_noise(i * 5.3, 9.5, 43) * 70
        cv.fill(circle(sx, sy, 0.55 + 0.35 * value_noise(i, 3.0, 45), 10), (232, 238, 255),
                0.9 * (1.0 - sy / 90.0))
    clouds(cv, 112, 196, 7, (255, 206, 170), (92, 100, 140), 0.7)
    # Hills and the airfield below the horizon.
    far = [(0, horizon + 4)] + [(x, horizon + 1 - 4 * fractal_noise(x / 18.0, 1.0, 21, 3)) for x in range(0, 111, 3)]
    cv.fill(far + [(110, 231), (0, 231)], (62, 66, 100))
    near = [(0, horizon + 7)] + [(x, horizon + 9 - 8 * fractal_noise(x / 24.0, 3.0, 23, 3)) for x in range(0, 111, 3)]
    cv.fill(near + [(110, 231), (0, 231)], linear_paint(0, horizon, 0, h, ramp([(0.0, (38, 44, 74)),
                                                                                (1.0, (16, 22, 42))])))
    # The runway, seen from its threshold, running to the horizon.
    far_y, near_y = horizon + 8.0, float(h)
    vanish_x = 40.0

    def runway_x(side, y):
        t = (y - far_y) / (near_y - far_y)
        return vanish_x + side * (2.0 + 26.0 * t)

    cv.fill([(runway_x(-1, far_y), far_y), (runway_x(1, far_y), far_y), (runway_x(1, near_y), near_y),
             (runway_x(-1, near_y), near_y)], (58, 62, 84), 0.9)
    for i in range(6):
        t = (i + 0.5) / 6.0
        y = far_y + (near_y - far_y) * t * t
        cv.stroke([(vanish_x, y), (vanish_x, y + 1.0 + 3.0 * t * t)], 0.5 + 0.6 * t, (230, 232, 240), 0.7)
    for side in (-1.0, 1.0):
        for i in range(8):
            t = (i / 7.0) ** 2
            y = far_y + (near_y - far_y) * t
            cv.fill(circle(runway_x(side, y) + side * 0.8, y, 0.5 + 0.9 * t, 12), (255, 214, 140), 0.95)
    # The jet climbing away, with its trails.
    cx, cy, size, angle = 58.0, 86.0, 33.0, math.radians(32)
    contrails(cv, cx, cy, size, angle, 110.0, 1.8, WHITE, 0.55, bend=math.radians(-14))
    draw_aircraft(cv, cx, cy, size, angle, (250, 252, 255), (150, 166, 196), outline=NAVY, outline_opacity=0.55,
                  spine=WHITE)
    frame(cv)
    return cv


def author():
    w, h = 153, 164
    cv = Canvas(w, h)
    cv.shade(lambda x, y, _: dusk(y, 230.0))
    clouds(cv, 96, 164, 13, (255, 214, 178), (104, 116, 160), 0.6)
    cx, cy, r = 76.5, 80.0, 63.0
    # Soft shadow, gold rim and the blue face of the badge.
    cv.fill(circle(cx + 2.0, cy + 3.5, r + 1.0), (6, 12, 30), 0.35)
    cv.fill(circle(cx, cy, r), linear_paint(cx - r, cy - r, cx + r, cy + r,
                                            ramp([(0.0, (255, 236, 176)), (0.45, GOLD), (1.0, GOLD_DARK)])))
    cv.stroke(circle(cx, cy, r - 0.5), 1.0, GOLD_DARK, 0.7, closed=True)
    face = r - 7.0
    cv.fill(circle(cx, cy, face), radial_paint(cx - 18.0, cy - 22.0, face * 1.7,
                                               ramp([(0.0, (84, 128, 194)), (0.5, DEEP), (1.0, NAVY)])))
    cv.stroke(circle(cx, cy, face), 1.2, (255, 240, 200), 0.5, closed=True)
    # Compass rose and bearing ticks on the face.
    for i in range(72):
        a = math.radians(i * 5)
        long_tick = i % 9 == 0
        r0 = face - (7.0 if long_tick else 3.5)
        cv.stroke([(cx + r0 * math.sin(a), cy - r0 * math.cos(a)),
                   (cx + (face - 1.5) * math.sin(a), cy - (face - 1.5) * math.cos(a))],
                  1.0 if long_tick else 0.7, SILVER, 0.8 if long_tick else 0.45)
    for k, length in ((0, 44.0), (1, 28.0)):
        for i in range(4):
            a = math.radians(i * 90 + k * 45)
            tip = (cx + length * math.sin(a), cy - length * math.cos(a))
            left = (cx + 6.0 * math.sin(a - math.pi / 2), cy - 6.0 * math.cos(a - math.pi / 2))
            right = (cx + 6.0 * math.sin(a + math.pi / 2), cy - 6.0 * math.cos(a + math.pi / 2))
            cv.fill([left, tip, (cx, cy)], (120, 160, 214), 0.45 if k == 0 else 0.3)
            cv.fill([(cx, cy), tip, right], (70, 108, 168), 0.45 if k == 0 else 0.3)
    # Three stars over the jet.
    for dx in (-16.0, 0.0, 16.0):
        cv.fill(star(cx + dx, cy - 33.0 + abs(dx) * 0.25, 4.2, 1.8), GOLD, 0.95)
    angle = math.radians(45)
    draw_aircraft(cv, cx + 2.0, cy + 4.0, 26.0, angle, WHITE, (160, 176, 204), outline=NAVY, outline_opacity=0.6,
                  spine=WHITE)
    frame(cv)
    return cv


def _button(w, h, ground, fill_ramp, border, highlight, shadow_top=0.0):
    cv = Canvas(w, h)
    cv.shade(lambda x, y, _: (ground[0] + grain(x, y, 5) * 0.6, ground[1] + grain(x, y, 5) * 0.6,
                              ground[2] + grain(x, y, 5) * 0.6))
    shape = rounded_rect(0.5, 0.5, w - 0.5, h - 0.5, 4.0)

    def face(x, y):
        c = fill_ramp(y / h)
        # A broad soft sheen across the middle, so the face is not flat.
        s = math.exp(-((x - w * 0.42) / (w * 0.55)) ** 2) * 5.0
        g = grain(x, y, 9) * 0.8
        return (c[0] + s + g, c[1] + s + g, c[2] + s * 0.6 + g)

    cv.fill(shape, face)
    if shadow_top > 0.0:
        cv.stroke([(3.0, 2.0), (w - 3.0, 2.0)], 1.5, NAVY, shadow_top)
        cv.stroke([(2.0, 3.0), (2.0, h - 4.0)], 1.0, NAVY, shadow_top * 0.5)
    else:
        cv.stroke([(3.5, 1.7), (w - 3.5, 1.7)], 1.0, WHITE, highlight)
        cv.stroke([(4.0, h - 1.9), (w - 4.0, h - 1.9)], 1.0, SHADE, 0.25)
    cv.stroke(shape, 1.0, border, 0.95, closed=True)
    return cv


def b1():
    return _button(64, 25, BUTTON_GROUND, ramp([(0.0, (255, 255, 255)), (0.5, (236, 242, 250)),
                                                (1.0, (212, 224, 241))]), (96, 122, 162), 0.9)


def b2():
    return _button(64, 25, BUTTON_GROUND, ramp([(0.0, (178, 196, 222)), (0.55, (202, 216, 236)),
                                                (1.0, (222, 232, 245))]), (44, 74, 124), 0.0, shadow_top=0.4)


def bv1():
    return _button(91, 21, BUTTON_GROUND, ramp([(0.0, (226, 238, 252)), (0.5, (186, 212, 244)),
                                                (1.0, (150, 188, 234))]), STEEL, 0.9)


def bv1a():
    return _button(91, 21, BUTTON_GROUND, ramp([(0.0, (132, 172, 224)), (0.6, (164, 198, 240)),
                                                (1.0, (186, 212, 244))]), DEEP, 0.0, shadow_top=0.4)


def bv2():
    return _button(91, 21, BUTTON_GROUND, ramp([(0.0, (255, 246, 226)), (0.5, (252, 220, 162)),
                                                (1.0, (244, 190, 112))]), GOLD_DARK, 0.9)


def bv2a():
    return _button(91, 21, BUTTON_GROUND, ramp([(0.0, (230, 168, 88)), (0.6, (246, 196, 126)),
                                                (1.0, (252, 214, 158))]), (120, 78, 24), 0.0, shadow_top=0.35)


def au():
    """Small author picture: a person on a blue tile."""
    cv = Canvas(16, 16, BUTTON_GROUND)
    tile = rounded_rect(0.5, 0.5, 15.5, 15.5, 3.0, 4)
    cv.fill(tile, linear_paint(0, 0, 0, 16, ramp([(0.0, SKY), (1.0, DEEP)])))
    body = polygon_coverage(ellipse(8.0, 16.5, 6.0, 5.5, 24), 16, 16)
    tile_cover = polygon_coverage(tile, 16, 16)
    for y, x0, values in body.rows():
        for i in range(len(values)):
            values[i] = min(values[i], tile_cover.at(x0 + i, y))
    cv.composite(body, SILVER)
    cv.fill(circle(8.0, 6.2, 3.0, 20), WHITE)
    cv.stroke(tile, 1.0, NAVY, 0.8, closed=True)
    return cv


def ie():
    """Small web picture: a globe."""
    cv = Canvas(16, 16, BUTTON_GROUND)
    cx, cy, r = 8.0, 8.0, 7.0
    cv.fill(circle(cx, cy, r, 32), radial_paint(5.5, 5.0, 11.0, ramp([(0.0, (176, 212, 250)), (0.5, SKY),
                                                                     (1.0, DEEP)])))
    for rx in (2.6, 5.4):
        cv.stroke(ellipse(cx, cy, rx, r - 0.3, 32), 0.8, WHITE, 0.55, closed=True)
    for dy in (-3.6, 0.0, 3.6):
        half = math.sqrt(max(0.0, r * r - dy * dy)) - 0.4
        cv.stroke([(cx - half, cy + dy), (cx + half, cy + dy)], 0.8, WHITE, 0.55)
    cv.stroke(circle(cx, cy, r, 32), 1.0, NAVY, 0.85, closed=True)
    return cv


def mappe_hvid():
    """Small white folder."""
    cv = Canvas(15, 13, BUTTON_GROUND)
    back = [(0.5, 2.0), (5.0, 2.0), (6.5, 3.5), (14.5, 3.5), (14.5, 12.5), (0.5, 12.5)]
    cv.fill(back, (222, 228, 238))
    cv.stroke(back, 1.0, SHADE, 0.95, closed=True)
    front = [(0.5, 5.5), (14.5, 5.5), (14.5, 12.5), (0.5, 12.5)]
    cv.fill(front, linear_paint(0, 5, 0, 13, ramp([(0.0, WHITE), (1.0, (236, 240, 247))])))
    cv.stroke(front, 1.0, SHADE, 0.95, closed=True)
    return cv


def main_icon():
    """The 32 x 32 program icon; returns the canvas and its coverage (the
    part that is not transparent)."""
    cv = Canvas(32, 32, NAVY)
    roundel(cv, 16.0, 16.0, 15.2, math.radians(40))
    return cv, polygon_coverage(circle(16.0, 16.0, 15.2), 32, 32)


