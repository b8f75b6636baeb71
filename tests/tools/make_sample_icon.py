"""Writes the sample icon of sample_window.exe: entries that differ in every field the
inspector reads (a 32-bit and a 16-colour bitmap, and a 256x256 PNG, stored as size 0).

    python3 make_sample_icon.py OUT.ico
"""

import struct
import sys
import zlib


def bitmap_entry(size, bits):
    """A BMP icon image: header, palette, colour rows, then the 1-bit AND mask."""
    colors = 1 << bits if bits <= 8 else 0
    row = (size * bits + 31) // 32 * 4
    mask_row = (size + 31) // 32 * 4
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, bits, 0, 0, 0, 0, 0, 0)
    palette = b"".join(struct.pack("<BBBB", i * 16 % 256, 255 - i * 16 % 256, 128, 0) for i in range(colors))
    pixels = bytes((x * 7 + y) % 256 for y in range(size) for x in range(row))
    mask = bytes(mask_row * size)
    return (size, colors, bits), header + palette + pixels + mask


def png_entry(size):
    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))
    raw = b"".join(b"\0" + bytes([40, 90, 200, 255]) * size for _ in range(size))
    data = (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))
    return (size, 0, 32), data


def main(out):
    entries = [bitmap_entry(16, 32), bitmap_entry(32, 4), png_entry(256)]
    directory = struct.pack("<HHH", 0, 1, len(entries))
    offset = len(directory) + 16 * len(entries)
    images = b""
    for (size, colors, bits), data in entries:
        stored = size % 256  # 256 is stored as 0
        directory += struct.pack("<BBBBHHII", stored, stored, colors % 256, 0, 1, bits, len(data), offset + len(images))
        images += data
    with open(out, "wb") as f:
        f.write(directory + images)


if __name__ == "__main__":
    main(sys.argv[1])
