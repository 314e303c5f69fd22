#!/usr/bin/python3
"""Draws every bitmap of the Kolo board and writes them as 24-bit BMP files.

Run with Debian's /usr/bin/python3 and python3-pil:  /usr/bin/python3 resources/generate_art.py
The output is deterministic (seeded grain, fixed fonts from fonts-dejavu-core), and the
generated files are committed beside this script so that a build needs no Python.

The board's size is read from board/BoardLayout.h; the other layout facts the board code
relies on are repeated here as constants. The palette is drawn last and exactly: 12 x 11 cells of 11 x 11 pixels on 1-pixel pure black lines, cell k of
colour (255 - 51*(k div 36), 255 - 51*((k div 6) mod 6), 255 - 51*(k mod 6)). Pure black
appears nowhere else inside the palette rectangle.

The cursor has no alpha channel in a 24-bit file: pure magenta (255, 0, 255) marks its
transparent pixels, and its hot spot (0, 66) is where the brush tip touches the paper.
"""

import os
import random
import re
import sys

from PIL import Image, ImageDraw, ImageFont

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "bitmaps")
ICONS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "icons")
FONT_BOLD = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"
FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"


def board_constant(name):
    """An integer constant of the board's layout, read from board/BoardLayout.h."""
    path = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "board", "BoardLayout.h")
    with open(path, encoding="utf-8") as layout:
        match = re.search(r"\b%s = (\d+);" % name, layout.read())
    if match is None:
        sys.exit("%s is not in %s" % (name, path))
    return int(match.group(1))


SCREEN = (board_constant("kBoardWidth"), board_constant("kBoardHeight"))
CANVAS = (31, 155, 603, 607)
THUMB = (641, 197, 815, 355)
SWATCH = (744, 445, 796, 482)
PALETTE = (651, 492, 796, 625)
SWATCH_COLOUR = (255, 0, 132)

# id, name, rectangle (left, top, right, bottom), normal, pressed, disabled face ids
BUTTONS = [
    (101, "undo", (45, 85, 169, 137), 204, 211, 210),
    (102, "redo", (179, 85, 310, 119), 209, 208, 207),
    (104, "print", (318, 84, 451, 133), 206, 205, None),
    (105, "exit", (461, 85, 564, 119), 212, 203, None),
    (106, "previous", (673, 370, 706, 403), 220, 223, None),
    (107, "next", (751, 370, 784, 403), 222, 221, None),
]

CANVAS_LIP = 7      # pixels of the canvas frame drawn inside the canvas rectangle
CANVAS_FRAME = 16   # pixels of wood outside it
THUMB_LIP = 4
THUMB_FRAME = 10
SUPER = 4           # supersampling factor for smooth edges
MAGENTA = (255, 0, 255)


def font(size, bold=True):
    return ImageFont.truetype(FONT_BOLD if bold else FONT, size)


def clamp(v):
    return max(0, min(255, int(round(v))))


def mix(a, b, t):
    return tuple(clamp(a[i] + (b[i] - a[i]) * t) for i in range(3))


def smooth_mask(size, draw_fn):
    """An anti-aliased mask: draw_fn draws on a SUPER-times larger L image."""
    big = Image.new("L", (size[0] * SUPER, size[1] * SUPER), 0)
    draw_fn(ImageDraw.Draw(big), SUPER)
    return big.resize(size, Image.LANCZOS)


def paste_shape(img, box, colour, draw_fn):
    """Fills the shape that draw_fn outlines (in box-local, supersampled coordinates)."""
    w, h = box[2] - box[0], box[3] - box[1]
    mask = smooth_mask((w, h), draw_fn)
    img.paste(colour, (box[0], box[1], box[2], box[3]), mask)


def rounded(img, box, radius, colour):
    w, h = box[2] - box[0], box[3] - box[1]
    paste_shape(img, box, colour, lambda d, s: d.rounded_rectangle(
        (0, 0, w * s - 1, h * s - 1), radius * s, fill=255))


