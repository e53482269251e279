#!/usr/bin/env python3
"""Draws Nimbara's artwork into resources/: the title strip, its 16 x 16 picture
and close glyph, the six toolbar images, the program icon and the About banner; the
picture, the glyph and the toolbar images also at twice their size.
Run it again after changing a drawing; the generated files are committed."""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, '..', 'resources')


class Canvas:
    """A picture drawn in designed pixels; `scale` pixels of it make one designed pixel,
    so that the same drawing gives the picture for 96 dpi (1) and for 192 dpi (2)."""

    def __init__(self, w, h, fill=(0, 0, 0), scale=1):
        self.s = scale
        self.w, self.h = w * scale, h * scale
        self.px = [[fill] * self.w for _ in range(self.h)]

    def put(self, x, y, c):
        if 0 <= x < self.w and 0 <= y < self.h:
            self.px[y][x] = c

    def rect(self, x0, y0, x1, y1, c):
        s = self.s
        for y in range(y0 * s, y1 * s):
            for x in range(x0 * s, x1 * s):
                self.put(x, y, c)

    def disc(self, cx, cy, r, c, inner=0):
        # Each pixel by its centre, in designed pixels.
        s = self.s
        for y in range(self.h):
            for x in range(self.w):
                u, v = (x + 0.5) / s - 0.5, (y + 0.5) / s - 0.5
                d = ((u - cx) ** 2 + (v - cy) ** 2) ** 0.5
                if inner <= d <= r:
                    self.put(x, y, c)

    def line(self, x0, y0, x1, y1, c, t=1):
        s = self.s
        n = max(abs(x1 - x0), abs(y1 - y0), 1) * s
        for i in range(n + 1):
            x = (x0 + (x1 - x0) * i / n) * s
            y = (y0 + (y1 - y0) * i / n) * s
            for dy in range(t * s):
                for dx in range(t * s):
                    self.put(int(round(x)) + dx, int(round(y)) + dy, c)


