"""Draws the bundled picture folder: an index page and ten line drawings for children.

Every drawing is black outlines on white, each area closed so that a fill stays inside it.
Some are anti-aliased (drawn four times larger and averaged down, so their edges carry grey
tones that the board's threshold turns back into lines), some are crisp; some are larger
than the canvas and are scaled down when loaded, one is smaller. All are laid out on the
canvas's 572 x 452 grid and scaled to their file's size, except the portrait giraffe, which
is laid out on a grid as wide and taller. The output is deterministic.

Usage: /usr/bin/python3 samples/generate_samples.py [DEST]   (Debian's python3-pil)
"""
import math
import os
import sys

from PIL import Image, ImageDraw

DESIGN_WIDTH = 572     # the canvas size every drawing is laid out for, in pixels
DESIGN_HEIGHT = 452
SUPERSAMPLE = 4        # anti-aliased drawings are drawn this many times larger
LINE = 4.0             # outline width in design pixels: thick enough to survive scaling down


class Pen:
    """Draws in design coordinates onto an image of any size with the canvas's proportions."""

    def __init__(self, image):
        self.draw = ImageDraw.Draw(image)
        self.scale = image.width / DESIGN_WIDTH

    def _p(self, points):
        return [(x * self.scale, y * self.scale) for x, y in points]

    def _w(self, width):
        return max(1, round((width or LINE) * self.scale))

    def polygon(self, points, width=None, fill="white"):
        # Filling first hides whatever an earlier shape drew under this one.
        pts = self._p(points)
        if fill:
            self.draw.polygon(pts, fill=fill)
        self.draw.line(pts + [pts[0]], fill="black", width=self._w(width), joint="curve")

    def line(self, points, width=None):
        self.draw.line(self._p(points), fill="black", width=self._w(width), joint="curve")

    def ellipse(self, box, width=None, fill="white"):
        x0, y0, x1, y1 = box
        self.draw.ellipse(self._p([(x0, y0), (x1, y1)]), outline="black", fill=fill,
                          width=self._w(width))

    def circle(self, cx, cy, r, width=None, fill="white"):
        self.ellipse((cx - r, cy - r, cx + r, cy + r), width, fill)

    def dot(self, cx, cy, r):
        self.ellipse((cx - r, cy - r, cx + r, cy + r), 1, "black")

    def arc(self, box, start, end, width=None):
        x0, y0, x1, y1 = box
        self.draw.arc(self._p([(x0, y0), (x1, y1)]), start, end, fill="black",
                      width=self._w(width))

    def blob(self, circles, width=None):
        """The outline of a union of circles (clouds, tree crowns): no lines inside it."""
        half = (width or LINE) / 2
        for grow, colour in ((half, "black"), (-half, "white")):
            for cx, cy, r in circles:
                box = self._p([(cx - r - grow, cy - r - grow), (cx + r + grow, cy + r + grow)])
                self.draw.ellipse(box, fill=colour)


def rotated_ellipse(cx, cy, rx, ry, angle, steps=48):
    a = math.radians(angle)
    points = []
    for i in range(steps):
        t = 2 * math.pi * i / steps
        x, y = rx * math.cos(t), ry * math.sin(t)
        points.append((cx + x * math.cos(a) - y * math.sin(a), cy + x * math.sin(a) + y * math.cos(a)))
    return points


def star(cx, cy, outer, inner, tips=5, turn=-90):
    points = []
    for i in range(tips * 2):
        r = outer if i % 2 == 0 else inner
        a = math.radians(turn + 180 * i / tips)
        points.append((cx + r * math.cos(a), cy + r * math.sin(a)))
    return points