def text_centre(img, centre, text, size, colour, bold=True, outline=None):
    d = ImageDraw.Draw(img)
    f = font(size, bold)
    if outline is not None:
        d.text(centre, text, font=f, fill=outline, anchor="mm", stroke_width=2,
               stroke_fill=outline)
    d.text(centre, text, font=f, fill=colour, anchor="mm")


# ---------------------------------------------------------------- background and wood

def background():
    rnd = random.Random(7)
    img = Image.new("RGB", SCREEN)
    top, bottom = (150, 210, 245), (205, 236, 252)
    px = img.load()
    for y in range(SCREEN[1]):
        c = mix(top, bottom, y / (SCREEN[1] - 1))
        for x in range(SCREEN[0]):
            px[x, y] = c
    d = ImageDraw.Draw(img)
    # Soft confetti dots, kept away from the working areas by the panels drawn over them.
    dots = [(255, 190, 200), (255, 230, 150), (190, 240, 190), (215, 200, 250), (255, 255, 235)]
    for _ in range(140):
        x, y = rnd.randrange(0, SCREEN[0]), rnd.randrange(0, SCREEN[1])
        r = rnd.choice((2, 3, 3, 4))
        d.ellipse((x - r, y - r, x + r, y + r), fill=rnd.choice(dots))
    return img


def wood_texture(size, seed, base=(176, 116, 62)):
    rnd = random.Random(seed)
    w, h = size
    img = Image.new("RGB", size)
    px = img.load()
    phases = [rnd.uniform(0, 6.28) for _ in range(4)]
    import math
    for y in range(h):
        for x in range(w):
            g = (math.sin((x * 0.05 + math.sin(y * 0.021 + phases[0]) * 2.5) + phases[1]) * 0.5
                 + math.sin(x * 0.31 + y * 0.013 + phases[2]) * 0.18
                 + math.sin(y * 0.11 + x * 0.007 + phases[3]) * 0.1)
            k = 1.0 + g * 0.12
            px[x, y] = (clamp(base[0] * k), clamp(base[1] * k), clamp(base[2] * k))
    return img


def wooden_frame(img, inner, outer_width, lip, seed):
    """A bevelled wooden frame whose opening is `inner` shrunk by `lip` pixels."""
    l, t, r, b = inner
    ol, ot, orr, ob = l - outer_width, t - outer_width, r + outer_width, b + outer_width
    wood = wood_texture((orr - ol, ob - ot), seed)
    mask = Image.new("L", wood.size, 0)
    md = ImageDraw.Draw(mask)
    md.rounded_rectangle((0, 0, wood.size[0] - 1, wood.size[1] - 1), 10, fill=255)
    md.rectangle((outer_width + lip, outer_width + lip,
                  wood.size[0] - outer_width - lip - 1, wood.size[1] - outer_width - lip - 1),
                 fill=0)
    # Drop shadow under the frame.
    shadow = Image.new("L", wood.size, 0)
    ImageDraw.Draw(shadow).rounded_rectangle((0, 0, wood.size[0] - 1, wood.size[1] - 1), 10,
                                             fill=70)
    img.paste((60, 90, 120), (ol + 4, ot + 5), shadow)
    img.paste(wood, (ol, ot), mask)
    d = ImageDraw.Draw(img)
    # Bevels: light on the outer top-left, dark on the outer bottom-right, reversed inside.
    light, dark = (222, 170, 112), (112, 66, 30)
    d.line((ol + 6, ot + 1, orr - 7, ot + 1), fill=light, width=2)
    d.line((ol + 1, ot + 6, ol + 1, ob - 7), fill=light, width=2)
    d.line((ol + 6, ob - 2, orr - 7, ob - 2), fill=dark, width=2)
    d.line((orr - 2, ot + 6, orr - 2, ob - 7), fill=dark, width=2)
    il, it, ir, ib = l + lip - 1, t + lip - 1, r - lip, b - lip
    d.line((il - 1, it - 1, ir, it - 1), fill=dark, width=2)
    d.line((il - 1, it - 1, il - 1, ib), fill=dark, width=2)
    d.line((il, ib + 1, ir + 1, ib + 1), fill=light, width=2)
    d.line((ir + 1, it, ir + 1, ib + 1), fill=light, width=2)


