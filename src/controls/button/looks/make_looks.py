#!/usr/bin/env python3
"""Draws the 26 looks of the program's push button as look00.png ... look25.png beside this script.

A look is 90 x 21 pixels: one row of five cells of 18 x 21 (normal, pressed, disabled, hover,
focused). Everything that is not plain face lies in the outer 3 pixels of a cell (border, rounded
corners, 2-pixel rims), so the button can stretch the edges and the centre of a cell without
blurring its corners. Only the standard library is used; rerun it after changing a look:

    python3 make_looks.py
"""

import os
import struct
import zlib

CELL_W, CELL_H, CELLS = 18, 21, 5
WHITE, BLACK = "FFFFFF", "000000"


def rgb(hex_colour):
    return tuple(int(hex_colour[i:i + 2], 16) for i in (0, 2, 4))


def mix(a, b, t):
    """Colour t of the way from a to b (both hex texts or tuples)."""
    a = rgb(a) if isinstance(a, str) else a
    b = rgb(b) if isinstance(b, str) else b
    return tuple(round(x + (y - x) * t) for x, y in zip(a, b))


def shade(colour, t):
    """Darker (t < 0) or lighter (t > 0) by |t|."""
    return mix(colour, BLACK if t < 0 else WHITE, abs(t))


def grey_of(colour):
    r, g, b = rgb(colour) if isinstance(colour, str) else colour
    v = round(0.3 * r + 0.59 * g + 0.11 * b)
    return (v, v, v)


def gradient(stops, t):
    """Colour at t (0..1) of a list of (position, colour) stops."""
    for (p0, c0), (p1, c1) in zip(stops, stops[1:]):
        if t <= p1:
            return mix(c0, c1, 0 if p1 == p0 else (t - p0) / (p1 - p0))
    return mix(stops[-1][1], stops[-1][1], 0)


def rim_from(colour):
    """Two rows at the top, one colour at the sides, two rows at the bottom, light to dark."""
    return (shade(colour, 0.7), shade(colour, 0.4), colour, shade(colour, -0.1), shade(colour, -0.25))


class Cell:
    def __init__(self):
        self.px = [[(0, 0, 0, 0)] * CELL_W for _ in range(CELL_H)]

    def set(self, x, y, colour, alpha=255):
        c = rgb(colour) if isinstance(colour, str) else colour
        self.px[y][x] = (c[0], c[1], c[2], alpha)

    def get(self, x, y):
        return self.px[y][x][:3]


def draw_cell(face, border, rim=None, corners="round", glow=None, scallop=False):
    """face: list of (position, colour) stops over the face rows 1..19, top to bottom."""
    cell = Cell()
    right, bottom = CELL_W - 1, CELL_H - 1
    for y in range(1, bottom):
        colour = gradient(face, (y - 1) / (bottom - 2))
        for x in range(1, right):
            cell.set(x, y, colour)
    if glow:
        for depth, strength in ((1, 0.6), (2, 0.3)):
            for x in range(depth, CELL_W - depth):
                for y in (depth, bottom - depth):
                    cell.set(x, y, mix(cell.get(x, y), glow, strength))
            for y in range(depth + 1, CELL_H - depth - 1):
                for x in (depth, right - depth):
                    cell.set(x, y, mix(cell.get(x, y), glow, strength))
    if rim:
        top1, top2, side, bottom1, bottom2 = rim
        for x in range(1, right):
            cell.set(x, 1, top1)
            cell.set(x, 2, top2)
            cell.set(x, bottom - 2, bottom1)
            cell.set(x, bottom - 1, bottom2)
        for y in range(3, bottom - 2):
            for x in (1, 2, right - 2, right - 1):
                cell.set(x, y, side)
    for x in range(CELL_W):
        cell.set(x, 0, border)
        cell.set(x, bottom, border)
    for y in range(CELL_H):
        cell.set(0, y, border)
        cell.set(right, y, border)
    if scallop:
        # Small inward bumps every third pixel along the border.
        for x in range(2, right - 1, 3):
            cell.set(x, 1, border)
            cell.set(x, bottom - 1, border)
        for y in range(2, bottom - 1, 3):
            cell.set(1, y, border)
            cell.set(right - 1, y, border)
    for cx, cy, ix, iy in ((0, 0, 1, 1), (right, 0, right - 1, 1), (0, bottom, 1, bottom - 1),
                           (right, bottom, right - 1, bottom - 1)):
        if corners == "round":
            # Blended towards whatever lies behind the button, so the corner looks rounded.
            cell.set(cx, cy, border, 48)
            cell.set(ix, cy, border, 200)
            cell.set(cx, iy, border, 200)
            cell.set(ix, iy, mix(border, cell.get(ix, iy), 0.6))
        elif corners == "open":
            # Left out: the window's own background shows there, light or dark.
            cell.set(cx, cy, WHITE, 0)
    return cell


def look0():
    border = "003C74"
    normal = [(0, "FFFFFF"), (0.5, "F3F3EF"), (1, "D6D0C5")]
    return [
        draw_cell(normal, border),
        draw_cell([(0, "D1CCC1"), (1, "F2F1EE")], border),
        draw_cell([(0, "F5F4EA"), (1, "F5F4EA")], "C9C7BA", corners="open"),
        draw_cell(normal, border, rim=("FFF0CF", "FDD889", "FCCA69", "F8B330", "E59700")),
        draw_cell(normal, border, rim=("CEE7FF", "BCD4F6", "A0BEEC", "89ADE4", "6982EE")),
    ]


