#!/usr/bin/env python3
"""Draws the window's art: the banner (93 x 279, 16 colours, 4-bit BMP) and
the window icon (32 x 32, 256 colours, ICO). A stylised handset over a map
with a location pin. Standard library only; run it here to rewrite both."""

import math
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))

# The banner's 16 colours, (r, g, b).
PALETTE16 = [
    (0, 0, 0),        # 0 black
    (16, 40, 96),     # 1 night blue
    (24, 64, 140),    # 2 deep blue
    (40, 96, 180),    # 3 blue
    (72, 136, 212),   # 4 light blue
    (132, 180, 232),  # 5 pale blue
    (232, 240, 250),  # 6 near white
    (255, 255, 255),  # 7 white
    (40, 120, 72),    # 8 dark green
    (76, 168, 96),    # 9 green
    (150, 210, 140),  # 10 light green
    (200, 40, 40),    # 11 red
    (250, 200, 60),   # 12 gold
    (60, 60, 72),     # 13 charcoal
    (120, 124, 136),  # 14 grey
    (188, 192, 200),  # 15 light grey
]

# A stylised coastline and inland border of a map, as a closed polygon in
# unit coordinates (0..1 both ways, y downwards).
MAP_OUTLINE = [
    (0.10, 0.42), (0.22, 0.30), (0.36, 0.28), (0.46, 0.18), (0.60, 0.14),
    (0.74, 0.05), (0.90, 0.10), (0.95, 0.24), (0.84, 0.34), (0.88, 0.46),
    (0.80, 0.58), (0.84, 0.72), (0.72, 0.86), (0.56, 0.92), (0.42, 0.86),
    (0.30, 0.78), (0.16, 0.74), (0.04, 0.60),
]


def inside_polygon(x, y, points):
    """Even-odd rule test of point (x, y) against a closed polygon."""
    result = False
    j = len(points) - 1
    for i, (xi, yi) in enumerate(points):
        xj, yj = points[j]
        if (yi > y) != (yj > y):
            cross = xi + (y - yi) * (xj - xi) / (yj - yi)
            if x < cross:
                result = not result
        j = i
    return result


def in_rounded_rect(x, y, left, top, right, bottom, radius):
    if x < left or x > right or y < top or y > bottom:
        return False
    cx = min(max(x, left + radius), right - radius)
    cy = min(max(y, top + radius), bottom - radius)
    return (x - cx) ** 2 + (y - cy) ** 2 <= radius ** 2


def draw_scene(width, height, shade):
    """Returns rows of palette indices (0..15) for a scene of the given size.
    `shade` maps a vertical position 0..1 to a background index."""
    pixels = [[shade(y / (height - 1), x, y) for x in range(width)]
              for y in range(height)]
    s = width / 93.0

    # Map in the lower part, with a darker rim.
    map_left, map_top, map_w, map_h = 6 * s, height * 0.58, 81 * s, height * 0.30
    outline = [(map_left + u * map_w, map_top + v * map_h) for u, v in MAP_OUTLINE]
    for y in range(height):
        for x in range(width):
            if inside_polygon(x + 0.5, y + 0.5, outline):
                rim = any(not inside_polygon(x + 0.5 + dx, y + 0.5 + dy, outline)
                          for dx, dy in ((2, 0), (-2, 0), (0, 2), (0, -2)))
                pixels[y][x] = 8 if rim else (10 if (x + y) % 7 == 0 else 9)

    # Location pin on the map.
    pin_x, pin_y, pin_r = map_left + 0.58 * map_w, map_top + 0.40 * map_h, 6 * s
    for y in range(height):
        for x in range(width):
            dx, dy = x + 0.5 - pin_x, y + 0.5 - pin_y
            in_head = dx * dx + dy * dy <= pin_r * pin_r
            in_tip = (0 <= dy <= 2.2 * pin_r and
                      abs(dx) <= pin_r * (1 - dy / (2.2 * pin_r)))
            if in_head or in_tip:
                pixels[y][x] = 7 if dx * dx + dy * dy <= (pin_r * 0.4) ** 2 else 11

    # Handset in the upper part: body, screen, keypad, earpiece, aerial.
    left, top, right, bottom = 24 * s, height * 0.14, 69 * s, height * 0.50
    for y in range(height):
        for x in range(width):
            px, py = x + 0.5, y + 0.5
            if in_rounded_rect(px, py, left, top, right, bottom, 7 * s):
                edge = not in_rounded_rect(px, py, left + 2, top + 2, right - 2,
                                           bottom - 2, 5 * s)
                pixels[y][x] = 14 if edge else 13
            if in_rounded_rect(px, py, left + 6 * s, top + 14, right - 6 * s,
                               top + (bottom - top) * 0.48, 2):
                pixels[y][x] = 5 if py < top + 24 else 4
            if left + 16 * s <= px <= right - 16 * s and top + 6 <= py <= top + 8:
                pixels[y][x] = 15
            if right - 9 * s <= px <= right - 6 * s and top - 14 <= py <= top + 2:
                pixels[y][x] = 14
    keys_top = top + (bottom - top) * 0.56
    for row in range(4):
        for col in range(3):
            kx = left + (12 + col * 10.5) * s
            ky = keys_top + row * (bottom - keys_top - 6) / 4 + 3
            for y in range(int(ky), int(ky + 4 * s)):
                for x in range(int(kx), int(kx + 6 * s)):
                    if 0 <= x < width and 0 <= y < height:
                        pixels[y][x] = 15 if (row, col) != (3, 1) else 12

    # Signal arcs from the aerial.
    ax, ay = right - 7.5 * s, top - 16
    for y in range(height):
        for x in range(width):
            dx, dy = x + 0.5 - ax, y + 0.5 - ay
            r = math.hypot(dx, dy)
            angle = math.degrees(math.atan2(-dy, dx))
            if 20 <= angle <= 160 and any(abs(r - ring * s) < 0.9
                                           for ring in (6, 11, 16)):
                pixels[y][x] = 12
    return pixels