def panel(img, box, fill, edge):
    rounded(img, (box[0] + 3, box[1] + 4, box[2] + 3, box[3] + 4), 18, (110, 150, 190))
    rounded(img, box, 18, edge)
    rounded(img, (box[0] + 3, box[1] + 3, box[2] - 3, box[3] - 3), 15, fill)


# ---------------------------------------------------------------- buttons

BUTTON_STYLE = {
    "undo": ((255, 152, 40), "Undo"),
    "redo": ((60, 150, 235), "Redo"),
    "print": ((70, 185, 90), "Print"),
    "exit": ((235, 75, 75), "Exit"),
    "previous": ((250, 200, 40), None),
    "next": ((250, 200, 40), None),
}


def draw_undo_glyph(d, cx, cy, colour, mirror=False):
    """A curved arrow: undo points left, redo (mirror) points right."""
    s = -1 if mirror else 1
    box = (cx - 9, cy - 7, cx + 9, cy + 11)
    d.arc(box, 200, 360, fill=colour, width=4) if not mirror else d.arc(box, 180, 340,
                                                                        fill=colour, width=4)
    tip_x = cx - 9 * s
    d.polygon([(tip_x - 7 * s, cy + 1), (tip_x + 5 * s, cy - 6), (tip_x + 5 * s, cy + 7)],
              fill=colour)


def draw_printer_glyph(d, cx, cy, colour, paper):
    d.rectangle((cx - 7, cy - 12, cx + 7, cy - 3), fill=paper, outline=colour)
    d.rounded_rectangle((cx - 13, cy - 4, cx + 13, cy + 7), 3, fill=colour)
    d.rectangle((cx - 7, cy + 3, cx + 7, cy + 12), fill=paper, outline=colour)
    d.line((cx - 4, cy + 7, cx + 4, cy + 7), fill=colour)


def draw_door_glyph(d, cx, cy, colour):
    d.rectangle((cx - 7, cy - 10, cx + 5, cy + 10), outline=colour, width=3)
    d.polygon([(cx + 12, cy), (cx + 4, cy - 6), (cx + 4, cy + 6)], fill=colour)
    d.line((cx - 2, cy, cx + 5, cy), fill=colour, width=3)


