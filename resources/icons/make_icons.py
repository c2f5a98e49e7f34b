#!/usr/bin/env python3
"""Draws the viewer's icons: ten 16x16 object-kind icons, five 16x16 command
icons (find, open, font, copy, export) and the application icon in three
sizes, also as a Windows .ico. Plain Python (zlib + struct), no imaging library.

Run from this folder: python3 make_icons.py
"""
import struct
import zlib


def write_png(path, pixels, size):
    raw = bytearray()
    for y in range(size):
        raw.append(0)  # filter: none
        for x in range(size):
            raw.extend(pixels[y][x])

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(bytes(raw), 9))
    png += chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(png)


def rgb(hex_text, alpha=255):
    return (int(hex_text[0:2], 16), int(hex_text[2:4], 16), int(hex_text[4:6], 16), alpha)


CLEAR = (0, 0, 0, 0)
OUTLINE = rgb("3C3C3C")
WHITE = rgb("FFFFFF")
PAPER_LINE = rgb("B4B4B4")
FOLD = rgb("DCDCDC")


class Icon16:
    def __init__(self):
        self.p = [[CLEAR] * 16 for _ in range(16)]

    def set(self, x, y, c):
        if 0 <= x < 16 and 0 <= y < 16:
            self.p[y][x] = c

    def fill(self, x0, y0, x1, y1, c):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.set(x, y, c)

    def frame(self, x0, y0, x1, y1, c):
        for x in range(x0, x1 + 1):
            self.set(x, y0, c)
            self.set(x, y1, c)
        for y in range(y0, y1 + 1):
            self.set(x0, y, c)
            self.set(x1, y, c)

    def pixels(self, c, points):
        for x, y in points:
            self.set(x, y, c)

    def line(self, x0, y0, x1, y1, c):
        dx, dy = abs(x1 - x0), -abs(y1 - y0)
        sx, sy = (1 if x0 < x1 else -1), (1 if y0 < y1 else -1)
        err = dx + dy
        while True:
            self.set(x0, y0, c)
            if x0 == x1 and y0 == y1:
                return
            e2 = 2 * err
            if e2 >= dy:
                err += dy
                x0 += sx
            if e2 <= dx:
                err += dx
                y0 += sy

    def sheet(self, x0, y0, x1, y1, lines=True):
        """A plain page with a few text lines."""
        self.fill(x0, y0, x1, y1, WHITE)
        self.frame(x0, y0, x1, y1, OUTLINE)
        if lines:
            for y in range(y0 + 2, y1 - 1, 2):
                self.fill(x0 + 2, y, x1 - 2, y, PAPER_LINE)

    def page(self):
        # A sheet with a folded top-right corner: x 2..13, y 0..14.
        self.fill(3, 1, 12, 13, WHITE)
        self.frame(2, 0, 13, 14, OUTLINE)
        for i in range(4):  # cut the corner
            for j in range(4 - i):
                self.set(13 - j, i, CLEAR)
        self.pixels(OUTLINE, [(10, 0), (10, 1), (10, 2), (10, 3), (11, 3), (12, 3), (13, 3),
                              (11, 1), (12, 2)])
        self.pixels(FOLD, [(11, 2)])


def kind_unknown():
    i = Icon16()
    i.page()
    for y in (5, 7, 9, 11):
        i.fill(4, y, 11 if y != 11 else 9, y, PAPER_LINE)
    return i


def kind_table():
    i = Icon16()
    blue, dark = rgb("3A6EA5"), rgb("1F3F66")
    i.fill(1, 2, 14, 13, WHITE)
    i.fill(1, 2, 14, 4, blue)
    for x in (5, 10):
        i.fill(x, 5, x, 13, PAPER_LINE)
    for y in (7, 10):
        i.fill(2, y, 13, y, PAPER_LINE)
    i.frame(1, 2, 14, 13, dark)
    return i


