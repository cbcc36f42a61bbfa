"""Reduces a picture to a palette of an exact number of colours.

Median cut over the picture's colours (weighted by how often they occur)
picks the palette; every pixel then takes its nearest entry. Ties are broken
by the colour values themselves, so the result never depends on dict or sort
order accidents.
"""

from collections import Counter


def _channel_ranges(box):
    return [max(c[k] for c, _ in box) - min(c[k] for c, _ in box) for k in range(3)]


def _score(box):
    return max(_channel_ranges(box)) * sum(n for _, n in box)


def _split(box):
    ranges = _channel_ranges(box)
    k = ranges.index(max(ranges))
    box = sorted(box, key=lambda e: (e[0][k], e[0]))
    half = sum(n for _, n in box) / 2.0
    seen = 0
    for i, (_, n) in enumerate(box):
        seen += n
        if seen >= half:
            cut = min(max(i + 1, 1), len(box) - 1)
            return box[:cut], box[cut:]
    return box[:-1], box[-1:]


def _mean(box):
    total = sum(n for _, n in box)
    return tuple(int(sum(c[k] * n for c, n in box) / total + 0.5) for k in range(3))


def palette_for(rows, count):
    """The median-cut palette of exactly `count` distinct colours."""
    counts = Counter(p for row in rows for p in row)
    if len(counts) < count:
        raise ValueError(f"picture has {len(counts)} colours, fewer than its palette of {count}")
    scored = [(_score(b), b) for b in [sorted(counts.items())]]
    while len(scored) < count:
        best = max((e for e in scored if len(e[1]) > 1), key=lambda e: (e[0], e[1][0][0]))
        scored.remove(best)
        scored.extend((_score(b), b) for b in _split(best[1]))
    boxes = [b for _, b in scored]
    palette = []
    taken = set()
    for box in sorted(boxes, key=lambda b: b[0][0]):
        colour = _mean(box)
        # Two boxes may average to the same colour: take the box's most
        # frequent colour that is still free instead, so the entries stay distinct.
        if colour in taken:
            for candidate, _ in sorted(box, key=lambda e: (-e[1], e[0])):
                if candidate not in taken:
                    colour = candidate
                    break
        taken.add(colour)
        palette.append(colour)
    # Dark to light: the order of a palette is free, a sorted one is easy to read.
    return sorted(palette, key=lambda c: (c[0] * 299 + c[1] * 587 + c[2] * 114, c))


def _nearest(palette, c, memo):
    hit = memo.get(c)
    if hit is None:
        r, g, b = c
        best = None
        for i, (pr, pg, pb) in enumerate(palette):
            d = 3 * (pr - r) ** 2 + 4 * (pg - g) ** 2 + 2 * (pb - b) ** 2
            if best is None or d < best[0]:
                best = (d, i)
        hit = best[1]
        memo[c] = hit
    return hit


def _error(a, b):
    return 3 * (a[0] - b[0]) ** 2 + 4 * (a[1] - b[1]) ** 2 + 2 * (a[2] - b[2]) ** 2


def _use_every_entry(palette, rows):
    """Maps every pixel to its nearest entry. An entry that no pixel chose is
    moved onto the worst-served colour, until every entry is in use: the
    table then holds its full count of colours that the picture shows."""
    palette = list(palette)
    colours = sorted({p for row in rows for p in row})
    for _ in range(len(palette)):
        memo = {}
        chosen = {c: _nearest(palette, c, memo) for c in colours}
        unused = [i for i in range(len(palette)) if i not in set(chosen.values())]
        if not unused:
            break
        taken = set(palette)
        worst = sorted((c for c in colours if c not in taken), key=lambda c: (-_error(c, palette[chosen[c]]), c))
        for i, c in zip(unused, worst):
            palette[i] = c
    memo = {}
    return palette, [[_nearest(palette, p, memo) for p in row] for row in rows]


def quantize(rows, count, dither=0.0):
    """Returns (palette, index rows). dither in [0, 1] scales Floyd-Steinberg
    error diffusion (0 maps every pixel to its nearest entry)."""
    palette = palette_for(rows, count)
    memo = {}
    height, width = len(rows), len(rows[0])
    if dither <= 0.0:
        return _use_every_entry(palette, rows)
    work = [[list(p) for p in row] for row in rows]
    out = []
    for y in range(height):
        line = []
        for x in range(width):
            want = tuple(min(255, max(0, int(v + 0.5))) for v in work[y][x])
            i = _nearest(palette, want, memo)
            line.append(i)
            err = [(work[y][x][k] - palette[i][k]) * dither for k in range(3)]
            for dx, dy, w in ((1, 0, 7), (-1, 1, 3), (0, 1, 5), (1, 1, 1)):
                tx, ty = x + dx, y + dy
                if 0 <= tx < width and ty < height:
                    cell = work[ty][tx]
                    for k in range(3):
                        cell[k] += err[k] * w / 16.0
        out.append(line)
    return palette, out
