#!/usr/bin/env python3
"""Packs raw RGBA pixels into 256-colour (8 bits per pixel) Windows images.

    pack-images.py --icon OUT.ico FILE:SIZE... --bitmap OUT.bmp FILE:WxH

Each FILE holds width * height * 4 bytes, rows from the top, red, green, blue and
alpha per pixel, as `convert ... RGBA:FILE` writes them. An icon image keeps its
transparency as the 1-bit mask (alpha below 128 is transparent); a bitmap has none.
At most 256 distinct colours per image: reduce them before (`-colors`).
"""
import argparse
import struct
import sys

PALETTE_SIZE = 256


def read_rgba(path, width, height):
    with open(path, "rb") as f:
        data = f.read()
    if len(data) != width * height * 4:
        sys.exit(f"{path}: {len(data)} bytes, expected {width * height * 4} for {width}x{height}")
    return [tuple(data[i:i + 4]) for i in range(0, len(data), 4)]


def palette_of(pixels, transparent):
    """The image as palette indexes; transparent pixels get black."""
    colours = {}
    indexes = []
    for (r, g, b, a), clear in zip(pixels, transparent):
        colour = (0, 0, 0) if clear else (r, g, b)
        if colour not in colours:
            colours[colour] = len(colours)
        indexes.append(colours[colour])
    if len(colours) > PALETTE_SIZE:
        sys.exit(f"{len(colours)} colours; at most {PALETTE_SIZE} fit")
    palette = sorted(colours, key=colours.get)
    palette += [(0, 0, 0)] * (PALETTE_SIZE - len(palette))
    return palette, indexes


def rgbquads(palette):
    return b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in palette)


def rows_bottom_up(values, width, height, pack_row):
    out = bytearray()
    for y in reversed(range(height)):
        row = pack_row(values[y * width:(y + 1) * width])
        row += b"\0" * (-len(row) % 4)  # rows end on a 4-byte boundary
        out += row
    return bytes(out)


def pack_mask_row(bits):
    out = bytearray((len(bits) + 7) // 8)
    for x, bit in enumerate(bits):
        if bit:
            out[x // 8] |= 0x80 >> (x % 8)
    return bytes(out)


def info_header(width, height, image_size):
    # BITMAPINFOHEADER: 8 bits per pixel, uncompressed, a full palette.
    return struct.pack("<IiiHHIIiiII", 40, width, height, 1, 8, 0, image_size, 2835, 2835,
                       PALETTE_SIZE, 0)


def icon_image(path, size):
    pixels = read_rgba(path, size, size)
    transparent = [a < 128 for (_, _, _, a) in pixels]
    palette, indexes = palette_of(pixels, transparent)
    colour_bits = rows_bottom_up(indexes, size, size, bytes)
    mask_bits = rows_bottom_up(transparent, size, size, pack_mask_row)
    # An icon's header counts the colour and the mask rows: twice the height.
    header = info_header(size, size * 2, len(colour_bits) + len(mask_bits))
    return header + rgbquads(palette) + colour_bits + mask_bits


def write_icon(out_path, images):
    entries = []
    blobs = []
    offset = 6 + 16 * len(images)
    for path, size in images:
        blob = icon_image(path, size)
        # ICONDIRENTRY: colour count 0 means 256 or more.
        entries.append(struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 8, len(blob),
                                   offset))
        blobs.append(blob)
        offset += len(blob)
    with open(out_path, "wb") as f:
        f.write(struct.pack("<HHH", 0, 1, len(images)))
        f.write(b"".join(entries))
        f.write(b"".join(blobs))


def write_bitmap(out_path, path, width, height):
    pixels = read_rgba(path, width, height)
    palette, indexes = palette_of(pixels, [False] * len(pixels))
    bits = rows_bottom_up(indexes, width, height, bytes)
    header = info_header(width, height, len(bits))
    offset = 14 + len(header) + 4 * PALETTE_SIZE
    with open(out_path, "wb") as f:
        f.write(struct.pack("<2sIHHI", b"BM", offset + len(bits), 0, 0, offset))
        f.write(header + rgbquads(palette) + bits)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--icon", nargs="+", metavar=("OUT", "FILE:SIZE"), required=True)
    parser.add_argument("--bitmap", nargs=2, metavar=("OUT", "FILE:WxH"), required=True)
    args = parser.parse_args()

    icon_out, *icon_inputs = args.icon
    images = []
    for item in icon_inputs:
        path, size = item.rsplit(":", 1)
        images.append((path, int(size)))
    write_icon(icon_out, images)

    bitmap_out, item = args.bitmap
    path, dims = item.rsplit(":", 1)
    width, height = (int(v) for v in dims.split("x"))
    write_bitmap(bitmap_out, path, width, height)


if __name__ == "__main__":
    main()