def kind_form():
    i = Icon16()
    title, dark, body = rgb("2F6FB5"), rgb("1F3F66"), rgb("E8E8E8")
    i.fill(1, 1, 14, 14, body)
    i.fill(1, 1, 14, 3, title)
    i.fill(11, 2, 13, 2, WHITE)
    for y in (6, 10):
        i.fill(3, y, 4, y, rgb("6E6E6E"))
        i.fill(6, y - 1, 12, y + 1, WHITE)
        i.frame(6, y - 1, 12, y + 1, rgb("8C8C8C"))
    i.frame(1, 1, 14, 14, dark)
    return i


def kind_report():
    i = Icon16()
    i.page()
    i.fill(4, 3, 8, 3, PAPER_LINE)
    i.fill(4, 9, 5, 12, rgb("D9534F"))
    i.fill(7, 5, 8, 12, rgb("F0A030"))
    i.fill(10, 7, 11, 12, rgb("4CAE4C"))
    return i


def kind_dataport():
    i = Icon16()
    teal, dark, light = rgb("2A9D8F"), rgb("17594F"), rgb("8FD6CC")
    # a cylinder: body x 3..12, top ellipse rows 1..3
    i.fill(3, 3, 12, 13, teal)
    i.fill(4, 1, 11, 1, dark)
    i.pixels(dark, [(3, 2), (12, 2), (2, 3), (13, 3)])
    i.fill(4, 2, 11, 3, light)
    i.fill(4, 4, 11, 4, dark)
    i.pixels(dark, [(3, 3), (12, 3)])
    for y in range(3, 14):
        i.set(2, y, dark)
        i.set(13, y, dark)
    i.fill(3, 14, 12, 14, dark)
    i.fill(4, 8, 11, 8, dark)
    # an arrow through it
    i.fill(5, 11, 10, 11, WHITE)
    i.pixels(WHITE, [(9, 10), (9, 12), (8, 9), (8, 13)])
    return i


def kind_codeunit():
    i = Icon16()
    i.page()
    purple = rgb("7B4FA0")
    left = [(6, 4), (5, 4), (5, 5), (5, 6), (5, 7), (4, 8), (5, 9), (5, 10), (5, 11), (5, 12), (6, 12)]
    i.pixels(purple, left)
    i.pixels(purple, [(15 - x, y) for x, y in left])
    i.pixels(purple, [(7, 8), (8, 8)])
    return i


def kind_xmlport():
    i = Icon16()
    i.page()
    brown = rgb("C0601A")
    lt = [(6, 5), (5, 6), (4, 7), (4, 8), (5, 9), (6, 10)]
    i.pixels(brown, lt)
    i.pixels(brown, [(15 - x, y) for x, y in lt])
    i.pixels(brown, [(8, 5), (8, 6), (7, 7), (7, 8), (7, 9), (6, 11)][:5])
    i.pixels(brown, [(8, 4)])
    return i


def kind_menusuite():
    i = Icon16()
    dark, band = rgb("30436B"), rgb("9CC3EA")
    i.fill(1, 1, 14, 14, WHITE)
    i.fill(2, 6, 13, 9, band)
    for y in (3, 7, 11):
        i.fill(3, y, 4, y + 1, rgb("E07B22") if y == 7 else dark)
        i.fill(6, y, 12, y, rgb("505050"))
        i.fill(6, y + 1, 10, y + 1, PAPER_LINE)
    i.frame(1, 1, 14, 14, dark)
    return i


def kind_page():
    """A window with a header band and a grid of fields below it."""
    i = Icon16()
    green, dark, band = rgb("3C8D5A"), rgb("215234"), rgb("D5EEDD")
    i.fill(1, 1, 14, 14, WHITE)
    i.fill(1, 1, 14, 3, green)
    i.fill(11, 2, 13, 2, WHITE)
    i.fill(3, 5, 12, 6, band)
    i.fill(3, 5, 6, 5, dark)
    for y in (8, 11):
        i.fill(3, y, 5, y, rgb("6E6E6E"))
        i.fill(7, y - 1, 12, y, WHITE)
        i.frame(7, y - 1, 12, y, rgb("8C8C8C"))
    i.frame(1, 1, 14, 14, dark)
    return i


