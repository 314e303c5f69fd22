#!/usr/bin/python3
"""Writes the decoder conformance files into OUTDIR, with real encoders of other projects.

Every picture NAME comes with NAME.rgb, an independent decode by Pillow: width and height as
two little-endian 32-bit values, then red, green, blue bytes for each pixel, top row first.
For a multi-frame GIF, NAME.frameK.rgb holds frame K where it covers the whole screen.
Run with Debian's /usr/bin/python3 (python3-pil) and ImageMagick's /usr/bin/convert.
"""
import io
import os
import random
import shutil
import struct
import subprocess
import sys

from PIL import Image, ImageDraw

CONVERT = "/usr/bin/convert"


def write_reference(path, image):
    rgb = image.convert("RGB")
    with open(path + ".rgb", "wb") as f:
        f.write(struct.pack("<II", *rgb.size))
        f.write(rgb.tobytes())


def write_raw_reference(path, size, data):
    with open(path + ".rgb", "wb") as f:
        f.write(struct.pack("<II", *size))
        f.write(data)


def reference_from_file(path):
    with Image.open(path) as im:
        write_reference(path, im)


def convert(out, *args):
    subprocess.run([CONVERT, *args, out], check=True)


def line_drawing(width, height, seed):
    """White paper, black outlines of closed shapes, grey anti-aliased edges."""
    rnd = random.Random(seed)
    im = Image.new("L", (width * 2, height * 2), 255)
    d = ImageDraw.Draw(im)
    for _ in range(max(4, width * height // 20000)):
        x0, y0 = rnd.randrange(width * 2), rnd.randrange(height * 2)
        x1, y1 = x0 + rnd.randrange(20, width), y0 + rnd.randrange(20, height)
        if rnd.random() < 0.5:
            d.ellipse((x0, y0, x1, y1), outline=0, width=5)
        else:
            d.rectangle((x0, y0, x1, y1), outline=0, width=5)
    return im.resize((width, height), Image.LANCZOS)


def photo(width, height, seed):
    """Smooth colour gradients, soft shapes and a little noise, like a photograph."""
    rnd = random.Random(seed)
    im = Image.new("RGB", (width, height))
    px = im.load()
    for y in range(height):
        for x in range(width):
            px[x, y] = ((x * 255) // max(1, width - 1), (y * 255) // max(1, height - 1),
                        ((x + y) * 3) % 256)
    d = ImageDraw.Draw(im)
    for _ in range(12):
        x0, y0 = rnd.randrange(width), rnd.randrange(height)
        d.ellipse((x0, y0, x0 + rnd.randrange(10, width // 2 + 11), y0 + rnd.randrange(10, height // 2 + 11)),
                  fill=(rnd.randrange(256), rnd.randrange(256), rnd.randrange(256)))
    noise = Image.effect_noise((width, height), 12).convert("RGB")
    return Image.blend(im, noise, 0.08)


def palette_picture(width, height, colours, seed):
    return photo(width, height, seed).quantize(colors=colours)


# ---------------------------------------------------------------------------------------- BMP

def bmp_with_masks(path, image, bits):
    """BI_BITFIELDS with a 40-byte info header and the three masks after it, as Windows
    writes 16- and 32-bit bitmaps; Pillow writes no such file, so it is assembled here."""
    width, height = image.size
    rgb = image.convert("RGB")
    stride = ((bits * width + 31) >> 3) & ~3
    rows = bytearray()
    for y in range(height - 1, -1, -1):
        row = bytearray()
        for x in range(width):
            r, g, b = rgb.getpixel((x, y))
            if bits == 16:
                row += struct.pack("<H", ((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3))
            else:
                row += bytes((b, g, r, 0))
        rows += row + bytes(stride - len(row))
    masks = (0x7C00, 0x03E0, 0x001F) if bits == 16 else (0xFF0000, 0x00FF00, 0x0000FF)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, 3, len(rows), 0, 0, 0, 0)
    offset = 14 + 40 + 12
    with open(path, "wb") as f:
        f.write(struct.pack("<2sIHHI", b"BM", offset + len(rows), 0, 0, offset))
        f.write(info + struct.pack("<III", *masks) + rows)


def bmp_555(path, image):
    """16 bits, 5-5-5, BI_RGB: no encoder at hand writes it, so it is assembled here."""
    width, height = image.size
    rgb = image.convert("RGB")
    stride = ((16 * width + 31) >> 3) & ~3
    rows = bytearray()
    for y in range(height - 1, -1, -1):
        row = bytearray()
        for x in range(width):
            r, g, b = rgb.getpixel((x, y))
            row += struct.pack("<H", ((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3))
        rows += row + bytes(stride - len(row))
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 16, 0, len(rows), 0, 0, 0, 0)
    with open(path, "wb") as f:
        f.write(struct.pack("<2sIHHI", b"BM", 54 + len(rows), 0, 0, 54))
        f.write(info + rows)


def clear_colours_used(path):
    """The same file with biClrUsed 0, so that the table length comes from the depth."""
    with open(path, "r+b") as f:
        f.seek(14 + 32)
        f.write(struct.pack("<I", 0))


def bmp_rle_with_deltas(path, image, bits=8):
    """BI_RLE8 (or BI_RLE4 for 16 colours) written here with every kind of code: encoded runs,
    absolute runs padded to 16 bits, deltas over stretches of index 0, end of line and end of
    bitmap. The reference is the palette picture itself."""
    width, height = image.size
    px = image.load()
    data = bytearray()
    for y in range(height - 1, -1, -1):
        row = [px[x, y] for x in range(width)]
        x = 0
        while x < width:
            run = 1
            while x + run < width and run < 255 and row[x + run] == row[x]:
                run += 1
            if row[x] == 0 and run >= 3 and y > 0:
                # Skip the zeros: right by `run`, up by none.
                data += bytes((0, 2, run, 0))
            elif run >= 3:
                data += bytes((run, row[x] * 17 if bits == 4 else row[x]))
            else:
                lit = x
                while lit < width and lit - x < 255:
                    if lit + 2 < width and row[lit] == row[lit + 1] == row[lit + 2]:
                        break
                    lit += 1
                n = lit - x
                if n < 3:
                    data += b"".join(bytes((1, v * 17 if bits == 4 else v)) for v in row[x:lit])
                elif bits == 8:
                    data += bytes((0, n)) + bytes(row[x:lit]) + (b"\0" if n % 2 else b"")
                else:
                    values = row[x:lit] + [0]
                    packed = bytes((values[i] << 4) | values[i + 1] for i in range(0, n, 2))
                    data += bytes((0, n)) + packed + (b"\0" if len(packed) % 2 else b"")
                run = n
            x += run
        data += bytes((0, 0))
    data += bytes((0, 1))
    entries = 1 << bits
    palette = image.getpalette()[: 3 * entries]
    palette += [0] * (3 * entries - len(palette))
    table = b"".join(bytes((palette[3 * i + 2], palette[3 * i + 1], palette[3 * i], 0)) for i in range(entries))
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, 1 if bits == 8 else 2, len(data),
                       0, 0, entries, 0)
    offset = 14 + 40 + len(table)
    with open(path, "wb") as f:
        f.write(struct.pack("<2sIHHI", b"BM", offset + len(data), 0, 0, offset))
        f.write(info + table + data)


def shorten_v5_header(source, path, length):
    """The V5 file `source` with its header cut to `length` bytes (108 for V4, 56 for V3): the
    fields kept mean the same in the shorter header."""
    with open(source, "rb") as f:
        data = f.read()
    cut = 124 - length
    offset = struct.unpack("<I", data[10:14])[0] - cut
    header = struct.pack("<I", length) + data[18:14 + length]
    with open(path, "wb") as f:
        f.write(struct.pack("<2sIHHI", b"BM", len(data) - cut, 0, 0, offset))
        f.write(header + data[14 + 124:])


def bmp_top_down(path, image):
    """24 bits with a negative height: rows stored top line first."""
    width, height = image.size
    rgb = image.convert("RGB")
    stride = ((24 * width + 31) >> 3) & ~3
    rows = bytearray()
    for y in range(height):
        row = bytearray()
        for x in range(width):
            r, g, b = rgb.getpixel((x, y))
            row += bytes((b, g, r))
        rows += row + bytes(stride - len(row))
    info = struct.pack("<IiiHHIIiiII", 40, width, -height, 1, 24, 0, len(rows), 0, 0, 0, 0)
    with open(path, "wb") as f:
        f.write(struct.pack("<2sIHHI", b"BM", 54 + len(rows), 0, 0, 54))
        f.write(info + rows)


def make_bmp(out):
    p = lambda name: os.path.join(out, name)
    source = photo(37, 23, 1)
    source.save(p("photo_source.png"))

    palette_picture(37, 23, 2, 2).convert("1").save(p("bmp1_pillow.bmp"))
    subprocess.run([CONVERT, p("photo_source.png"), "-colors", "2", "-type", "Palette", "BMP3:" + p("bmp1_im.bmp")], check=True)
    subprocess.run([CONVERT, p("photo_source.png"), "-colors", "16", "-type", "Palette", "BMP3:" + p("bmp4_im.bmp")], check=True)
    subprocess.run([CONVERT, p("photo_source.png"), "-colors", "50", "-type", "Palette",
                    "-compress", "none", "BMP3:" + p("bmp8_im.bmp")], check=True)
    # ImageMagick's choice for a small palette file: run-length encoded.
    subprocess.run([CONVERT, p("photo_source.png"), "-colors", "50", "-type", "Palette",
                    "-compress", "RLE", "BMP3:" + p("bmp8_im_rle.bmp")], check=True)
    palette_picture(37, 23, 256, 3).save(p("bmp8_pillow.bmp"))
    palette_picture(37, 23, 256, 3).save(p("bmp8_no_clrused.bmp"))
    clear_colours_used(p("bmp8_no_clrused.bmp"))
    bmp_555(p("bmp16_555.bmp"), source)
    source.save(p("bmp24_pillow.bmp"))
    subprocess.run([CONVERT, p("photo_source.png"), "BMP3:" + p("bmp24_im.bmp")], check=True)
    rgba = source.convert("RGBA")
    rgba.putalpha(200)
    rgba.save(p("bmp32_pillow.bmp"))
    subprocess.run([CONVERT, p("photo_source.png"), "-alpha", "set", "-define", "bmp3:alpha=true",
                    "BMP3:" + p("bmp32_im.bmp")], check=True)
    subprocess.run([CONVERT, p("photo_source.png"), "BMP2:" + p("bmp24_core_im.bmp")], check=True)
    subprocess.run([CONVERT, p("photo_source.png"), "-colors", "64", "-type", "Palette",
                    "BMP2:" + p("bmp8_core_im.bmp")], check=True)
    bmp_with_masks(p("bmp32_bitfields.bmp"), source, 32)
    bmp_with_masks(p("bmp16_bitfields.bmp"), source, 16)

    # Run-length encoded, V4 and V5 headers as ImageMagick writes them by default, 5-6-5.
    subprocess.run([CONVERT, p("photo_source.png"), "-colors", "50", "-type", "Palette",
                    "BMP:" + p("bmp8_im_rle_v5.bmp")], check=True)
    subprocess.run([CONVERT, p("photo_source.png"), "BMP:" + p("bmp24_im_v5.bmp")], check=True)
    subprocess.run([CONVERT, p("photo_source.png"), "-alpha", "set", "BMP:" + p("bmp32_im_v5.bmp")], check=True)
    shorten_v5_header(p("bmp24_im_v5.bmp"), p("bmp24_v4.bmp"), 108)
    shorten_v5_header(p("bmp32_im_v5.bmp"), p("bmp32_v3.bmp"), 56)
    subprocess.run([CONVERT, p("photo_source.png"), "-define", "bmp:subtype=RGB565",
                    "BMP:" + p("bmp16_565_im.bmp")], check=True)
    drawing = line_drawing(61, 43, 30).quantize(colors=7)
    bmp_rle_with_deltas(p("bmp8_rle_deltas.bmp"), drawing)
    write_reference(p("bmp8_rle_deltas.bmp"), drawing)
    colours16 = palette_picture(53, 29, 16, 31)
    bmp_rle_with_deltas(p("bmp4_rle_deltas.bmp"), colours16, bits=4)
    write_reference(p("bmp4_rle_deltas.bmp"), colours16)
    bmp_top_down(p("bmp24_top_down.bmp"), source)
    for name in ["bmp8_im_rle", "bmp8_im_rle_v5", "bmp24_im_v5", "bmp32_im_v5", "bmp16_565_im",
                 "bmp24_top_down"]:
        reference_from_file(p(name + ".bmp"))
    # Pillow reads no 56-byte header: the shortened files keep the pixels of their V5 source.
    shutil.copy(p("bmp24_im_v5.bmp.rgb"), p("bmp24_v4.bmp.rgb"))
    shutil.copy(p("bmp32_im_v5.bmp.rgb"), p("bmp32_v3.bmp.rgb"))

    for name in ["bmp1_pillow", "bmp1_im", "bmp4_im", "bmp8_im", "bmp8_pillow",
                 "bmp8_no_clrused", "bmp16_555", "bmp24_pillow", "bmp24_im", "bmp32_pillow",
                 "bmp32_im", "bmp24_core_im", "bmp8_core_im", "bmp32_bitfields", "bmp16_bitfields"]:
        reference_from_file(p(name + ".bmp"))
    # Bench inputs share the generator.
    line_drawing(572, 452, 4).convert("P", palette=Image.ADAPTIVE, colors=256).save(p("bench_572x452_8bit.bmp"))
    bmp_rle_with_deltas(p("bench_572x452_rle8.bmp"),
                        line_drawing(572, 452, 4).convert("P", palette=Image.ADAPTIVE, colors=256))
    line_drawing(572, 452, 4).convert("RGB").save(p("bench_572x452_24bit.bmp"))


# ---------------------------------------------------------------------------------------- GIF

def reference_frames(path, later_frames=True):
    """Frame 0 cropped to the first image's own rectangle; later frames only when they cover
    the whole screen and have no transparent index (Pillow lays those over earlier frames)."""
    with Image.open(path) as im:
        extent = im.tile[0][1] if im.tile else (0, 0) + im.size
        write_reference(path, im.convert("RGB").crop(extent))
        k = 1
        while True:
            try:
                im.seek(k)
            except EOFError:
                break
            if later_frames and im.tile and im.tile[0][1] == (0, 0) + im.size:
                write_reference(path + ".frame%d" % k, im.convert("RGB"))
            k += 1


def make_gif(out):
    p = lambda name: os.path.join(out, name)
    drawing = line_drawing(90, 70, 5)
    drawing.save(p("drawing_source.png"))
    colour = palette_picture(61, 47, 200, 6)

    subprocess.run([CONVERT, p("drawing_source.png"), "GIF87:" + p("gif87a_im.gif")], check=True)
    subprocess.run([CONVERT, p("drawing_source.png"), "-interlace", "GIF", "GIF87:" + p("gif87a_im_interlaced.gif")], check=True)
    subprocess.run([CONVERT, p("drawing_source.png"), "-interlace", "none", "GIF:" + p("gif89a_im.gif")], check=True)
    colour.save(p("gif_pillow_interlaced.gif"), interlace=1)
    colour.save(p("gif_pillow_plain.gif"), interlace=0)
    # Extensions: looping application block, comment, graphic control with a transparent index.
    frames = [palette_picture(61, 47, 120, 7), palette_picture(61, 47, 90, 8), palette_picture(61, 47, 30, 9)]
    frames[0].save(p("gif_frames_extensions.gif"), save_all=True, append_images=frames[1:],
                   comment=b"a short comment", loop=0, duration=120, transparency=2, disposal=1,
                   optimize=False)
    # A second frame whose palette differs from the first gets a local table.
    palette_picture(33, 21, 40, 15).save(p("gif_pillow_local_tables.gif"), save_all=True,
                                         append_images=[palette_picture(33, 21, 60, 16)],
                                         optimize=False)
    # A first frame smaller than the screen at (40, 40).
    subprocess.run([CONVERT, "-size", "10x5", "gradient:red-blue", "-colors", "8",
                    "-page", "100x100+40+40", "GIF:" + p("gif_offset_frame.gif")], check=True)
    Image.new("P", (1, 1), 3).save(p("gif_1x1_pillow.gif"))
    subprocess.run([CONVERT, "-size", "1x1", "xc:orange", "GIF:" + p("gif_1x1_im.gif")], check=True)
    palette_picture(3, 1000, 16, 10).save(p("gif_3x1000_pillow.gif"), interlace=1)
    subprocess.run([CONVERT, "-size", "3x1000", "gradient:white-purple", "-colors", "64",
                    "-interlace", "GIF", "GIF:" + p("gif_3x1000_im.gif")], check=True)
    for name in ["gif87a_im", "gif87a_im_interlaced", "gif89a_im", "gif_pillow_interlaced",
                 "gif_pillow_plain", "gif_frames_extensions", "gif_pillow_local_tables",
                 "gif_offset_frame", "gif_1x1_pillow", "gif_1x1_im", "gif_3x1000_pillow",
                 "gif_3x1000_im"]:
        reference_frames(p(name + ".gif"), later_frames=(name != "gif_frames_extensions"))

    # Bench inputs: line drawings, interlaced and not.
    for (w, h) in [(572, 452), (2000, 1500)]:
        src = p("bench_%dx%d.png" % (w, h))
        line_drawing(w, h, 11).save(src)
        subprocess.run([CONVERT, src, "-colors", "256", "-interlace", "none", "GIF:" + p("bench_%dx%d.gif" % (w, h))], check=True)
        subprocess.run([CONVERT, src, "-colors", "256", "-interlace", "GIF", "GIF:" + p("bench_%dx%d_interlaced.gif" % (w, h))], check=True)
        reference_frames(p("bench_%dx%d.gif" % (w, h)))
        reference_frames(p("bench_%dx%d_interlaced.gif" % (w, h)))


# ---------------------------------------------------------------------------------------- PNG

def reference_over_white(path):
    """Pillow's decode with its transparency laid over white paper, as the program shows it."""
    with Image.open(path) as im:
        rgba = im.convert("RGBA")
        write_reference(path, Image.alpha_composite(Image.new("RGBA", rgba.size, "white"), rgba))


def make_png(out):
    p = lambda name: os.path.join(out, name)
    picture = photo(45, 31, 20)
    picture.save(p("png_source.png"))
    grey = picture.convert("L")
    picture.quantize(colors=100).save(p("png_palette.png"))
    picture.quantize(colors=12).save(p("png_palette_trns.png"), transparency=3)
    picture.convert("1").save(p("png_grey1.png"))
    for bits in (2, 4):
        subprocess.run([CONVERT, p("png_source.png"), "-colorspace", "Gray", "-depth", str(bits),
                        "-define", "png:bit-depth=%d" % bits, "-define", "png:color-type=0",
                        "PNG:" + p("png_grey%d.png" % bits)], check=True)
    grey.save(p("png_grey8.png"))
    # 16-bit grey of known high bytes: v·257 keeps v in the high byte. Pillow reads such a file
    # as 16-bit values, so the reference is the 8-bit source itself.
    grey.point(lambda v: v * 257, "I").save(p("png_grey16.png"))
    # Alpha from 0 on the top row to 255 on the bottom one.
    shade = Image.new("L", picture.size)
    shade.putdata([y * 255 // (picture.height - 1) for y in range(picture.height) for _ in range(picture.width)])
    grey_alpha = grey.convert("LA")
    grey_alpha.putalpha(shade)
    grey_alpha.save(p("png_grey_alpha.png"))
    picture.save(p("png_rgb8.png"))
    subprocess.run([CONVERT, p("png_source.png"), "-depth", "16", "PNG48:" + p("png_rgb16.png")], check=True)
    rgba = picture.convert("RGBA")
    rgba.putalpha(shade)
    rgba.save(p("png_rgba.png"))
    subprocess.run([CONVERT, p("png_rgba.png"), "-depth", "16", "PNG64:" + p("png_rgba16.png")], check=True)
    picture.save(p("png_rgb_trns.png"), transparency=picture.getpixel((3, 4)))
    for name, source in [("png_rgb8_interlaced", "png_rgb8.png"),
                         ("png_rgba_interlaced", "png_rgba.png"),
                         ("png_palette_interlaced", "png_palette.png")]:
        subprocess.run([CONVERT, p(source), "-interlace", "PNG", "PNG:" + p(name + ".png")], check=True)
    for name in ["png_palette", "png_grey1", "png_grey2", "png_grey4", "png_grey8",
                 "png_rgb8", "png_rgb16", "png_rgb8_interlaced", "png_palette_interlaced"]:
        reference_from_file(p(name + ".png"))
    write_reference(p("png_grey16.png"), grey)
    for name in ["png_palette_trns", "png_grey_alpha", "png_rgba", "png_rgba16", "png_rgb_trns",
                 "png_rgba_interlaced"]:
        reference_over_white(p(name + ".png"))

    # Bench inputs: line drawings as a drawing program saves them, grey and colour.
    for (w, h) in [(572, 452), (2000, 1500)]:
        line_drawing(w, h, 21).convert("RGB").save(p("bench_drawing_%dx%d.png" % (w, h)))


# --------------------------------------------------------------------------------------- JPEG

def make_jpeg(out):
    p = lambda name: os.path.join(out, name)
    picture = photo(131, 97, 12)
    grey = picture.convert("L")
    grey.save(p("jpeg_grey.jpg"), quality=90)
    picture.save(p("jpeg_420.jpg"), quality=90, subsampling=2)
    picture.save(p("jpeg_444.jpg"), quality=90, subsampling=0)
    picture.save(p("jpeg_progressive.jpg"), quality=85, progressive=True)
    picture.convert("CMYK").save(p("jpeg_cmyk.jpg"), quality=90)
    picture.save(p("photo_source_jpeg.png"))
    subprocess.run([CONVERT, p("photo_source_jpeg.png"), "-quality", "80", "JPEG:" + p("jpeg_im.jpg")], check=True)
    for name in ["jpeg_grey", "jpeg_420", "jpeg_444", "jpeg_progressive", "jpeg_im"]:
        reference_from_file(p(name + ".jpg"))
    # Pillow inverts CMYK on the way out and back in (Adobe convention); the library hands the
    # stored values through, so the reference is the stored cyan, magenta and yellow.
    with Image.open(p("jpeg_cmyk.jpg")) as im:
        c, m, y, _ = im.split()
        stored = Image.merge("RGB", [band.point(lambda v: 255 - v) for band in (c, m, y)])
        write_reference(p("jpeg_cmyk.jpg"), stored)
    # A baseline file cut short: the library completes it after a warning.
    with open(p("jpeg_420.jpg"), "rb") as f:
        data = f.read()
    with open(p("jpeg_truncated.jpg"), "wb") as f:
        f.write(data[: len(data) * 3 // 5])

    # Bench inputs.
    photo(1024, 768, 13).save(p("bench_photo_1024x768.jpg"), quality=90)
    line_drawing(1024, 768, 14).convert("RGB").save(p("bench_drawing_1024x768.jpg"), quality=90)


def main():
    out = sys.argv[1]
    shutil.rmtree(out, ignore_errors=True)   # no stale reference may outlive its file
    os.makedirs(out)
    make_bmp(out)
    make_gif(out)
    make_jpeg(out)
    make_png(out)
    with open(os.path.join(out, "stamp"), "w") as f:
        f.write("complete\n")


if __name__ == "__main__":
    main()
