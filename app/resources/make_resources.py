#!/usr/bin/env python3
"""Draws Quorvel's icon (a white mouse) and its pointing-hand cursor.

Usage: python3 make_resources.py OUTDIR
Writes OUTDIR/quorvel.ico and OUTDIR/hand.cur. Only plain float arithmetic is used, so every
run writes the same bytes.
"""
import math
import os
import struct
import sys
import zlib

# What a point of the picture is painted with. The icon keeps to greys so that the 256-colour
# images can carry every shade of the 32-bit picture exactly.
CLEAR, INK, WHEEL, FILL = range(4)
INK_GREY = 32
WHEEL_GREY = 120
FILL_TOP_GREY = 255
FILL_BOTTOM_GREY = 226


# ---------------------------------------------------------------- shapes (signed distances)

def rounded_box(x, y, left, top, right, bottom, radius_top, radius_bottom):
    """Signed distance to a box whose top and bottom corners have their own radius."""
    cx = (left + right) / 2
    cy = (top + bottom) / 2
    r = radius_top if y < cy else radius_bottom
    qx = abs(x - cx) - (right - left) / 2 + r
    qy = abs(y - cy) - (bottom - top) / 2 + r
    outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
    return min(max(qx, qy), 0.0) + outside - r


def segment_distance(x, y, ax, ay, bx, by):
    dx = bx - ax
    dy = by - ay
    t = ((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy)
    t = min(1.0, max(0.0, t))
    return math.hypot(x - ax - t * dx, y - ay - t * dy)


def polyline_distance(x, y, points):
    return min(segment_distance(x, y, *points[i], *points[i + 1]) for i in range(len(points) - 1))


def cubic_points(p0, p1, p2, p3, steps):
    points = []
    for i in range(steps + 1):
        t = i / steps
        u = 1 - t
        points.append((u * u * u * p0[0] + 3 * u * u * t * p1[0] + 3 * u * t * t * p2[0] + t * t * t * p3[0],
                       u * u * u * p0[1] + 3 * u * u * t * p1[1] + 3 * u * t * t * p2[1] + t * t * t * p3[1]))
    return points


# ---------------------------------------------------------------- the mouse

class MousePicture:
    """The mouse seen from above, cable to the top right.

    Laid out on a 16-unit grid; the body spans an odd number of units so that the split between
    the buttons falls on whole pixels at 16, 32 and 48 pixels.
    """

    def __init__(self, size, stroke):
        self.scale = size / 16
        self.stroke = stroke
        s = self.scale
        self.left, self.top, self.right, self.bottom = 4 * s, 4 * s, 13 * s, 16 * s
        self.radius_top, self.radius_bottom = 4.5 * s, 3.5 * s
        self.middle = 8.5 * s
        self.buttons_end = 9.5 * s
        # Up from the body, a rounded bend, then level along a pixel row to the right edge.
        self.cable = cubic_points((self.middle, self.top), (self.middle, 1.5 * s), (9.0 * s, 1.5 * s),
                                  (11.0 * s, 1.5 * s), 16) + [(16.0 * s, 1.5 * s)]
        self.cable_bottom = max(y for _, y in self.cable) + stroke
        self.wheel = (self.middle - 1.0 * s, 5.5 * s, self.middle + 1.0 * s, 8.0 * s) if size >= 32 else None

    def paint(self, x, y):
        """What the point (x, y) is painted with; y grows downwards."""
        half = self.stroke / 2
        body = rounded_box(x, y, self.left, self.top, self.right, self.bottom, self.radius_top, self.radius_bottom)
        if body > 0:
            near_cable = y <= self.cable_bottom and polyline_distance(x, y, self.cable) <= half
            return INK if near_cable else CLEAR
        if body > -self.stroke:
            return INK
        if self.wheel:
            l, t, r, b = self.wheel
            wheel = rounded_box(x, y, l, t, r, b, (r - l) / 2, (r - l) / 2)
            if wheel <= 0:
                return INK if wheel > -self.stroke else WHEEL
        if abs(y - self.buttons_end) <= half or (y < self.buttons_end and abs(x - self.middle) <= half):
            return INK
        return FILL

    def grey(self, paint, y):
        if paint == FILL:
            # Light from above: the body dims slightly towards the palm.
            return FILL_TOP_GREY + (FILL_BOTTOM_GREY - FILL_TOP_GREY) * (y - self.top) / (self.bottom - self.top)
        return INK_GREY if paint == INK else WHEEL_GREY


def render(picture, size, grid):
    """Straight-alpha RGBA rows from grid x grid samples per pixel. A pixel whose nine probes
    (corners, edge middles, centre) hit one paint is taken as uniform, which spares most of the
    sampling; the thinnest stroke is one pixel wide, so none slips between the probes."""
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            probes = {picture.paint(px + fx, py + fy) for fx in (0.02, 0.5, 0.98) for fy in (0.02, 0.5, 0.98)}
            if probes == {CLEAR}:
                grey, alpha = 0.0, 0.0
            elif len(probes) == 1:
                grey, alpha = picture.grey(probes.pop(), py + 0.5), 255.0
            else:
                total = covered = 0
                for sy in range(grid):
                    y = py + (sy + 0.5) / grid
                    for sx in range(grid):
                        paint = picture.paint(px + (sx + 0.5) / grid, y)
                        if paint != CLEAR:
                            total += picture.grey(paint, y)
                            covered += 1
                grey = total / covered if covered else 0.0
                alpha = 255.0 * covered / (grid * grid)
            a = int(alpha + 0.5)
            g = int(grey + 0.5) if a else 0
            row.append((g, g, g, a))
        rows.append(row)
    return rows


# ---------------------------------------------------------------- the hand cursor

HAND_SIZE = 32
HAND_HOTSPOT = (6, 1)


def hand_box(left, top, right, bottom, radius_top, radius_bottom):
    return lambda x, y: rounded_box(x, y, left, top, right, bottom, radius_top, radius_bottom)


def hand_capsule(ax, ay, bx, by, radius):
    return lambda x, y: segment_distance(x, y, ax, ay, bx, by) - radius


# Parts from front to back, in pixels of the 32x32 cursor; the index finger's tip is the hot spot.
HAND_PARTS = [
    ("index", hand_box(5, 1, 9, 17, 2.0, 0.0)),
    ("thumb", hand_capsule(2.2, 14.2, 6.5, 19.5, 1.7)),
    ("middle", hand_box(8, 9, 12, 17, 1.5, 0.0)),
    ("ring", hand_box(11, 10, 15, 17, 1.5, 0.0)),
    ("little", hand_box(14, 12, 18, 19, 1.5, 0.0)),
    ("palm", hand_box(5, 16, 18, 26, 1.0, 4.5)),
]
# Parts drawn as one piece: the palm swallows the fingers' roots, the thumb grows out of the
# index finger's base.
HAND_JOINED = [{"thumb", "index"}] + [{"palm", name} for name, _ in HAND_PARTS if name != "palm"]


def hand_picture():
    """Rows of 'X' (black), 'o' (white) and '.' (transparent)."""
    names = [None] + [name for name, _ in HAND_PARTS]
    labels = [[next((n for n, (_, inside) in enumerate(HAND_PARTS, start=1) if inside(x + 0.5, y + 0.5) <= 0), 0)
               for x in range(HAND_SIZE)] for y in range(HAND_SIZE)]

    def at(x, y):
        return labels[y][x] if 0 <= x < HAND_SIZE and 0 <= y < HAND_SIZE else 0

    def edge(own, other):
        # Between two parts, only the one in front draws the line, so every line is one pixel.
        return other == 0 or (other > own and {names[own], names[other]} not in HAND_JOINED)

    rows = []
    for y in range(HAND_SIZE):
        row = ""
        for x in range(HAND_SIZE):
            own = labels[y][x]
            if not own:
                row += "."
            elif any(edge(own, at(nx, ny)) for nx, ny in ((x - 1, y), (x + 1, y), (x, y - 1), (x, y + 1))):
                row += "X"
            else:
                row += "o"
        rows.append(row)
    return rows


# ---------------------------------------------------------------- file formats

def dib_rows(rows_of_bytes):
    """Bottom-up rows padded to four bytes, as DIBs store them."""
    out = b""
    for row in reversed(rows_of_bytes):
        out += row + b"\0" * (-len(row) % 4)
    return out


def pack_bits(values, bits):
    """Packs small integers most significant bits first, as DIB rows do."""
    out = bytearray()
    per_byte = 8 // bits
    for i in range(0, len(values), per_byte):
        byte = 0
        chunk = values[i:i + per_byte]
        for j, v in enumerate(chunk):
            byte |= v << (8 - bits * (j + 1))
        out.append(byte)
    return bytes(out)


def icon_dib(width, height, bits, palette, colour_rows, mask_rows):
    """An icon or cursor image: header, palette, XOR rows, AND rows; height counts both masks."""
    xor = dib_rows(colour_rows)
    and_mask = dib_rows([pack_bits(row, 1) for row in mask_rows])
    full_palette = 1 << bits if bits <= 8 else 0
    used = len(palette) if len(palette) < full_palette else 0
    header = struct.pack("<IiiHHIIiiII", 40, width, height * 2, 1, bits, 0, len(xor) + len(and_mask), 0, 0, used, 0)
    colours = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in palette)
    return header + colours + xor + and_mask