def kind_query():
    """A sheet of rows under a magnifying glass."""
    i = Icon16()
    i.page()
    for y in (3, 5):
        i.fill(4, y, 9, y, PAPER_LINE)
    glass, rim, handle = rgb("CFE3F5"), rgb("2F5F8F"), rgb("8A5A2B")
    i.fill(5, 7, 9, 11, glass)
    i.pixels(rim, [(6, 6), (7, 6), (8, 6), (6, 12), (7, 12), (8, 12),
                   (4, 8), (4, 9), (4, 10), (10, 8), (10, 9), (10, 10),
                   (5, 7), (9, 7), (5, 11), (9, 11)])
    i.pixels(WHITE, [(6, 8), (6, 9), (7, 8)])
    for k in range(3):
        i.fill(10 + k, 12 + k, 11 + k, 12 + k, handle)
    return i


# --- the command icons (imlToolbutton), 16x16 ---------------------------------

def cmd_find():
    """Binoculars."""
    i = Icon16()
    dark, body, lens, shine = rgb("262A30"), rgb("4A5563"), rgb("5B8FC7"), rgb("BFD8F2")
    for x0 in (1, 9):
        i.fill(x0 + 1, 1, x0 + 4, 3, body)      # eyepiece
        i.frame(x0 + 1, 1, x0 + 4, 3, dark)
        i.fill(x0, 4, x0 + 5, 14, body)         # barrel
        i.frame(x0, 4, x0 + 5, 14, dark)
        i.set(x0, 4, CLEAR)
        i.set(x0 + 5, 4, CLEAR)
        i.fill(x0 + 1, 10, x0 + 4, 13, lens)    # objective lens
        i.pixels(shine, [(x0 + 1, 10), (x0 + 2, 10), (x0 + 1, 11)])
    i.fill(6, 6, 9, 9, body)                    # bridge
    i.fill(6, 6, 9, 6, dark)
    i.fill(6, 9, 9, 9, dark)
    return i


def cmd_open():
    """An opening folder."""
    i = Icon16()
    back, front, edge, light = rgb("D9A53A"), rgb("F6D57A"), rgb("8C6418"), rgb("FBE7A9")
    i.fill(1, 2, 6, 3, back)                    # tab
    i.frame(1, 2, 6, 3, edge)
    i.fill(1, 3, 12, 13, back)                  # back panel
    i.frame(1, 3, 12, 13, edge)
    i.fill(3, 5, 10, 7, WHITE)                  # a sheet inside
    for y in range(7, 14):                      # the front flap, tilted open
        left = 5 - (y - 7) * 4 // 6
        i.fill(left, y, left + 10, y, front)
        i.set(left, y, edge)
        i.set(left + 10, y, edge)
    i.fill(5, 7, 15, 7, edge)
    i.fill(1, 13, 11, 13, edge)
    i.fill(6, 8, 12, 8, light)
    return i


def cmd_font():
    """The letter A."""
    i = Icon16()
    ink = rgb("1F3F8F")
    i.fill(7, 1, 8, 2, ink)
    for y in range(2, 15):                      # the two legs, two pixels thick
        dx = (y - 1) * 6 // 13
        i.fill(7 - dx - 1, y, 7 - dx, y, ink)
        i.fill(8 + dx, y, 8 + dx + 1, y, ink)
    i.fill(4, 9, 11, 10, ink)                   # the bar
    i.fill(1, 14, 4, 14, ink)                   # serifs
    i.fill(11, 14, 14, 14, ink)
    return i


def cmd_copy():
    """Two pages, one over the other."""
    i = Icon16()
    i.sheet(1, 1, 9, 11)
    i.sheet(6, 4, 14, 14)
    return i