def house(pen):
    pen.line([(0, 400), (572, 400)])
    pen.circle(70, 70, 34)
    for i in range(8):
        a = math.radians(45 * i)
        pen.line([(70 + 44 * math.cos(a), 70 + 44 * math.sin(a)),
                  (70 + 60 * math.cos(a), 70 + 60 * math.sin(a))])
    pen.blob([(430, 60, 24), (460, 48, 30), (492, 62, 22)])
    pen.polygon([(350, 175), (350, 95), (385, 95), (385, 175)])
    pen.polygon([(150, 205), (420, 205), (420, 400), (150, 400)])
    pen.polygon([(125, 210), (285, 85), (445, 210)])
    pen.circle(285, 160, 20)
    pen.polygon([(255, 300), (315, 300), (315, 400), (255, 400)])
    pen.dot(303, 352, 5)
    for x0 in (172, 340):
        pen.polygon([(x0, 240), (x0 + 60, 240), (x0 + 60, 295), (x0, 295)])
        pen.line([(x0 + 30, 240), (x0 + 30, 295)])
        pen.line([(x0, 267), (x0 + 60, 267)])
    pen.polygon([(255, 400), (315, 400), (345, 452), (225, 452)])
    for x in (40, 470, 525):
        pen.line([(x + 12, 400), (x + 12, 360)])
        pen.polygon([(x, 335), (x + 6, 360), (x + 18, 360), (x + 24, 335), (x + 12, 346)])


def fish(pen):
    pen.line([(0, 420), (120, 405), (260, 420), (400, 402), (572, 418)])
    for x in (60, 470):
        left = [(x + 12 * math.sin(y / 22), y) for y in range(410, 250, -8)]
        right = [(px + 18, py) for px, py in reversed(left)]
        pen.polygon(left + right)
    pen.polygon([(230, 140), (280, 70), (330, 140)])
    pen.polygon([(240, 320), (275, 370), (310, 318)])
    pen.polygon([(388, 230), (500, 140), (480, 230), (500, 320)])
    pen.ellipse((110, 120, 410, 340))
    pen.arc((200, 130, 300, 330), 300, 60)
    pen.arc((260, 130, 360, 330), 300, 60)
    pen.circle(170, 205, 22)
    pen.dot(164, 204, 9)
    pen.arc((120, 240, 180, 280), 10, 120)
    for cx, cy, r in ((90, 100, 12), (70, 60, 9), (96, 26, 6)):
        pen.circle(cx, cy, r)


def flower(pen):
    pen.polygon([(278, 230), (294, 230), (294, 340), (278, 340)])
    pen.polygon([(286, 300), (340, 250), (390, 262), (340, 300)])
    pen.polygon([(286, 310), (230, 262), (180, 272), (232, 312)])
    pen.polygon([(210, 340), (362, 340), (340, 440), (232, 440)])
    pen.polygon([(200, 330), (372, 330), (372, 356), (200, 356)])
    for i in range(8):
        a = 45 * i
        cx = 286 + 62 * math.cos(math.radians(a))
        cy = 150 + 62 * math.sin(math.radians(a))
        pen.polygon(rotated_ellipse(cx, cy, 48, 24, a))
    pen.circle(286, 150, 36)
    for dx, dy in ((-12, -8), (12, -8), (0, 12)):
        pen.dot(286 + dx, 150 + dy, 4)
    pen.polygon(star(80, 80, 30, 13), fill=None)
    pen.polygon(star(490, 110, 22, 10), fill=None)


def car(pen):
    pen.line([(0, 392), (572, 392)])
    pen.polygon([(60, 250), (160, 240), (200, 170), (370, 170), (430, 240), (520, 255),
                 (530, 330), (50, 330)])
    pen.polygon([(215, 182), (282, 182), (282, 240), (180, 240)])
    pen.polygon([(296, 182), (360, 182), (410, 240), (296, 240)])
    pen.line([(289, 182), (289, 330)])
    pen.polygon([(300, 260), (325, 260), (325, 268), (300, 268)])
    pen.circle(505, 275, 12)
    pen.polygon([(48, 280), (72, 280), (72, 300), (48, 300)])
    for cx in (150, 420):
        pen.circle(cx, 335, 50)
        pen.circle(cx, 335, 22)
    pen.blob([(80, 80, 26), (115, 66, 34), (152, 84, 24)])
    pen.polygon(star(480, 70, 26, 11), fill=None)


