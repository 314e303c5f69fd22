"""Writes colouring pages made the way published line-art templates are: closed shapes (circles,
ellipses, wavy blobs, rotated polygons and stars) outlined with 1- or 2-pixel anti-aliased lines
(drawn at several times the size and reduced with a box filter), at sizes from 0.9 to 7 times
the 572 x 452 canvas, some as black lines on a transparent background. Each "gap" page is a
hand-drawn version of a closed one whose outlines have openings of a few pixels; its closed
twin is written beside it.

pages.txt lists, one page a line, "page NAME CLOSED_NAME GAP" (CLOSED_NAME is NAME for a closed
page; GAP is the opening in source pixels, 0 for none), followed by that page's clicks as
"click X Y" (source pixels, y from the top): points well inside the shapes.

Deterministic; skips the work when pages.txt is already there.

Usage: /usr/bin/python3 make_line_art.py DEST [SIZES]
       SIZES: comma-separated page sizes, each in canvas widths (1.6) or in pixels (608x472);
       default 0.9,1.06,1.6,2.5,4,7
"""
import math
import os
import random
import sys

from PIL import Image, ImageDraw

CANVAS = (572, 452)


def shape_points(rnd, cx, cy, r, kind):
    """The outline of one shape as a closed list of points, in page pixels."""
    if kind == "ellipse":
        a, b, tilt = r, r * rnd.uniform(0.5, 1.0), rnd.uniform(0, math.pi)
        pts = [(a * math.cos(t), b * math.sin(t)) for t in (i * 2 * math.pi / 180 for i in range(180))]
        return [(cx + x * math.cos(tilt) - y * math.sin(tilt), cy + x * math.sin(tilt) + y * math.cos(tilt))
                for x, y in pts]
    if kind == "blob":
        k, amp, phase = rnd.randrange(3, 7), rnd.uniform(0.1, 0.25), rnd.uniform(0, 6.3)
        return [(cx + r * (1 + amp * math.sin(k * t + phase)) * math.cos(t),
                 cy + r * (1 + amp * math.sin(k * t + phase)) * math.sin(t))
                for t in (i * 2 * math.pi / 240 for i in range(240))]
    if kind == "star":
        n, rot = rnd.randrange(5, 8), rnd.uniform(0, math.pi)
        return [(cx + (r if i % 2 == 0 else r * 0.55) * math.cos(rot + i * math.pi / n),
                 cy + (r if i % 2 == 0 else r * 0.55) * math.sin(rot + i * math.pi / n)) for i in range(2 * n)]
    n, rot = rnd.randrange(3, 7), rnd.uniform(0, math.pi)
    return [(cx + r * math.cos(rot + i * 2 * math.pi / n), cy + r * math.sin(rot + i * 2 * math.pi / n))
            for i in range(n)]


def inner_points(rnd, cx, cy, r, kind):
    """Clicks well inside the shape: its centre and points near it."""
    reach = 0.35 if kind in ("star", "polygon") else 0.5
    return [(cx, cy)] + [(cx + rnd.uniform(-reach, reach) * r, cy + rnd.uniform(-reach, reach) * r)
                         for _ in range(2)]


def with_gaps(rnd, points, gap):
    """The closed outline cut into strokes with an opening of `gap` page pixels between them."""
    closed = points + [points[0]]
    lengths = [math.dist(closed[i], closed[i + 1]) for i in range(len(points))]
    total = sum(lengths)
    cuts = sorted(rnd.uniform(0, total) for _ in range(rnd.randrange(1, 4)))
    strokes, current, walked = [], [closed[0]], 0.0
    for i in range(len(points)):
        a, b, seg = closed[i], closed[i + 1], lengths[i]
        while cuts and walked <= cuts[0] < walked + seg:
            t0 = (cuts[0] - walked) / seg
            t1 = min(1.0, t0 + gap / seg)
            current.append((a[0] + (b[0] - a[0]) * t0, a[1] + (b[1] - a[1]) * t0))
            strokes.append(current)
            current = [(a[0] + (b[0] - a[0]) * t1, a[1] + (b[1] - a[1]) * t1)]
            cuts.pop(0)
        current.append(b)
        walked += seg
    strokes.append(current)
    return strokes


def draw_page(size, strokes_list, line, transparent):
    factor = 4 if size[0] <= 2500 else 2
    big = Image.new("L", (size[0] * factor, size[1] * factor), 255)
    draw = ImageDraw.Draw(big)
    for strokes in strokes_list:
        for stroke in strokes:
            draw.line([(x * factor, y * factor) for x, y in stroke], fill=0, width=line * factor, joint="curve")
    grey = big.reduce(factor)
    if not transparent:
        return grey.convert("RGB")
    # Black ink whose coverage is the alpha, as a template exported with a transparent background.
    page = Image.new("RGBA", size, (0, 0, 0, 0))
    page.putalpha(grey.point(lambda v: 255 - v))
    return page


def make_page(rnd, size, count_hint):
    width, height = size
    unit = min(width, height)
    shapes = []
    for _ in range(count_hint * 4):
        if len(shapes) == count_hint:
            break
        r = unit * rnd.uniform(0.06, 0.2)
        cx, cy = rnd.uniform(r + 4, width - r - 4), rnd.uniform(r + 4, height - r - 4)
        # Shapes side by side, not overlapping, so that each click has a shape of its own.
        if all(math.dist((cx, cy), (ox, oy)) > r + orr + 6 for ox, oy, orr, _ in shapes):
            shapes.append((cx, cy, r, rnd.choice(["ellipse", "blob", "star", "polygon"])))
    return shapes


def main():
    dest = sys.argv[1]
    sizes = (sys.argv[2] if len(sys.argv) > 2 else "0.9,1.06,1.6,2.5,4,7").split(",")
    manifest = os.path.join(dest, "pages.txt")
    if os.path.exists(manifest):
        return
    os.makedirs(dest, exist_ok=True)
    rnd = random.Random(22)
    lines = []
    for i, given in enumerate(sizes):
        if "x" in given:
            size = tuple(int(v) for v in given.split("x"))
        else:
            scale = float(given)
            size = (round(CANVAS[0] * scale), round(CANVAS[1] * scale * rnd.uniform(0.9, 1.1)))
        shapes = make_page(rnd, size, 14)
        outlines = [shape_points(rnd, cx, cy, r, kind) for cx, cy, r, kind in shapes]
        clicks = [p for cx, cy, r, kind in shapes for p in inner_points(rnd, cx, cy, r, kind)]
        for line in (1, 2):
            name = "art%02d-%d.png" % (i, line)
            transparent = (i + line) % 2 == 0
            draw_page(size, [[o + [o[0]]] for o in outlines], line, transparent).save(os.path.join(dest, name))
            lines.append("page %s %s 0" % (name, name))
            lines += ["click %d %d" % (x, y) for x, y in clicks]
        # Hand-drawn pages: openings of 1 to 4 canvas pixels, scaled to the page.
        gap = 1 + i % 4
        name = "gap%02d.png" % i
        fitted = min(CANVAS[0] / size[0], CANVAS[1] / size[1])
        draw_page(size, [with_gaps(rnd, o, gap / fitted) for o in outlines], 1, False).save(
            os.path.join(dest, name))
        lines.append("page %s art%02d-1.png %d" % (name, i, gap))
        lines += ["click %d %d" % (x, y) for x, y in clicks]
    with open(manifest, "w") as out:
        out.write("\n".join(lines) + "\n")


if __name__ == "__main__":
    main()