def png_chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))


def paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    if pa <= pb and pa <= pc:
        return a
    return b if pb <= pc else c


def png_filter_row(kind, row, previous):
    out = bytearray([kind])
    for i, value in enumerate(row):
        a = row[i - 4] if i >= 4 else 0
        b = previous[i]
        c = previous[i - 4] if i >= 4 else 0
        predictor = (0, a, b, (a + b) // 2, paeth(a, b, c))[kind]
        out.append((value - predictor) & 0xFF)
    return bytes(out)


def png_rgba(rows):
    """A straight-alpha RGBA PNG, with the filter and deflate settings that give the fewest bytes."""
    width, height = len(rows[0]), len(rows)
    raw = [bytes(v for pixel in row for v in pixel) for row in rows]
    filtered = {kind: [png_filter_row(kind, raw[y], raw[y - 1] if y else bytes(len(raw[0])))
                       for y in range(height)] for kind in range(5)}
    # Besides one filter for the whole image, the usual guess: per row, the filter whose bytes,
    # read as signed, have the smallest sum of magnitudes.
    adaptive = [min((filtered[k][y] for k in range(5)), key=lambda r: sum(v if v < 128 else 256 - v for v in r[1:]))
                for y in range(height)]
    candidates = [b"".join(f) for f in filtered.values()] + [b"".join(adaptive)]
    best = None
    for data in candidates:
        for strategy in (zlib.Z_DEFAULT_STRATEGY, zlib.Z_FILTERED):
            packer = zlib.compressobj(9, zlib.DEFLATED, 15, 9, strategy)
            packed = packer.compress(data) + packer.flush()
            if best is None or len(packed) < len(best):
                best = packed
    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + png_chunk(b"IHDR", header) + png_chunk(b"IDAT", best)
            + png_chunk(b"IEND", b""))


