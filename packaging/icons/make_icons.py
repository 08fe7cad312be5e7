#!/usr/bin/env python3
"""Draws the archiver's icon, the one its main window shows: a yellow box of
archives with a zip fastener and a blue pull. One list of shapes gives both
the scalable SVG and the PNG sizes, rasterised here with 4x4 supersampling,
so the icons need nothing beyond Python to be redrawn.

Usage: make_icons.py OUTPUT_DIR   (writes archivator.svg, archivator-48.png,
archivator-128.png)
"""
import struct
import sys
import zlib

OUTLINE, BOX, TEETH, PULL = "#5a4600", "#ffd640", "#3c3c3c", "#1e5aaa"

# Shapes on a 48 x 48 canvas (the window's 16-unit drawing times three),
# painted in order.
SHAPES = [
    ("rect", dict(x=3, y=6, w=42, h=36, r=6, fill=OUTLINE)),
    ("rect", dict(x=6, y=9, w=36, h=30, r=3, fill=BOX)),
]
# The fastener's teeth, alternately to the left and to the right.
for i in range(5):
    left, right = (21, 27) if i % 2 else (18, 21)
    SHAPES.append(("rect", dict(x=left, y=9 + 6 * i, w=right - left, h=3, r=0, fill=TEETH)))
SHAPES.append(("rect", dict(x=19.5, y=30, w=9, h=9, r=0, fill=PULL)))


def svg():
    out = ['<svg xmlns="http://www.w3.org/2000/svg" width="48" height="48" viewBox="0 0 48 48">']
    for kind, s in SHAPES:
        if kind == "rect":
            out.append(f'  <rect x="{s["x"]}" y="{s["y"]}" width="{s["w"]}" height="{s["h"]}" rx="{s["r"]}" fill="{s["fill"]}"/>')
    out.append("</svg>")
    return "\n".join(out) + "\n"


def inside(kind, s, x, y):
    if kind == "rect":
        r = s["r"]
        if not (s["x"] <= x <= s["x"] + s["w"] and s["y"] <= y <= s["y"] + s["h"]):
            return False
        cx = min(max(x, s["x"] + r), s["x"] + s["w"] - r)
        cy = min(max(y, s["y"] + r), s["y"] + s["h"] - r)
        return (x - cx) ** 2 + (y - cy) ** 2 <= r * r
    raise ValueError(kind)


def rgb(colour):
    return tuple(int(colour[i:i + 2], 16) for i in (1, 3, 5))


def png(size, samples=4):
    scale = 48 / size
    rows = []
    for py in range(size):
        row = bytearray([0])  # filter: none
        for px in range(size):
            acc = [0.0, 0.0, 0.0, 0.0]  # premultiplied
            for sy in range(samples):
                for sx in range(samples):
                    x = (px + (sx + 0.5) / samples) * scale
                    y = (py + (sy + 0.5) / samples) * scale
                    colour = None
                    for kind, s in SHAPES:
                        if inside(kind, s, x, y):
                            colour = s["fill"]
                    if colour:
                        r, g, b = rgb(colour)
                        acc = [acc[0] + r, acc[1] + g, acc[2] + b, acc[3] + 1]
            n = samples * samples
            a = acc[3]
            if a:
                row += bytes([round(acc[0] / a), round(acc[1] / a), round(acc[2] / a), round(255 * a / n)])
            else:
                row += bytes(4)
        rows.append(bytes(row))

    def chunk(tag, data):
        return struct.pack(">I", len(data)) + tag + data + struct.pack(">I", zlib.crc32(tag + data))

    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(b"".join(rows), 9)) + chunk(b"IEND", b""))


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else "."
    with open(f"{out}/archivator.svg", "w", encoding="utf-8") as f:
        f.write(svg())
    for size in (48, 128):
        with open(f"{out}/archivator-{size}.png", "wb") as f:
            f.write(png(size))


if __name__ == "__main__":
    main()