def cat(pen):
    pen.line([(0, 420), (572, 420)])
    pen.polygon([(360, 360), (430, 330), (470, 260), (500, 270), (462, 345), (380, 392)])
    pen.ellipse((180, 230, 380, 420))
    pen.ellipse((205, 390, 255, 425))
    pen.ellipse((305, 390, 355, 425))
    pen.polygon([(190, 120), (200, 30), (260, 90)])
    pen.polygon([(300, 90), (360, 30), (370, 120)])
    pen.circle(280, 160, 95)
    pen.ellipse((228, 125, 260, 165))
    pen.ellipse((300, 125, 332, 165))
    pen.dot(244, 148, 8)
    pen.dot(316, 148, 8)
    pen.polygon([(268, 180), (292, 180), (280, 194)])
    pen.arc((250, 180, 282, 215), 20, 160)
    pen.arc((278, 180, 310, 215), 20, 160)
    for y, dy in ((190, -10), (200, 0), (210, 10)):
        pen.line([(220, y), (150, y + dy)], 3)
        pen.line([(340, y), (410, y + dy)], 3)
    pen.circle(470, 380, 30)
    pen.arc((440, 350, 500, 410), 200, 340)


def rocket(pen):
    for cx, cy, r in ((70, 60, 16), (500, 50, 12), (520, 300, 18), (60, 330, 14), (140, 180, 10)):
        pen.polygon(star(cx, cy, r, r * 0.45), fill=None)
    pen.circle(460, 380, 50)
    pen.ellipse((390, 370, 530, 392), 3, fill=None)
    pen.polygon([(250, 330), (275, 430), (286, 380), (297, 430), (322, 330)])
    pen.polygon([(236, 250), (190, 340), (242, 320)])
    pen.polygon([(336, 250), (382, 340), (330, 320)])
    pen.polygon([(286, 30), (330, 110), (340, 330), (232, 330), (242, 110)])
    pen.line([(242, 110), (330, 110)])
    pen.circle(286, 180, 30)
    pen.circle(286, 180, 18)
    pen.polygon([(262, 250), (310, 250), (310, 300), (262, 300)])


def sun(pen):
    for i in range(12):
        a = math.radians(30 * i)
        b = math.radians(30 * i + 12)
        c = math.radians(30 * i - 12)
        pen.polygon([(286 + 115 * math.cos(b), 226 + 115 * math.sin(b)),
                     (286 + 190 * math.cos(a), 226 + 190 * math.sin(a)),
                     (286 + 115 * math.cos(c), 226 + 115 * math.sin(c))])
    pen.circle(286, 226, 125)
    pen.ellipse((236, 170, 266, 215))
    pen.ellipse((306, 170, 336, 215))
    pen.dot(251, 198, 8)
    pen.dot(321, 198, 8)
    pen.arc((226, 200, 346, 300), 25, 155, 5)
    pen.circle(226, 255, 14)
    pen.circle(346, 255, 14)
    pen.blob([(60, 400, 22), (92, 384, 30), (126, 402, 22)])
    pen.blob([(450, 60, 20), (480, 46, 27), (512, 62, 20)])


def tree(pen):
    pen.line([(0, 410), (572, 410)])
    pen.polygon([(250, 410), (262, 260), (240, 220), (270, 235), (286, 200), (302, 235),
                 (332, 220), (310, 260), (322, 410)])
    pen.blob([(286, 140, 90), (200, 180, 62), (372, 180, 62), (230, 95, 55), (342, 95, 55),
              (286, 210, 55)])
    for cx, cy in ((240, 130), (320, 110), (370, 190), (210, 200), (290, 185), (276, 72)):
        pen.circle(cx, cy, 14)
    pen.ellipse((268, 300, 304, 340))
    pen.dot(286, 320, 7)
    pen.line([(440, 70), (460, 80), (480, 70)], 3)
    pen.line([(490, 100), (505, 108), (520, 100)], 3)
    for x in (60, 120, 460, 520):
        pen.line([(x, 410), (x - 8, 388)], 3)
        pen.line([(x, 410), (x + 8, 388)], 3)