def icon_directory(kind, entries):
    """ICONDIR (kind 1 icon, 2 cursor) with its entries (width, height, colours, planes or hot spot x,
    bit count or hot spot y, data); the image data follows in the same order."""
    out = struct.pack("<HHH", 0, kind, len(entries))
    offset = len(out) + 16 * len(entries)
    for width, height, colours, planes_or_x, bits_or_y, data in entries:
        out += struct.pack("<BBBBHHII", width % 256, height % 256, colours, 0, planes_or_x, bits_or_y, len(data), offset)
        offset += len(data)
    return out + b"".join(entry[-1] for entry in entries)


# ---------------------------------------------------------------- icon images

VGA_PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128), (0, 128, 128),
    (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255),
    (255, 0, 255), (0, 255, 255), (255, 255, 255),
]


def opaque_mask(rows):
    """AND mask: 1 where the screen shows through. A pixel counts as drawn from half coverage."""
    return [[0 if a >= 128 else 1 for (_, _, _, a) in row] for row in rows]


def nearest(palette, colour):
    r, g, b = colour
    return min(range(len(palette)),
               key=lambda i: (palette[i][0] - r) ** 2 + (palette[i][1] - g) ** 2 + (palette[i][2] - b) ** 2)


def paletted_image(rows, bits, palette):
    """A low-depth image: opaque pixels take the nearest palette colour, the rest index 0 (black),
    which leaves the screen unchanged under a set AND bit."""
    mask = opaque_mask(rows)
    indices = [[0 if m else nearest(palette, pixel[:3]) for pixel, m in zip(row, mask_row)]
               for row, mask_row in zip(rows, mask)]
    size = len(rows)
    return icon_dib(size, size, bits, palette, [pack_bits(row, bits) for row in indices], mask)


