"""Writes the picture folder the Wine tests load: an index page linking two 572 x 452 line
drawings (24-bit BMP) and one picture the server does not have. Standard library only.

square.bmp: white, with a black rectangle outline (3 pixels wide) whose outer edge is
(100, 100) to (300, 250) in picture pixels, origin top-left.
band.bmp: white, with a black horizontal band 4 pixels high at rows 200 to 203.

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
        # missing.bmp answers 404 and comes last: the square stays on the canvas only if the
        # error page is refused rather than loaded in its place.
        f.write('<html><body><a href="band.bmp">band</a> <a href="square.bmp">square</a> '
                '<a href="missing.bmp">missing</a></body></html>\n')


if __name__ == "__main__":
    main()
