#!/usr/bin/env python3
"""Writes the desktop icons attrsearch-32.png, -64.png and -128.png from the
window icon app/resources/attrsearch.ico (32 x 32, 256 colours, drawn by
make_art.py there): the same pixels, scaled up by whole factors so that they
stay sharp, with the icon's mask as transparency. Standard library only; run
it here after the icon changes."""

import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
ICON = os.path.join(HERE, "..", "app", "resources", "attrsearch.ico")


def read_icon(path):
    """Rows of (r, g, b, a) of the first image of an 8-bit ICO, top row first."""
    with open(path, "rb") as f:
        data = f.read()
    _, kind, count = struct.unpack_from("<HHH", data, 0)
    if kind != 1 or count < 1:
        raise SystemExit(f"{path}: not an icon")
    width, height, _, _, _, bits, size, offset = struct.unpack_from("<BBBBHHII", data, 6)
    width, height = width or 256, height or 256
    header_size, _, _, _, bpp = struct.unpack_from("<IiiHH", data, offset)
    if bpp != 8:
        raise SystemExit(f"{path}: {bpp}-bit image, 8-bit expected")
    palette_at = offset + header_size
    palette = [struct.unpack_from("<BBBB", data, palette_at + 4 * i)[:3] for i in range(256)]
    pixels_at = palette_at + 4 * 256
    row_bytes = (width + 3) // 4 * 4
    mask_at = pixels_at + row_bytes * height
    mask_row = ((width + 7) // 8 + 3) // 4 * 4
    rows = []
    for y in reversed(range(height)):  # bottom-up in the file
        row = []
        for x in range(width):
            b, g, r = palette[data[pixels_at + y * row_bytes + x]]
            clear = data[mask_at + y * mask_row + x // 8] & (0x80 >> (x % 8))
            row.append((r, g, b, 0 if clear else 255))
        rows.append(row)
    return rows


def write_png(path, rows, factor):
    raw = bytearray()
    for row in rows:
        line = bytearray([0])
        for pixel in row:
            line += bytes(pixel) * factor
        raw += bytes(line) * factor
    width, height = len(rows[0]) * factor, len(rows) * factor

    def chunk(kind, body):
        return (struct.pack(">I", len(body)) + kind + body +
                struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF))

    png = (b"\x89PNG\r\n\x1a\n" +
           chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)) +
           chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b""))
    with open(path, "wb") as out:
        out.write(png)


if __name__ == "__main__":
    pixels = read_icon(ICON)
    for factor in (1, 2, 4):
        size = len(pixels) * factor
        write_png(os.path.join(HERE, f"attrsearch-{size}.png"), pixels, factor)