def banner_shade(v, x, y):
    """Night blue at the top to pale blue at the bottom, ordered-dithered."""
    bands = [1, 2, 3, 4, 5, 6]
    level = v * (len(bands) - 1)
    base = int(level)
    frac = level - base
    threshold = ((x % 2) * 2 + (y % 2) * 3 % 4) / 4.0 + 0.125
    index = base + (1 if frac > threshold and base + 1 < len(bands) else 0)
    return bands[index]


def write_banner(path):
    width, height = 93, 279
    pixels = draw_scene(width, height, banner_shade)
    row_bytes = ((width + 1) // 2 + 3) // 4 * 4
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE16)
    data = bytearray()
    for y in reversed(range(height)):
        row = bytearray(row_bytes)
        for x in range(width):
            if x % 2 == 0:
                row[x // 2] |= pixels[y][x] << 4
            else:
                row[x // 2] |= pixels[y][x]
        data += row
    offset = 14 + 40 + len(palette)
    header = struct.pack("<2sIHHI", b"BM", offset + len(data), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 4, 0, len(data),
                       3780, 3780, 16, 16)
    with open(path, "wb") as out:
        out.write(header + info + palette + bytes(data))


def write_icon(path):
    size = 32
    # 256 colours: the banner's 16 first, then a ramp of blues to fill.
    palette = list(PALETTE16)
    while len(palette) < 256:
        t = (len(palette) - 16) / 239.0
        palette.append((int(16 + 100 * t), int(40 + 160 * t), int(96 + 150 * t)))

    pixels = [[-1] * size for _ in range(size)]
    for y in range(size):
        for x in range(size):
            dx, dy = x + 0.5 - 16, y + 0.5 - 17
            if dx * dx + dy * dy <= 14.5 ** 2:
                pixels[y][x] = 9 if inside_polygon(
                    (x + 0.5) / size, (y + 0.5 - 4) / 26, MAP_OUTLINE) else 3
            if in_rounded_rect(x + 0.5, y + 0.5, 6, 3, 17, 28, 3):
                pixels[y][x] = 13
            if in_rounded_rect(x + 0.5, y + 0.5, 8, 6, 15, 14, 1):
                pixels[y][x] = 5
            if 8 <= x <= 14 and 17 <= y <= 25 and x % 2 == 0 and y % 2 == 1:
                pixels[y][x] = 15
            pdx, pdy = x + 0.5 - 23, y + 0.5 - 12
            if pdx * pdx + pdy * pdy <= 16 or (0 <= pdy <= 9 and
                                                abs(pdx) <= 4 * (1 - pdy / 9)):
                pixels[y][x] = 7 if pdx * pdx + pdy * pdy <= 2.5 else 11

    xor = bytearray()
    mask = bytearray()
    for y in reversed(range(size)):
        mask_row = bytearray(4)
        for x in range(size):
            value = pixels[y][x]
            xor.append(max(value, 0))
            if value < 0:
                mask_row[x // 8] |= 0x80 >> (x % 8)
        mask += mask_row
    colours = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in palette)
    info = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 8, 0,
                       len(xor) + len(mask), 0, 0, 256, 0)
    image = info + colours + bytes(xor) + bytes(mask)
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", size, size, 0, 0, 1, 8, len(image), 22)
    with open(path, "wb") as out:
        out.write(directory + entry + image)


if __name__ == "__main__":
    write_banner(os.path.join(HERE, "banner.bmp"))
    write_icon(os.path.join(HERE, "attrsearch.ico"))