def themed(face, border, hover, focus, corners="square", glow=None, scallop=False):
    """hover and focus: a rim colour, or ("border", colour) for a different border instead."""
    if len(face) == 1:
        face = [(0, face[0]), (1, shade(face[0], -0.08))]
    else:
        face = [(i / (len(face) - 1), c) for i, c in enumerate(face)]
    pressed = [(1 - p, shade(c, -0.08)) for p, c in reversed(face)]
    flat = mix(grey_of(gradient(face, 0.5)), "F2F2F2", 0.85)
    disabled_border = mix(grey_of(border), "C8C8C8", 0.7)

    def accent(kind):
        if isinstance(kind, tuple):
            return draw_cell(face, kind[1], corners=corners, glow=glow, scallop=scallop)
        return draw_cell(face, border, rim=rim_from(kind), corners=corners, glow=glow, scallop=scallop)

    dimmed_glow = mix(grey_of(glow), "F2F2F2", 0.5) if glow else None
    return [
        draw_cell(face, border, corners=corners, glow=glow, scallop=scallop),
        draw_cell(pressed, border, corners=corners, glow=glow, scallop=scallop),
        draw_cell([(0, flat), (1, flat)], disabled_border, corners=corners, glow=dimmed_glow,
                  scallop=scallop),
        accent(hover),
        accent(focus),
    ]


LOOKS = [
    look0,
    lambda: themed(["FFFFFF", "C8C8C8"], "000000", "8CB4E6", "5A86C8"),
    lambda: themed(["FF7A7A", "E81010", "B00000"], "4A0000", "FFB0B0", "FFD24D"),
    lambda: themed(["EAF3FD"], "3C7FB1", "9DD5F7", "3C8CE0", corners="round"),
    lambda: themed(["FFFFFF", "C7DDF5"], "2B6CB8", "FFC870", "7FB2F0", corners="round"),
    lambda: themed(["FFFFFF", "9A94B8"], "000000", ("border", "FF4500"), ("border", "00205F")),
    lambda: themed(["176060", "0A3838"], "00FFFF", "9CFFFF", "00BFFF", corners="round", glow="00E5FF"),
    lambda: themed(["FBF7E6"], "6B7F99", "FFA040", "8FA6C8", corners="round"),
    lambda: themed(["9ADB8A", "56B042"], "2E7D1F", "D2F7C4", "1F5E14", corners="round"),
    lambda: themed(["FFE066", "FF9A1F"], "D43A00", "FFF3B0", "B02E00"),
    lambda: themed(["FFFFFF", "E040C8"], "A0168C", "FFC8F0", "6A0A5C"),
    lambda: themed(["F0FFF8", "A8DCC8"], "1F7A70", "FFE640", "3FA89A", corners="round"),
    lambda: themed(["FBD9E6"], "7A3C9C", "F3A6C8", "B48AD6", corners="round"),
    lambda: themed(["C8F56A", "A6E23A"], "27C000", "EEFFB0", "1E8C00", corners="round"),
    lambda: themed(["FFFFFF", "7FC4FF"], "0A64C8", "CDEBFF", "0A4896", corners="round"),
    lambda: themed(["FFFFFF", "8AA8E8"], "1E50B4", "FFA030", "5078D2", corners="round"),
    lambda: themed(["FFF8DC"], "6B7A2A", "C87533", "9AA85A"),
    lambda: themed(["FFD36B", "FFB000"], "E06A00", "FFF0B8", "A04800", corners="round"),
    lambda: themed(["FFFFFF", "C8B8F0"], "1A237E", "E6DCFF", "3949AB", corners="round"),
    lambda: themed(["F0F0F0", "B8B8B8"], "9A9A9A", "FFFFFF", "707070", corners="round"),
    lambda: themed(["FFFFFF"], "2060C0", "A8C8F0", "0A3A8A", corners="round", scallop=True),
    lambda: themed(["D6DCFF", "8C96E6"], "1C1C3C", "EEF0FF", "4A52B0"),
    lambda: themed(["FFFFFF", "DC143C"], "C00000", "FFC0C8", "800018"),
    lambda: themed(["FFFFFF", "E0E0E0"], "000000", "B0B0B0", "5A88D0"),
    lambda: themed(["8A4B25", "5C2E12"], "3A1A08", "40D040", "D08850", corners="round"),
    lambda: themed(["FFF36B", "FFE600"], "4B5320", "FFFFC8", "7A8530"),
]


def write_png(path, width, height, rows):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    raw = b"".join(b"\x00" + bytes(v for px in row for v in px) for row in rows)
    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(raw, 9))
    png += chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(png)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    assert len(LOOKS) == 26
    for n, make in enumerate(LOOKS):
        cells = make()
        assert len(cells) == CELLS
        rows = [[px for cell in cells for px in cell.px[y]] for y in range(CELL_H)]
        write_png(os.path.join(here, "look%02d.png" % n), CELL_W * CELLS, CELL_H, rows)


if __name__ == "__main__":
    main()
