"""Writes the picture folder the Wine tests load: an index page linking two 572 x 452 line
drawings (24-bit BMP) and one picture the server does not have. Standard library only.

square.bmp: white, with a black rectangle outline (3 pixels wide) whose outer edge is
(100, 100) to (300, 250) in picture pixels, origin top-left.
band.bmp: white, with a black horizontal band 4 pixels high at rows 200 to 203.

formats/: the other two file kinds, written with Pillow: bars.jpg first, then bars.gif (black
vertical bars, columns 100 to 115 and 300 to 315); bars.jpg has a black horizontal band, rows 200 to
215, on 8-pixel block boundaries so the encoder keeps it sharp.

png/: tall.png, a portrait picture 226 x 452 on transparent paper with one opaque black bar,
columns 100 to 115; fitted to the canvas it keeps its size and sits 173 pixels from the left.

broken/: a page whose links give no picture: one the server does not have, one that is text.

detail/: ring.bmp, 1144 x 904 (twice the canvas), white with a black ring 8 pixels wide
centred at (572, 452), outer radius 300: at twice the board's size it shows at its own pixels.

grün/ and "two words/": folders whose names travel percent-encoded, holding band.bmp and
square.bmp respectively.

cases/: no index page, for reading as a local folder: B.bmp (the band), a.bmp (the square) and
a subfolder named sub.bmp.

Usage: python3 make_picture_folder.py DEST
"""
import os
import struct
import sys

WIDTH, HEIGHT = 572, 452


def write_bmp(path, black):
    stride = (WIDTH * 3 + 3) & ~3
    rows = bytearray()
    for row in range(HEIGHT):
        y = HEIGHT - 1 - row   # bottom-up
        line = bytearray()
        for x in range(WIDTH):
            line += b"\0\0\0" if black(x, y) else b"\xff\xff\xff"
        rows += line + bytes(stride - WIDTH * 3)
    header = struct.pack("<2sIHHI", b"BM", 54 + len(rows), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, WIDTH, HEIGHT, 1, 24, 0, len(rows), 0, 0, 0, 0)
    with open(path, "wb") as f:
        f.write(header + info + rows)


def square(x, y):
    inside_outer = 100 <= x < 300 and 100 <= y < 250
    inside_inner = 103 <= x < 297 and 103 <= y < 247
    return inside_outer and not inside_inner


def band(x, y):
    return 200 <= y < 204


def main():
    dest = sys.argv[1]
    os.makedirs(dest, exist_ok=True)
    write_bmp(os.path.join(dest, "band.bmp"), band)
    write_bmp(os.path.join(dest, "square.bmp"), square)
    with open(os.path.join(dest, "index.html"), "w") as f:
        # missing.bmp answers 404: its error page must be refused, not taken as a third
        # picture (the arrows then go round two).
        f.write('<html><body><a href="square.bmp">square</a> <a href="band.bmp">band</a> '
                '<a href="missing.bmp">missing</a></body></html>\n')
    write_formats(os.path.join(dest, "formats"))
    broken = os.path.join(dest, "broken")
    os.makedirs(broken, exist_ok=True)
    with open(os.path.join(broken, "note.bmp"), "w") as f:
        f.write("not a picture\n")
    with open(os.path.join(broken, "index.html"), "w") as f:
        f.write('<a href="gone.bmp">gone</a> <a href="note.bmp">note</a>\n')
    for name, picture, drawing in (("gr\u00fcn", "band.bmp", band), ("two words", "square.bmp", square)):
        os.makedirs(os.path.join(dest, name), exist_ok=True)
        write_bmp(os.path.join(dest, name, picture), drawing)
        with open(os.path.join(dest, name, "index.html"), "w") as f:
            f.write('<a href="%s">picture</a>\n' % picture)
    write_png(os.path.join(dest, "png"))
    write_detail(os.path.join(dest, "detail"))
    # Read as a local folder: a.bmp (the square) lists before B.bmp (the band) only when
    # names sort case-blind; the subfolder is not a picture.
    cases = os.path.join(dest, "cases")
    os.makedirs(os.path.join(cases, "sub.bmp"), exist_ok=True)
    write_bmp(os.path.join(cases, "B.bmp"), band)
    write_bmp(os.path.join(cases, "a.bmp"), square)


def write_formats(dest):
    from PIL import Image, ImageDraw

    os.makedirs(dest, exist_ok=True)
    gif = Image.new("RGB", (WIDTH, HEIGHT), "white")
    draw = ImageDraw.Draw(gif)
    draw.rectangle((100, 0, 115, HEIGHT - 1), fill="black")
    draw.rectangle((300, 0, 315, HEIGHT - 1), fill="black")
    gif.convert("P", palette=Image.ADAPTIVE, colors=2).save(os.path.join(dest, "bars.gif"))
    jpeg = Image.new("RGB", (WIDTH, HEIGHT), "white")
    ImageDraw.Draw(jpeg).rectangle((0, 200, WIDTH - 1, 215), fill="black")
    jpeg.save(os.path.join(dest, "bars.jpg"), quality=95)
    with open(os.path.join(dest, "index.html"), "w") as f:
        f.write('<a href="bars.jpg">jpeg</a> <a href="bars.gif">gif</a>\n')


def write_png(dest):
    from PIL import Image, ImageDraw

    os.makedirs(dest, exist_ok=True)
    tall = Image.new("RGBA", (226, HEIGHT), (0, 0, 0, 0))
    ImageDraw.Draw(tall).rectangle((100, 0, 115, HEIGHT - 1), fill=(0, 0, 0, 255))
    tall.save(os.path.join(dest, "tall.png"))
    with open(os.path.join(dest, "index.html"), "w") as f:
        f.write('<a href="tall.png">png</a>\n')


def write_detail(dest):
    from PIL import Image, ImageDraw

    os.makedirs(dest, exist_ok=True)
    ring = Image.new("RGB", (2 * WIDTH, 2 * HEIGHT), "white")
    ImageDraw.Draw(ring).ellipse((572 - 300, 452 - 300, 572 + 300, 452 + 300), outline="black", width=8)
    ring.save(os.path.join(dest, "ring.bmp"))
    with open(os.path.join(dest, "index.html"), "w") as f:
        f.write('<a href="ring.bmp">ring</a>\n')


if __name__ == "__main__":
    main()