def cmd_export():
    """A list with an arrow leaving it."""
    i = Icon16()
    bullet, arrow, arrow_dark = rgb("3A6EA5"), rgb("4CAE4C"), rgb("2D7A2D")
    i.fill(1, 1, 10, 14, WHITE)
    i.frame(1, 1, 10, 14, OUTLINE)
    for y in (3, 6, 9, 12):
        i.fill(3, y, 4, y, bullet)
        i.fill(6, y, 8, y, PAPER_LINE)
    # the arrow, pointing right out of the list's lower edge
    i.fill(7, 9, 11, 11, arrow)
    for k in range(4):
        i.fill(12 + k, 7 + k, 12 + k, 13 - k, arrow)
    i.line(7, 9, 11, 9, arrow_dark)
    i.line(7, 11, 11, 11, arrow_dark)
    i.line(7, 9, 7, 11, arrow_dark)
    i.line(11, 9, 11, 7, arrow_dark)
    i.line(11, 11, 11, 13, arrow_dark)
    i.line(11, 7, 15, 10, arrow_dark)
    i.line(11, 13, 15, 10, arrow_dark)
    i.fill(8, 10, 11, 10, arrow)
    return i


# --- the application icon, drawn smooth at any size ----------------------------

def app_icon(size):
    samples = 4
    out = []

    def shade(u, v):
        """Colour at (u, v) in a unit square, or None."""
        # rounded blue tile
        r = 0.16
        cx = min(max(u, r), 1 - r)
        cy = min(max(v, r), 1 - r)
        if (u - cx) ** 2 + (v - cy) ** 2 > r * r:
            return None
        colour = (43, 87, 151)
        # white page with a folded corner
        if 0.2 <= u <= 0.8 and 0.12 <= v <= 0.88 and not (u + (0.12 - v) > 0.8 - 0.2 + 0.0 and u > 0.6 and v < 0.32 and (u - 0.6) > (v - 0.12)):
            colour = (255, 255, 255)
            if 0.6 <= u <= 0.8 and 0.12 <= v <= 0.32 and (u - 0.6) <= (v - 0.12):
                colour = (205, 214, 228)
            # a small tree: a stem and three branches ending in kind colours
            if 0.3 <= u <= 0.35 and 0.3 <= v <= 0.74:
                colour = (90, 90, 90)
            for k, (y, c) in enumerate(((0.38, (58, 110, 165)), (0.54, (240, 160, 48)), (0.70, (123, 79, 160)))):
                if 0.35 <= u <= 0.46 and y - 0.02 <= v <= y + 0.02:
                    colour = (90, 90, 90)
                if 0.46 <= u <= 0.56 and y - 0.05 <= v <= y + 0.05:
                    colour = c
                if 0.6 <= u <= 0.72 and y - 0.015 <= v <= y + 0.015:
                    colour = (170, 170, 170)
        return colour

    for y in range(size):
        row = []
        for x in range(size):
            acc = [0, 0, 0]
            hits = 0
            for sy in range(samples):
                for sx in range(samples):
                    c = shade((x + (sx + 0.5) / samples) / size, (y + (sy + 0.5) / samples) / size)
                    if c:
                        hits += 1
                        for k in range(3):
                            acc[k] += c[k]
            if hits == 0:
                row.append(CLEAR)
            else:
                row.append(tuple(round(a / hits) for a in acc) + (round(255 * hits / samples ** 2),))
        out.append(row)
    return out


def write_ico(path, png_paths):
    """A Windows icon file holding the given PNG images as they are."""
    images = []
    for png in png_paths:
        with open(png, "rb") as f:
            data = f.read()
        size = struct.unpack(">I", data[16:20])[0]
        images.append((size, data))
    header = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    entries = b""
    body = b""
    for size, data in images:
        entries += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(data), offset + len(body))
        body += data
    with open(path, "wb") as f:
        f.write(header + entries + body)


def main():
    kinds = [kind_unknown, kind_table, kind_form, kind_report, kind_dataport, kind_codeunit,
             kind_xmlport, kind_menusuite, kind_page, kind_query]
    for n, draw in enumerate(kinds):
        write_png("kind%d.png" % n, draw().p, 16)
    commands = [cmd_find, cmd_open, cmd_font, cmd_copy, cmd_export]
    for n, draw in enumerate(commands):
        write_png("cmd%d.png" % n, draw().p, 16)
    for size in (16, 32, 48):
        write_png("orvanta%d.png" % size, app_icon(size), size)
    write_ico("orvanta.ico", ["orvanta%d.png" % size for size in (16, 32, 48)])


if __name__ == "__main__":
    main()