def boat(pen):
    pen.circle(470, 80, 40)
    pen.blob([(90, 70, 24), (122, 58, 32), (156, 72, 24)])
    pen.polygon([(120, 330), (452, 330), (410, 390), (162, 390)])
    pen.line([(286, 330), (286, 90)])
    pen.polygon([(292, 100), (292, 318), (420, 318)])
    pen.polygon([(280, 120), (280, 318), (170, 318)])
    pen.polygon([(286, 90), (286, 60), (326, 75)])
    for x in (200, 260, 320, 380):
        pen.circle(x, 360, 10)
    pen.line([(0, 410), (40, 398), (80, 410), (120, 398), (160, 410), (200, 398), (240, 410),
              (280, 398), (320, 410), (360, 398), (400, 410), (440, 398), (480, 410),
              (520, 398), (572, 410)])


def giraffe(pen):
    """Portrait: laid out 572 wide and 780 tall, so it keeps its own proportions."""
    pen.polygon([(150, 740), (150, 560), (172, 560), (172, 740)])
    pen.polygon([(205, 740), (205, 570), (227, 570), (227, 740)])
    pen.polygon([(345, 740), (345, 570), (367, 570), (367, 740)])
    pen.polygon([(400, 740), (400, 560), (422, 560), (422, 740)])
    pen.ellipse((120, 470, 450, 610))
    pen.line([(440, 520), (500, 600)], 5)
    pen.polygon([(360, 500), (330, 170), (380, 170), (425, 505)])
    pen.ellipse((300, 100, 470, 190))
    for x in (335, 380):
        pen.line([(x, 110), (x - 8, 60)], 5)
        pen.circle(x - 8, 56, 9)
    pen.polygon([(400, 115), (440, 85), (430, 125)])
    pen.dot(365, 135, 7)
    pen.dot(450, 160, 4)
    for cx, cy, r in ((200, 520, 18), (260, 560, 22), (330, 515, 16), (390, 560, 18),
                      (360, 420, 14), (350, 320, 12), (375, 250, 11)):
        pen.circle(cx, cy, r)
    pen.line([(0, 745), (572, 745)])


# (file name, drawing, width, height, anti-aliased): listed in the order the index page gives,
# so the last, the house, is on the canvas when the folder opens.
PICTURES = [
    ("sun.gif", sun, 1000, 790, True),
    ("fish.gif", fish, 858, 678, True),
    ("flower.jpg", flower, 1144, 904, True),
    ("car.bmp", car, 700, 553, True),
    ("cat.gif", cat, 572, 452, False),
    ("rocket.jpg", rocket, 480, 379, True),
    ("tree.bmp", tree, 858, 678, False),
    ("boat.png", boat, 800, 632, True),
    ("giraffe.png", giraffe, 600, 818, True),
    ("house.bmp", house, 572, 452, False),
]

INDEX_PAGE = """<!DOCTYPE html>
<html>
<head><meta charset="utf-8"><title>Kolo pictures</title></head>
<body>
<h1>Pictures to colour</h1>
<ul>
{items}
</ul>
</body>
</html>
"""


def render(drawing, width, height, antialiased):
    factor = SUPERSAMPLE if antialiased else 1
    image = Image.new("RGB", (width * factor, height * factor), "white")
    drawing(Pen(image))
    if antialiased:
        image = image.resize((width, height), Image.BOX)
    return image


def save(image, path):
    if path.endswith(".gif"):
        # Grey levels only, so the anti-aliased edges keep their tones in the palette.
        image.convert("L").save(path)
    elif path.endswith(".jpg"):
        image.save(path, quality=92)
    else:
        image.save(path)


def main():
    dest = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    os.makedirs(dest, exist_ok=True)
    items = []
    for name, drawing, width, height, antialiased in PICTURES:
        save(render(drawing, width, height, antialiased), os.path.join(dest, name))
        title = name.split(".")[0].capitalize()
        items.append(f'<li><a href="{name}">{title}</a></li>')
    # The portrait kite is drawn by hand as an SVG page (kite.svg), which hosts without an SVG
    # reader leave out.
    items.append('<li><a href="kite.svg">Kite</a></li>')
    with open(os.path.join(dest, "index.html"), "w", encoding="utf-8") as page:
        page.write(INDEX_PAGE.format(items="\n".join(items)))


if __name__ == "__main__":
    main()
