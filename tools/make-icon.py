#!/usr/bin/env python3
"""Draws Wayfold's icon: a route of straight legs through waypoint dots on a map tile.

Writes a Windows .ico holding two 16-colour images, 32x32 and 16x16, both drawn from
the one description below (coordinates are fractions of the image size).

    tools/make-icon.py [output]        default: resources/wayfold.ico
"""
import os
import struct
import sys

# The standard 16-colour palette, as (red, green, blue).
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, GREEN, NAVY, SILVER, GREY, RED, LIME, WHITE = 0, 2, 4, 7, 8, 9, 10, 15
TRANSPARENT = None

# The route: waypoints from start to end.
ROUTE = [(0.20, 0.78), (0.36, 0.40), (0.62, 0.60), (0.80, 0.22)]

# Per size, in pixels: leg half-width, dot radius and outline, tile corner radius, grid
# spacing; and the colours of the start and middle dots (the end dot is red).
STYLE = {
    32: {"leg": 1.3, "dot": 2.5, "outline": 1.0, "corner": 4.0, "grid": 8, "start": LIME, "middle": WHITE},
    16: {"leg": 0.6, "dot": 1.5, "outline": 0.0, "corner": 2.0, "grid": 0, "start": GREEN, "middle": BLACK},
}


def segment_distance(px, py, ax, ay, bx, by):
    """Distance from point p to the segment a-b."""
    dx, dy = bx - ax, by - ay
    length2 = dx * dx + dy * dy
    t = 0.0 if length2 == 0 else max(0.0, min(1.0, ((px - ax) * dx + (py - ay) * dy) / length2))
    cx, cy = ax + t * dx, ay + t * dy
    return ((px - cx) ** 2 + (py - cy) ** 2) ** 0.5


def inside_tile(px, py, size, corner):
    """Whether the pixel centre lies in the rounded square that fills the image."""
    lo, hi = 0.5, size - 0.5
    cx = min(max(px, lo + corner), hi - corner)
    cy = min(max(py, lo + corner), hi - corner)
    return ((px - cx) ** 2 + (py - cy) ** 2) ** 0.5 <= corner


def pixel(x, y, size):
    """The palette index of one pixel, or TRANSPARENT."""
    style = STYLE[size]
    px, py = x + 0.5, y + 0.5
    if not inside_tile(px, py, size, style["corner"]):
        return TRANSPARENT
    points = [(u * size, v * size) for u, v in ROUTE]
    # Dots over legs over the tile; the first dot is the start, the last the end.
    for index, (cx, cy) in enumerate(points):
        distance = ((px - cx) ** 2 + (py - cy) ** 2) ** 0.5
        if distance <= style["dot"]:
            if index == 0:
                return style["start"]
            return RED if index == len(points) - 1 else style["middle"]
        if distance <= style["dot"] + style["outline"]:
            return BLACK
    for (ax, ay), (bx, by) in zip(points, points[1:]):
        if segment_distance(px, py, ax, ay, bx, by) <= style["leg"]:
            return NAVY
    neighbours = ((px - 1, py), (px + 1, py), (px, py - 1), (px, py + 1))
    if not all(inside_tile(nx, ny, size, style["corner"]) for nx, ny in neighbours):
        return GREY
    if style["grid"] and (x % style["grid"] == 0 or y % style["grid"] == 0):
        return SILVER
    return WHITE


def icon_image(size):
    """One icon image: BITMAPINFOHEADER, palette, 4-bit colour rows, 1-bit mask rows."""
    colour_row = (size * 4 + 31) // 32 * 4
    mask_row = (size + 31) // 32 * 4
    colours = bytearray()
    mask = bytearray()
    for y in reversed(range(size)):  # bottom-up rows
        row = [pixel(x, y, size) for x in range(size)]
        packed = bytearray(colour_row)
        bits = bytearray(mask_row)
        for x, value in enumerate(row):
            if value is TRANSPARENT:
                bits[x // 8] |= 0x80 >> (x % 8)
                value = BLACK
            packed[x // 2] |= value << (4 if x % 2 == 0 else 0)
        colours += packed
        mask += bits
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0,
                         len(colours) + len(mask), 0, 0, 16, 0)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    return header + palette + bytes(colours) + bytes(mask)


def icon_file(sizes):
    images = [icon_image(size) for size in sizes]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, image in zip(sizes, images):
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 16, 0, 1, 4, len(image), offset)
        offset += len(image)
    return out + b"".join(images)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    target = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "resources", "wayfold.ico")
    with open(target, "wb") as out:
        out.write(icon_file([32, 16]))


if __name__ == "__main__":
    main()
