#!/usr/bin/env python3
"""Writes terrain-buildings.json: a 101 x 101 point terrain with a draped orthophoto, three
neighbouring buildings, then a dump of the project. Deterministic, so the file can be regenerated."""

import base64
import json
import math
import struct
import zlib
from pathlib import Path

EAST, NORTH = -743500.0, -1043300.0  # lower-left corner of the area, S-JTSK
REFERENCE = 250.0
SIZE = 100  # metres, one point per metre


def height(x, y):
    return REFERENCE + 3.0 + 0.04 * x + 1.5 * math.sin(x / 17.0) * math.cos(y / 23.0)


def png(width, height_px):
    rows = b""
    for row in range(height_px):
        rows += b"\x00" + bytes(
            value for col in range(width) for value in (60 + 3 * col, 110 + 2 * row, 50 + col + row))

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    header = struct.pack(">IIBBBBB", width, height_px, 8, 2, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(rows)) + chunk(b"IEND", b"")


def terrain_points():
    lines = []
    for j in range(SIZE + 1):
        for i in range(SIZE + 1):
            lines.append(f"{EAST + i:.2f} {NORTH + j:.2f} {height(i, j):.2f}")
    return "\n".join(lines) + "\n"


def footprint(x, y, w, d):
    corners = [(x, y), (x + w, y), (x + w, y + d), (x, y + d)]
    return "\n".join(f"{EAST + cx:.2f} {NORTH + cy:.2f}" for cx, cy in corners)


def roof(x, y, w, d, eaves, ridge):
    points = [(x, y, eaves), (x + w, y, eaves), (x + w, y + d, eaves), (x, y + d, eaves),
              (x + w / 2, y, ridge), (x + w / 2, y + d, ridge)]
    return "\n".join(f"{EAST + px:.2f} {NORTH + py:.2f} {pz:.2f}" for px, py, pz in points)


def main():
    image = base64.b64encode(png(32, 32)).decode("ascii")
    outline = [[EAST + 5, NORTH + 5], [EAST + 95, NORTH + 5], [EAST + 95, NORTH + 95], [EAST + 5, NORTH + 95]]
    base = height(30, 40)
    buildings = [
        [footprint(30, 40, 12, 9), base, base + 7.5, roof(30, 40, 12, 9, base + 6.0, base + 9.5)],
        [footprint(60, 20, 8, 8), height(60, 20), height(60, 20) + 4.0, ""],
        [footprint(70, 70, 15, 10), height(70, 70) - 0.3, height(70, 70) + 12.0, "", 1],
    ]
    scenario = {
        "api": 30,
        "project": {"originOffset": [EAST + 50, NORTH + 50]},
        "steps": [
            {"menu": [32500, 1]},
            {"call": "SetSurveyPoint", "args": [EAST + 50, NORTH + 50, REFERENCE, 1, 50.0, 14.5]},
            {"call": "PlaceTerrain",
             "args": ["dmr5g", terrain_points(), REFERENCE, outline, "", "", "", "", 0, image, 100, 100]},
            {"call": "PlaceBuildings", "args": [buildings, REFERENCE, "", "", image, 100, 100]},
            {"dump": True},
        ],
    }
    target = Path(__file__).with_name("terrain-buildings.json")
    target.write_text(json.dumps(scenario, ensure_ascii=False, indent=1) + "\n", encoding="utf-8")


if __name__ == "__main__":
    main()
