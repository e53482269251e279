"""Reading a screen grab: 24-bit BMP files as the probe writes them, and what the text in a
part of one looks like (its colour, how heavy its strokes are, where it ends)."""

import collections
import struct

Profile = collections.namedtuple("Profile", "colour stroke margin_right ink")


class Picture:
    """Top-down rows of (r, g, b) tuples."""

    def __init__(self, width, height, rows):
        self.width, self.height, self.rows = width, height, rows

    def crop(self, x, y, width, height):
        return Picture(width, height, [row[x:x + width] for row in self.rows[y:y + height]])

    def pixels(self):
        return [p for row in self.rows for p in row]


def load_bmp(path):
    data = open(path, "rb").read()
    if data[:2] != b"BM":
        raise ValueError(f"{path} is not a BMP file")
    offset = struct.unpack_from("<I", data, 10)[0]
    width, height = struct.unpack_from("<ii", data, 18)
    bits = struct.unpack_from("<H", data, 28)[0]
    if bits != 24:
        raise ValueError(f"{path}: {bits} bits per pixel, 24 expected")
    stride = (width * 3 + 3) & ~3
    rows = []
    for line in range(abs(height)):
        start = offset + line * stride
        row = data[start:start + width * 3]
        rows.append([(row[i + 2], row[i + 1], row[i]) for i in range(0, width * 3, 3)])
    if height > 0:  # stored bottom-up
        rows.reverse()
    return Picture(width, abs(height), rows)


def _distance(a, b):
    return sum(abs(x - y) for x, y in zip(a, b))


def ink_profile(area, strong=300):
    """The text drawn on a plain background: the background is the commonest colour, ink what
    stands far from it (anti-aliased edges left out)."""
    background = collections.Counter(area.pixels()).most_common(1)[0][0]
    ink_rows = [[_distance(p, background) >= strong for p in row] for row in area.rows]
    ink = [p for row, marks in zip(area.rows, ink_rows) for p, m in zip(row, marks) if m]
    if not ink:
        return Profile("none", 0.0, area.width, 0)
    r, g, b = (sum(c[i] for c in ink) / len(ink) for i in range(3))
    if b >= 160 and r <= 90 and g <= 90:
        colour = "blue"
    elif max(r, g, b) <= 90:
        colour = "dark"
    else:
        colour = f"rgb({r:.0f},{g:.0f},{b:.0f})"
    runs = []
    for marks in ink_rows:
        length = 0
        for mark in marks + [False]:
            if mark:
                length += 1
            elif length:
                runs.append(length)
                length = 0
    last_column = max(x for marks in ink_rows for x, m in enumerate(marks) if m)
    return Profile(colour, sum(runs) / len(runs), area.width - 1 - last_column, len(ink))