def bmp24(c):
    row = (c.w * 3 + 3) & ~3
    data = b''
    for y in reversed(range(c.h)):
        r = b''.join(struct.pack('BBB', b, g, rr) for (rr, g, b) in c.px[y])
        data += r + b'\0' * (row - len(r))
    head = struct.pack('<IiiHHIIiiII', 40, c.w, c.h, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    return b'BM' + struct.pack('<IHHI', 14 + 40 + len(data), 0, 0, 54) + head + data


def palette_of(c):
    colours = []
    for row in c.px:
        for p in row:
            if p not in colours:
                colours.append(p)
    assert len(colours) <= 256, len(colours)
    return colours + [(0, 0, 0)] * (256 - len(colours))


def dib8(c, height_factor=1):
    pal = palette_of(c)
    index = {p: i for i, p in enumerate(pal)}
    row = (c.w + 3) & ~3
    data = b''
    for y in reversed(range(c.h)):
        r = bytes(index[p] for p in c.px[y])
        data += r + b'\0' * (row - len(r))
    head = struct.pack('<IiiHHIIiiII', 40, c.w, c.h * height_factor, 1, 8, 0,
                       len(data) * height_factor, 0, 0, 256, 0)
    pal_bytes = b''.join(struct.pack('BBBB', b, g, r, 0) for (r, g, b) in pal)
    return head, pal_bytes, data


def bmp8(c):
    head, pal, data = dib8(c)
    off = 14 + len(head) + len(pal)
    return b'BM' + struct.pack('<IHHI', off + len(data), 0, 0, off) + head + pal + data


def ico8(c):
    head, pal, data = dib8(c, height_factor=2)
    mask_row = ((c.w + 31) // 32) * 4
    mask = b'\0' * (mask_row * c.h)
    image = head + pal + data + mask
    return (struct.pack('<HHH', 0, 1, 1) +
            struct.pack('<BBBBHHII', c.w, c.h, 0, 0, 1, 8, len(image), 22) + image)


NAVY, BLUE, SKY = (16, 52, 120), (40, 100, 200), (120, 180, 245)
FACE, WHITE, ORANGE, DARK = (236, 233, 216), (255, 255, 255), (255, 128, 64), (60, 60, 60)


def clip_board(c, ox, oy, s):
    """The program's mark: a clipboard with a history stack."""
    c.rect(ox + 3 * s, oy + 2 * s, ox + 13 * s, oy + 15 * s, (150, 100, 50))
    c.rect(ox + 4 * s, oy + 4 * s, ox + 12 * s, oy + 14 * s, WHITE)
    c.rect(ox + 6 * s, oy + 1 * s, ox + 10 * s, oy + 4 * s, (90, 90, 90))
    for i, col in enumerate((ORANGE, BLUE, BLUE)):
        c.rect(ox + 5 * s, oy + (6 + 2 * i) * s, ox + 11 * s, oy + (7 + 2 * i) * s, col)


def title():
    c = Canvas(432, 20)
    for x in range(432):
        t = x / 431
        col = tuple(int(a + (b - a) * t) for a, b in zip(NAVY, SKY))
        c.rect(x, 0, x + 1, 20, col)
    c.rect(0, 0, 432, 1, SKY)
    return c


def title_icon(scale=1):
    c = Canvas(16, 16, NAVY, scale)
    clip_board(c, 0, 0, 1)
    return c


def close_glyph(scale=1):
    c = Canvas(9, 8, FACE, scale)
    c.line(1, 0, 7, 6, DARK, 2)
    c.line(7, 0, 1, 6, DARK, 2)
    return c


def toolbar(scale=1):
    c = Canvas(32 * 6, 32, FACE, scale)

    def gear(ox):
        c.disc(ox + 16, 16, 12, (90, 90, 110))
        c.disc(ox + 16, 16, 5, FACE)
        for i in range(8):
            import math
            a = i * math.pi / 4
            x, y = ox + 16 + 12 * math.cos(a), 16 + 12 * math.sin(a)
            c.rect(int(x) - 2, int(y) - 2, int(x) + 3, int(y) + 3, (90, 90, 110))

    def eraser(ox):
        c.rect(ox + 7, 8, ox + 25, 26, (200, 60, 60))
        c.rect(ox + 9, 10, ox + 23, 24, WHITE)
        c.line(ox + 10, 11, ox + 21, 22, (200, 60, 60), 3)
        c.line(ox + 21, 11, ox + 10, 22, (200, 60, 60), 3)

    def help_mark(ox):
        c.disc(ox + 16, 16, 13, BLUE)
        c.disc(ox + 16, 12, 6, WHITE, 3)
        c.rect(ox + 12, 12, ox + 16, 16, BLUE)
        c.rect(ox + 15, 16, ox + 18, 21, WHITE)
        c.rect(ox + 15, 23, ox + 18, 26, WHITE)

    def hide(ox):
        c.rect(ox + 5, 6, ox + 27, 26, (120, 120, 140))
        c.rect(ox + 7, 10, ox + 25, 24, WHITE)
        c.rect(ox + 10, 18, ox + 22, 22, NAVY)

    def about(ox):
        c.disc(ox + 16, 16, 13, (40, 150, 80))
        c.rect(ox + 14, 8, ox + 18, 12, WHITE)
        c.rect(ox + 14, 14, ox + 18, 25, WHITE)

    def leave(ox):
        c.disc(ox + 16, 17, 12, (200, 50, 50), 9)
        c.rect(ox + 11, 2, ox + 21, 12, FACE)
        c.rect(ox + 14, 3, ox + 18, 17, (200, 50, 50))

    for i, draw in enumerate((gear, eraser, help_mark, hide, about, leave)):
        draw(32 * i)
    return c


def icon():
    c = Canvas(32, 32, (0, 0, 0))
    c.rect(0, 0, 32, 32, NAVY)
    clip_board(c, 0, 0, 2)
    return c


def banner():
    c = Canvas(220, 60, WHITE)
    for y in range(60):
        col = tuple(int(a + (b - a) * y / 59) for a, b in zip(SKY, WHITE))
        c.rect(0, y, 220, y + 1, col)
    clip_board(c, 8, 6, 3)
    # "NIMBARA" in block letters.
    glyphs = {
        'N': ['1001', '1101', '1011', '1001', '1001'],
        'I': ['111', '010', '010', '010', '111'],
        'M': ['10001', '11011', '10101', '10001', '10001'],
        'B': ['110', '101', '110', '101', '110'],
        'A': ['010', '101', '111', '101', '101'],
        'R': ['110', '101', '110', '101', '101'],
    }
    x = 66
    for ch in 'NIMBARA':
        g = glyphs[ch]
        for gy, row in enumerate(g):
            for gx, bit in enumerate(row):
                if bit == '1':
                    c.rect(x + gx * 4, 20 + gy * 4, x + gx * 4 + 4, 20 + gy * 4 + 4, NAVY)
        x += len(g[0]) * 4 + 5
    return c


def main():
    files = {
        'title.bmp': bmp24(title()),
        'title_icon.bmp': bmp24(title_icon()),
        'close.bmp': bmp24(close_glyph()),
        'toolbar.bmp': bmp24(toolbar()),
        # Drawn again at twice the size, for the screens of more than 96 dpi.
        'title_icon_2x.bmp': bmp24(title_icon(2)),
        'close_2x.bmp': bmp24(close_glyph(2)),
        'toolbar_2x.bmp': bmp8(toolbar(2)),
        'nimbara.ico': ico8(icon()),
        'banner.bmp': bmp8(banner()),
    }
    for name, data in files.items():
        with open(os.path.join(OUT, name), 'wb') as f:
            f.write(data)


if __name__ == '__main__':
    main()
