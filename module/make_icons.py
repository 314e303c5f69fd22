"""Writes the module's cursor and icon files from the generated 24-bit art, at build time.

The brush cursor's pure magenta pixels become transparent through the AND mask; the icon has
no transparent pixels. Standard library only.

Usage: python3 make_icons.py BITMAP_DIR OUT_DIR
"""
import os
import struct
import sys

MAGENTA = (255, 0, 255)


def read_bmp24(path):
    data = open(path, "rb").read()
    offset = struct.unpack_from("<I", data, 10)[0]
    width, height, _, bits = struct.unpack_from("<iiHH", data, 18)
    if bits != 24 or height <= 0:
        raise SystemExit(f"{path}: a bottom-up 24-bit BMP is expected")
    stride = (width * 3 + 3) & ~3
    rows = [data[offset + y * stride: offset + y * stride + width * 3] for y in range(height)]
    return width, height, rows   # rows bottom-up, pixels blue, green, red


def icon_image(width, height, rows, transparent):
    """One image of an icon or cursor file: header with doubled height, colours, AND mask."""
    header = struct.pack("<IiiHHIIiiII", 40, width, height * 2, 1, 24, 0, 0, 0, 0, 0, 0)
    stride = (width * 3 + 3) & ~3
    mask_stride = ((width + 31) // 32) * 4
    colours = bytearray()
    mask = bytearray()
    for row in rows:
        out = bytearray(row)
        bits = bytearray(mask_stride)
        for x in range(width):
            blue, green, red = row[x * 3: x * 3 + 3]
            if transparent and (red, green, blue) == MAGENTA:
                out[x * 3: x * 3 + 3] = b"\0\0\0"
                bits[x // 8] |= 0x80 >> (x % 8)
        colours += out + bytes(stride - width * 3)
        mask += bits
    return header + bytes(colours) + bytes(mask)


def write_file(path, kind, images):
    """kind 1 = icon, 2 = cursor; images = [(width, height, hot_x, hot_y, bytes)]."""
    out = bytearray(struct.pack("<HHH", 0, kind, len(images)))
    offset = 6 + 16 * len(images)
    for width, height, hot_x, hot_y, image in images:
        planes, bits = (1, 24) if kind == 1 else (hot_x, hot_y)
        out += struct.pack("<BBBBHHII", width % 256, height % 256, 0, 0, planes, bits,
                           len(image), offset)
        offset += len(image)
    for image in images:
        out += image[4]
    open(path, "wb").write(out)


def main():
    src, dest = sys.argv[1], sys.argv[2]
    os.makedirs(dest, exist_ok=True)
    w, h, rows = read_bmp24(os.path.join(src, "brush_cursor.bmp"))
    # The brush tip, as ResourceIds.h gives it.
    write_file(os.path.join(dest, "brush.cur"), 2, [(w, h, 0, 66, icon_image(w, h, rows, True))])
    images = []
    for name in ("icon_32.bmp", "icon_16.bmp"):
        w, h, rows = read_bmp24(os.path.join(src, name))
        images.append((w, h, 0, 0, icon_image(w, h, rows, False)))
    write_file(os.path.join(dest, "kolo.ico"), 1, images)


if __name__ == "__main__":
    main()