def grey_palette(rows):
    """The 256-colour images list just the greys they use, black first for the see-through pixels."""
    mask = opaque_mask(rows)
    used = {pixel[:3] for row, mask_row in zip(rows, mask) for pixel, m in zip(row, mask_row) if not m}
    return [(0, 0, 0)] + sorted(used - {(0, 0, 0)})


def bgra_image(rows):
    """A 32-bit image. Windows blends it by alpha, but still reads the AND mask after the colours
    (and draws it for DI_MASK), so the mask marks every pixel with any coverage."""
    size = len(rows)
    colour_rows = [bytes(v for r, g, b, a in row for v in (b, g, r, a)) for row in rows]
    mask = [[0 if a else 1 for (_, _, _, a) in row] for row in rows]
    return icon_dib(size, size, 32, [], colour_rows, mask)


# Outline widths in pixels: whole pixels where the picture must stay sharp without smoothing.
STROKES = {16: 1.0, 32: 2.0, 48: 3.0, 128: 6.0}


def mouse_rows(size):
    # Fewer samples at 128 pixels: its edges span more pixels, and it keeps the build quick.
    return render(MousePicture(size, STROKES[size]), size, 8 if size < 128 else 6)


def build_icon():
    rows = {size: mouse_rows(size) for size in STROKES}
    entries = [
        (32, 32, 2, 1, 1, paletted_image(rows[32], 1, [(0, 0, 0), (255, 255, 255)])),
        (48, 48, 16, 1, 4, paletted_image(rows[48], 4, VGA_PALETTE)),
    ]
    for size in (48, 32, 16):
        entries.append((size, size, 0, 1, 8, paletted_image(rows[size], 8, grey_palette(rows[size]))))
    entries.append((128, 128, 0, 1, 32, png_rgba(rows[128])))
    for size in (48, 32, 16):
        entries.append((size, size, 0, 1, 32, bgra_image(rows[size])))
    return icon_directory(1, entries)


def build_cursor():
    picture = hand_picture()
    colours = [[1 if c == "o" else 0 for c in row] for row in picture]
    mask = [[1 if c == "." else 0 for c in row] for row in picture]
    image = icon_dib(HAND_SIZE, HAND_SIZE, 1, [(0, 0, 0), (255, 255, 255)],
                     [pack_bits(row, 1) for row in colours], mask)
    # In a cursor file the planes and bit-count fields hold the hot spot.
    return icon_directory(2, [(HAND_SIZE, HAND_SIZE, 2, HAND_HOTSPOT[0], HAND_HOTSPOT[1], image)])


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: make_resources.py OUTDIR")
    out_dir = sys.argv[1]
    os.makedirs(out_dir, exist_ok=True)
    for name, data in (("quorvel.ico", build_icon()), ("hand.cur", build_cursor())):
        with open(os.path.join(out_dir, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