def button_face(bg, name, state, worded=True):
    """state: 'normal', 'pressed' or 'disabled'. bg is the skin under the button. Without
    words, the glyph stands at a fixed place on the left and the rest is left for the label the
    program draws in the user's language (BUTTON_LABEL_BOXES)."""
    img = bg.copy()
    w, h = img.size
    base, label = BUTTON_STYLE[name]
    if state == "disabled":
        grey = sum(base) // 3
        base = mix((grey, grey, grey), (215, 215, 215), 0.55)
    if state == "pressed":
        base = mix(base, (0, 0, 0), 0.22)
    round_button = name in ("previous", "next")
    radius = h // 2 if not round_button else w // 2
    shadow_drop = 0 if state == "pressed" else 3
    push = 2 if state == "pressed" else 0
    body = (1, 1 + push, w - 1, h - 1 - shadow_drop + push)
    shape = (lambda d, s, bx=body: d.ellipse(
        (bx[0] * s, bx[1] * s, bx[2] * s - 1, bx[3] * s - 1), fill=255)) if round_button \
        else (lambda d, s, bx=body: d.rounded_rectangle(
            (bx[0] * s, bx[1] * s, bx[2] * s - 1, bx[3] * s - 1), radius * s, fill=255))
    if shadow_drop:
        shade = Image.new("L", (w, h), 0)
        m = smooth_mask((w, h), lambda d, s, bx=body: (d.ellipse if round_button else
                        lambda r, **k: d.rounded_rectangle(r, radius * s, **k))(
            (bx[0] * s, (bx[1] + shadow_drop) * s, bx[2] * s - 1, (bx[3] + shadow_drop) * s - 1),
            fill=255))
        shade.paste(m)
        img.paste(mix(base, (0, 0, 0), 0.45) if state != "disabled" else (150, 150, 150),
                  (0, 0), shade)
    edge = mix(base, (0, 0, 0), 0.35)
    m = smooth_mask((w, h), shape)
    img.paste(edge, (0, 0), m)
    inner = (body[0] + 2, body[1] + 2, body[2] - 2, body[3] - 2)
    m = smooth_mask((w, h), (lambda d, s, bx=inner: d.ellipse(
        (bx[0] * s, bx[1] * s, bx[2] * s - 1, bx[3] * s - 1), fill=255)) if round_button
        else (lambda d, s, bx=inner: d.rounded_rectangle(
            (bx[0] * s, bx[1] * s, bx[2] * s - 1, bx[3] * s - 1), (radius - 2) * s, fill=255)))
    img.paste(base, (0, 0), m)
    d = ImageDraw.Draw(img)
    # A gloss band on the upper half of raised faces; a pressed face is lit from below.
    gloss_y = inner[1] + 2 if state != "pressed" else (inner[1] + inner[3]) // 2 + 2
    if not round_button:
        d.rounded_rectangle((inner[0] + radius // 2, gloss_y, inner[2] - radius // 2,
                             gloss_y + max(3, (inner[3] - inner[1]) // 6)),
                            2, fill=mix(base, (255, 255, 255), 0.35 if state != "pressed" else 0.12))
    ink = (255, 255, 255) if state != "disabled" else (236, 236, 236)
    shadow_ink = mix(base, (0, 0, 0), 0.45) if state != "disabled" else None
    cy = (body[1] + body[3]) // 2
    if round_button:
        cx = w // 2
        s = 1 if name == "next" else -1
        pts = [(cx + 8 * s, cy), (cx - 5 * s, cy - 9), (cx - 5 * s, cy + 9)]
        if shadow_ink:
            d.polygon([(x + 1, y + 1) for x, y in pts], fill=shadow_ink)
        d.polygon(pts, fill=ink)
        return img
    size = 19 if h >= 45 else 17
    glyph_w = 30
    text_w = d.textlength(label, font=font(size)) if worded else 0
    start = (w - (glyph_w + text_w)) / 2 if worded else label_margin(h)
    gx = int(start + 12)
    tx = start + glyph_w + text_w / 2
    glyph_ink = ink
    if name in ("undo", "redo"):
        draw_undo_glyph(d, gx, cy - 1, glyph_ink, mirror=(name == "redo"))
    elif name == "print":
        draw_printer_glyph(d, gx, cy, mix(base, (0, 0, 0), 0.5), (255, 255, 255))
    else:
        draw_door_glyph(d, gx, cy, glyph_ink)
    if not worded:
        return img
    if shadow_ink:
        text_centre(img, (tx + 1, cy + 1), label, size, shadow_ink)
    text_centre(img, (tx, cy), label, size, ink)
    return img


def label_margin(h):
    """Pixels kept clear at each end of a pill-shaped button of height h."""
    return h // 4


# ---------------------------------------------------------------- the skin

def draw_title(img):
    letters = [("K", (235, 70, 70)), ("o", (255, 160, 30)), ("l", (60, 170, 80)),
               ("o", (60, 130, 230))]
    f = font(58)
    d = ImageDraw.Draw(img)
    x = 44
    for ch, colour in letters:
        d.text((x + 3, 12 + 3), ch, font=f, fill=(90, 120, 160))
        d.text((x, 12), ch, font=f, fill=colour, stroke_width=3, stroke_fill=(255, 255, 255))
        x += d.textlength(ch, font=f) + 4
    d.text((x + 14, 44), "my colouring book", font=font(20), fill=(50, 80, 130))


def draw_crayons(img):
    d = ImageDraw.Draw(img)
    colours = [(235, 60, 60), (255, 150, 30), (250, 215, 40), (70, 185, 90), (60, 140, 235),
               (150, 90, 210), (255, 120, 180)]
    for i, c in enumerate(colours):
        x = 610 + i * 29
        top = 18 + (i % 2) * 8
        d.rectangle((x, top + 14, x + 18, 70), fill=c, outline=mix(c, (0, 0, 0), 0.4))
        d.polygon([(x, top + 14), (x + 9, top), (x + 18, top + 14)], fill=(245, 215, 170),
                  outline=mix(c, (0, 0, 0), 0.4))
        d.polygon([(x + 6, top + 5), (x + 9, top), (x + 12, top + 5)], fill=c)
        d.rectangle((x + 3, top + 30, x + 15, top + 35), fill=mix(c, (255, 255, 255), 0.5))


def draw_palette(img):
    l, t, r, b = PALETTE
    d = ImageDraw.Draw(img)
    d.rectangle((l, t, r - 1, b - 1), fill=(0, 0, 0))
    for k in range(132):
        row, col = divmod(k, 12)
        colour = (255 - 51 * (k // 36), 255 - 51 * ((k // 6) % 6), 255 - 51 * (k % 6))
        x0, y0 = l + 1 + col * 12, t + 1 + row * 12
        d.rectangle((x0, y0, x0 + 10, y0 + 10), fill=colour)


def skin_and_frames(worded=True):
    img = background()
    # The top bar behind the four buttons.
    panel(img, (24, 76, 590, 146), (255, 246, 224), (236, 196, 140))
    # Right-hand panel holding thumbnail, arrows, swatch and palette.
    panel(img, (624, 150, 826, 636), (255, 246, 224), (236, 196, 140))
    d = ImageDraw.Draw(img)
    draw_title(img)
    draw_crayons(img)
    if worded:
        text_centre(img, ((THUMB[0] + THUMB[2]) // 2, 172), "Pictures", 17, (120, 72, 30))

    wooden_frame(img, CANVAS, CANVAS_FRAME, CANVAS_LIP, seed=11)
    wooden_frame(img, THUMB, THUMB_FRAME, THUMB_LIP, seed=12)
    # Openings: pure white for the canvas; the thumbnail shows a friendly placeholder until a
    # folder's first picture is drawn there.
    d.rectangle((CANVAS[0] + CANVAS_LIP, CANVAS[1] + CANVAS_LIP, CANVAS[2] - CANVAS_LIP - 1,
                 CANVAS[3] - CANVAS_LIP - 1), fill=(255, 255, 255))
    tl, tt, tr, tb = THUMB[0] + THUMB_LIP, THUMB[1] + THUMB_LIP, THUMB[2] - THUMB_LIP - 1, \
        THUMB[3] - THUMB_LIP - 1
    d.rectangle((tl, tt, tr, tb), fill=(255, 252, 240))
    cx, cy = (THUMB[0] + THUMB[2]) // 2, (THUMB[1] + THUMB[3]) // 2
    d.ellipse((cx - 30, cy - 44, cx + 30, cy + 16), fill=(255, 226, 120), outline=(230, 170, 40),
              width=3)
    for i in range(8):
        import math
        a = i * math.pi / 4
        d.line((cx + math.cos(a) * 36, cy - 14 + math.sin(a) * 36, cx + math.cos(a) * 46,
                cy - 14 + math.sin(a) * 46), fill=(240, 180, 40), width=4)
    d.arc((cx - 14, cy - 24, cx + 14, cy + 2), 20, 160, fill=(150, 90, 20), width=3)
    d.ellipse((cx - 11, cy - 28, cx - 5, cy - 22), fill=(150, 90, 20))
    d.ellipse((cx + 5, cy - 28, cx + 11, cy - 22), fill=(150, 90, 20))
    if worded:
        text_centre(img, (cx, cy + 44), "Pictures come here", 12, (150, 110, 70), bold=False)

    # Labels under the arrows and beside the swatch.
    if worded:
        text_centre(img, ((673 + 706) // 2, 416), "Previous", 12, (120, 72, 30))
    if worded:
        text_centre(img, ((751 + 784) // 2, 416), "Next", 12, (120, 72, 30))
    if worded:
        text_centre(img, (696, 437), "picture", 11, (150, 110, 70), bold=False)
    if worded:
        text_centre(img, (695, 463), "My colour", 14, (120, 72, 30))
    d.line((734, 463, 740, 463), fill=(120, 72, 30), width=2)
    # Swatch with a small rim; its inside is the initial colour.
    rounded(img, (SWATCH[0] - 4, SWATCH[1] - 4, SWATCH[2] + 4, SWATCH[3] + 4), 6, (120, 72, 30))
    d.rectangle((SWATCH[0], SWATCH[1], SWATCH[2] - 1, SWATCH[3] - 1), fill=SWATCH_COLOUR)
    # A rim around the palette; the palette itself is drawn last, exactly.
    rounded(img, (PALETTE[0] - 5, PALETTE[1] - 5, PALETTE[2] + 5, PALETTE[3] + 5), 6,
            (120, 72, 30))

    # Frame bitmaps: the skin's wood that lies inside each rectangle, pure white elsewhere.
    # Wood pixels that happen to be pure white would vanish in the overlay, so none may be.
    def frame_bitmap(rect, lip):
        frame = img.crop(rect)
        px = frame.load()
        w, h = frame.size
        for y in range(h):
            for x in range(w):
                inside = lip <= x < w - lip and lip <= y < h - lip
                if inside:
                    px[x, y] = (255, 255, 255)
                elif px[x, y] == (255, 255, 255):
                    px[x, y] = (254, 254, 254)
        return frame

    canvas_frame = frame_bitmap(CANVAS, CANVAS_LIP)
    thumb_frame = frame_bitmap(THUMB, THUMB_LIP)
    return img, canvas_frame, thumb_frame


# ---------------------------------------------------------------- cursor, icon, toolbox

def brush_cursor():
    """96 x 72, magenta transparent, the bristle tip at the hot spot (0, 66)."""
    big = Image.new("RGB", (96 * SUPER, 72 * SUPER), MAGENTA)
    d = ImageDraw.Draw(big)
    S = SUPER

    def p(x, y):
        return (x * S, y * S)
    # Handle from the upper right down to the ferrule.
    d.polygon([p(88, 2), p(94, 8), p(40, 44), p(34, 38)], fill=(200, 60, 50),
              outline=(90, 20, 20))
    d.polygon([p(34, 38), p(40, 44), p(30, 54), p(24, 48)], fill=(190, 190, 200),
              outline=(80, 80, 90))
    # Bristles ending in a fine tip at (0, 66).
    d.polygon([p(24, 48), p(30, 54), p(14, 66), p(0, 66), p(6, 56)], fill=(255, 0, 132),
              outline=(120, 0, 60))
    small = big.resize((96, 72), Image.NEAREST)
    small.putpixel((0, 66), (120, 0, 60))
    return small


# The program's icon as shapes in a 32-unit square, so that the bitmaps and the SVG agree:
# a wooden painter's palette with four paint drops and a thumb hole.
ICON_BACKGROUND = (150, 210, 245)
ICON_SHAPES = [
    # kind, (left, top, right, bottom) in icon units, fill, outline or None
    ("ellipse", (2, 4, 30, 28), (245, 215, 160), (150, 100, 50)),
    ("ellipse", (6, 7, 12, 13), (235, 60, 60), None),
    ("ellipse", (13, 5, 19, 11), (250, 200, 40), None),
    ("ellipse", (20, 8, 26, 14), (60, 140, 235), None),
    ("ellipse", (7, 15, 13, 21), (70, 185, 90), None),
    ("ellipse", (19, 17, 26, 24), ICON_BACKGROUND, None),
]
ICON_SIZES = (16, 24, 32, 48, 64, 128, 256, 512)
# The web page's install icons, in 64 colours: a fifth of the bytes, which the page's visitors
# download.
WEB_ICON_SIZES = (192, 512)


def icon(size, rounded_corners=False):
    """The icon at size x size pixels; the desktop's icons get rounded corners and
    transparency, the embedded window icon stays a plain square."""
    scale = size * SUPER / 32.0
    big = Image.new("RGBA", (size * SUPER, size * SUPER), (0, 0, 0, 0))
    d = ImageDraw.Draw(big)
    if rounded_corners:
        d.rounded_rectangle((0, 0, size * SUPER - 1, size * SUPER - 1), radius=5 * scale,
                            fill=ICON_BACKGROUND + (255,))
    else:
        d.rectangle((0, 0, size * SUPER, size * SUPER), fill=ICON_BACKGROUND + (255,))
    for _, box, fill, outline in ICON_SHAPES:
        d.ellipse(tuple(v * scale for v in box), fill=fill,
                  outline=outline, width=max(1, int(round(scale / 2))) if outline else 0)
    return big.resize((size, size), Image.LANCZOS)


def icon_svg():
    hexcol = lambda c: "#%02x%02x%02x" % c
    parts = ['<svg xmlns="http://www.w3.org/2000/svg" width="32" height="32" '
             'viewBox="0 0 32 32">',
             '  <rect width="32" height="32" rx="5" fill="%s"/>' % hexcol(ICON_BACKGROUND)]
    for _, (l, t, r, b), fill, outline in ICON_SHAPES:
        stroke = ' stroke="%s" stroke-width="0.5"' % hexcol(outline) if outline else ""
        parts.append('  <ellipse cx="%g" cy="%g" rx="%g" ry="%g" fill="%s"%s/>' % (
            (l + r) / 2, (t + b) / 2, (r - l) / 2, (b - t) / 2, hexcol(fill), stroke))
    parts.append("</svg>")
    return "\n".join(parts) + "\n"


def toolbox():
    img = Image.new("RGB", (16, 15), (192, 192, 192))
    d = ImageDraw.Draw(img)
    d.line((13, 1, 6, 8), fill=(200, 60, 50), width=2)
    d.polygon([(6, 8), (2, 13), (1, 10), (4, 7)], fill=(255, 0, 132))
    d.rectangle((9, 10, 14, 13), fill=(60, 140, 235))
    return img


# ---------------------------------------------------------------- output

def save(img, name):
    img.convert("RGB").save(os.path.join(OUT, name), format="BMP")


def skin_and_faces(worded):
    """The skin with the button faces on it, and the faces by id; without words, the files
    are named *_blank.bmp."""
    skin, canvas_frame, thumb_frame = skin_and_frames(worded)
    suffix = "" if worded else "_blank"
    faces = {}
    for _, name, rect, normal, pressed, disabled in BUTTONS:
        bg = skin.crop(rect)
        for face_id, state in ((normal, "normal"), (pressed, "pressed"), (disabled, "disabled")):
            if face_id is not None:
                faces[face_id] = ("%s_%s%s.bmp" % (name, state, suffix),
                                  button_face(bg, name, state, worded))
        # The skin carries the faces too, so the board looks whole under any button host.
        skin.paste(faces[normal][1], rect[:2])
    draw_palette(skin)
    return skin, canvas_frame, thumb_frame, faces


def main():
    os.makedirs(OUT, exist_ok=True)
    skin, canvas_frame, thumb_frame, faces = skin_and_faces(True)
    save(skin, "skin.bmp")
    save(canvas_frame, "canvas_frame.bmp")
    save(thumb_frame, "thumbnail_frame.bmp")
    for _, (fname, face) in sorted(faces.items()):
        save(face, fname)
    # The same art without words, for the program to write them in the user's language.
    blank_skin, _, _, blank_faces = skin_and_faces(False)
    save(blank_skin, "skin_blank.bmp")
    for face_id, (fname, face) in sorted(blank_faces.items()):
        if BUTTON_STYLE[fname.split("_")[0]][1]:
            save(face, fname)
    save(brush_cursor(), "brush_cursor.bmp")
    save(icon(32), "icon_32.bmp")
    save(icon(16), "icon_16.bmp")
    os.makedirs(ICONS, exist_ok=True)
    for size in ICON_SIZES:
        icon(size, rounded_corners=True).save(os.path.join(ICONS, "kolo_%d.png" % size),
                                              optimize=True)
    for size in WEB_ICON_SIZES:
        icon(size, rounded_corners=True).quantize(64, method=Image.Quantize.FASTOCTREE).save(
            os.path.join(ICONS, "kolo_web_%d.png" % size), optimize=True)
    with open(os.path.join(ICONS, "kolo.svg"), "w") as svg:
        svg.write(icon_svg())
    save(toolbox(), "toolbox.bmp")
    return 0


if __name__ == "__main__":
    sys.exit(main())
