#!/usr/bin/env python3
"""Draws the archiver's icon: a zipped box on a blue tile with a green
round-trip arrow (backup and restore). One list of shapes gives both the
scalable SVG and the PNG sizes, rasterised here with 4x4 supersampling, so
the icons need nothing beyond Python to be redrawn.

Usage: make_icons.py OUTPUT_DIR   (writes archivator.svg, archivator-48.png,
archivator-128.png)
"""
import math
import struct
import sys
import zlib

BLUE, PAPER, ZIP, GREEN, WHITE = "#2f6db5", "#f4f1e8", "#4a5563", "#2e9e4f", "#ffffff"

# Shapes on a 48 x 48 canvas, painted in order.
SHAPES = [
    ("rect", dict(x=3, y=3, w=42, h=42, r=8, fill=BLUE)),
    ("rect", dict(x=12, y=8, w=22, h=31, r=2.5, fill=PAPER)),
]
# Zipper teeth down the middle of the box, alternating sides.
for i in range(8):
    SHAPES.append(("rect", dict(x=21 if i % 2 == 0 else 23, y=8 + 2 * i, w=2, h=1.4, r=0, fill=ZIP)))
SHAPES += [
    ("rect", dict(x=20, y=24, w=6, h=8, r=1.5, fill=ZIP)),  # the pull
    ("rect", dict(x=22, y=26.5, w=2, h=3.5, r=0.8, fill=PAPER)),
    ("circle", dict(cx=35, cy=35, r=10, fill=GREEN)),
    # Round arrow: an open ring from 40 to 320 degrees and a head at its end.
    ("arc", dict(cx=35, cy=35, r=5.5, width=2.2, start=40, end=320, fill=WHITE)),
    ("polygon", dict(points=[(35 + 5.5 * math.cos(math.radians(320)) - 3.2, 35 - 5.5 * math.sin(math.radians(320)) - 1.0),
                             (35 + 5.5 * math.cos(math.radians(320)) + 2.6, 35 - 5.5 * math.sin(math.radians(320)) - 2.8),
                             (35 + 5.5 * math.cos(math.radians(320)) + 1.0, 35 - 5.5 * math.sin(math.radians(320)) + 3.4)],
                     fill=WHITE)),
]


def arc_point(s, angle):
    a = math.radians(angle)
    return s["cx"] + s["r"] * math.cos(a), s["cy"] - s["r"] * math.sin(a)


def svg():
    out = ['<svg xmlns="http://www.w3.org/2000/svg" width="48" height="48" viewBox="0 0 48 48">']
    for kind, s in SHAPES:
        if kind == "rect":
            out.append(f'  <rect x="{s["x"]}" y="{s["y"]}" width="{s["w"]}" height="{s["h"]}" rx="{s["r"]}" fill="{s["fill"]}"/>')
        elif kind == "circle":
            out.append(f'  <circle cx="{s["cx"]}" cy="{s["cy"]}" r="{s["r"]}" fill="{s["fill"]}"/>')
        elif kind == "arc":
            (x0, y0), (x1, y1) = arc_point(s, s["start"]), arc_point(s, s["end"])
            large = 1 if s["end"] - s["start"] > 180 else 0
            out.append(f'  <path d="M {x0:.3f} {y0:.3f} A {s["r"]} {s["r"]} 0 {large} 0 {x1:.3f} {y1:.3f}" '
                       f'fill="none" stroke="{s["fill"]}" stroke-width="{s["width"]}"/>')
        elif kind == "polygon":
            pts = " ".join(f"{x:.3f},{y:.3f}" for x, y in s["points"])
            out.append(f'  <polygon points="{pts}" fill="{s["fill"]}"/>')
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
    if kind == "circle":
        return (x - s["cx"]) ** 2 + (y - s["cy"]) ** 2 <= s["r"] ** 2
    if kind == "arc":
        d = math.hypot(x - s["cx"], y - s["cy"])
        if abs(d - s["r"]) > s["width"] / 2:
            return False
        angle = math.degrees(math.atan2(s["cy"] - y, x - s["cx"])) % 360
        return s["start"] <= angle <= s["end"]
    if kind == "polygon":
        pts, hit = s["points"], False
        for i in range(len(pts)):
            (x0, y0), (x1, y1) = pts[i], pts[i - 1]
            if (y0 > y) != (y1 > y) and x < (x1 - x0) * (y - y0) / (y1 - y0) + x0:
                hit = not hit
        return hit
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
