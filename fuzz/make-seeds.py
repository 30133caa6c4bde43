#!/usr/bin/env python3
"""Writes the fuzz targets' seeds, made from the samples and the tests' cases.

    fuzz/make-seeds.py small [DIR]   the small seeds kept in the repository (default fuzz/corpus)
    fuzz/make-seeds.py big DIR       the hostile big ones: values nested 100,000 deep, texts of tens
                                     of megabytes, thousands of buildings; made where they are used

Deterministic: the same files every time. The ACAPI seeds are the calls in the format fuzz_acapi
reads (see AcapiFuzz.cpp)."""

import json
import math
import random
import struct
import re
import sys
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
# The function byte indexes the module's one list of ACAPI functions, as fuzz_acapi reads it.
FUNCTIONS = re.findall(r"^\s*X\((\w+),", (ROOT / "Src/ACAPIFunctions.hpp").read_text(), re.MULTILINE)

PNG_1X1 = "iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAYAAAAfFcSJAAAADUlEQVR4nGNgYGD4DwABBAEAwS2OUAAAAABJRU5ErkJggg=="
JPEG = "/9j/4AAQSkZJRgABAQAAAQABAAD/2Q=="
SHEET = "{6F9619FF-8B86-D011-B42D-00C04FC964FF}"
# Names in many scripts, and what a UTF-16 text can hold that UTF-8 cannot.
NAMES = ["Terén okolí", "Ортофото", "خريطة", "地形図", "भूखंड", "Γήπεδο", "🏠 budova", "a\u0000b", "\u200f\u202e"]


# ---- the page-value format of fuzz_acapi ----

def count(n):
    return bytes([n]) if n < 16 else bytes([250]) + struct.pack("<H", n)


def value(v):
    if v is None:
        return b"\x00"
    if isinstance(v, bool):
        return bytes([2, int(v)])
    if isinstance(v, int):
        if -2**31 <= v < 2**31:
            return b"\x03" + struct.pack("<i", v)
        if 0 <= v < 2**32:
            return b"\x04" + struct.pack("<I", v)
        return b"\x05" + struct.pack("<d", float(v))
    if isinstance(v, float):
        return b"\x05" + struct.pack("<d", v)
    if isinstance(v, str):
        data = v.encode("utf-8", "surrogatepass")
        return b"\x08" + struct.pack("<I", len(data)) + data
    if isinstance(v, Utf16):
        return b"\x07" + bytes([len(v.units)]) + b"".join(struct.pack("<H", u) for u in v.units)
    if isinstance(v, Nest):
        return b"\x0d" + struct.pack("<I", v.depth) + value(v.inner)
    if isinstance(v, list):
        return b"\x0c" + count(len(v)) + b"".join(value(item) for item in v)
    raise TypeError(v)


class Utf16:
    """A text of any UTF-16 code units, lone surrogates included."""
    def __init__(self, units):
        self.units = units


class Nest:
    def __init__(self, depth, inner):
        self.depth, self.inner = depth, inner


def call(name, args):
    return bytes([FUNCTIONS.index(name), 2]) + count(len(args)) + b"".join(value(a) for a in args)


def calls(*pairs):
    return b"".join(call(name, args) for name, args in pairs)


# ---- the seeds ----

def scenario_calls(path):
    scenario = json.loads(path.read_text())
    return [(step["call"], step.get("args", [])) for step in scenario["steps"]
            if "call" in step and step["call"] in FUNCTIONS]


def square_points(n, spacing=1.0):
    lines = []
    for i in range(n):
        for j in range(n):
            lines.append(f"{i * spacing:.2f} {j * spacing:.2f} {250 + math.sin(i / 7) * math.cos(j / 5):.3f}")
    return "\n".join(lines) + "\n"


def acapi_small():
    seeds = {}
    sample = scenario_calls(ROOT / "samples/scenarios/cadastre-orthophoto.json")
    for i, (name, args) in enumerate(sample):
        seeds[f"sample-{i:02d}-{name}"] = call(name, args)
    seeds["sample-session"] = calls(*sample)
    points = "0 0 1\n10 0 2\n10 10 3\n0 10 4\n5 5 5\n"
    seeds["terrain-exact"] = call("PlaceTerrain", ["dmr5g", points, 0, [[1, 1], [9, 2], [8, 9], [6, 5.5]],
                                                   "", "Zeleň", "Beton", "Cihla", 1])
    seeds["terrain-textured"] = call("PlaceTerrain", ["dmp1g", points, 250.5, [], "Terén", "", "", "", 0,
                                                      PNG_1X1, 10, 10])
    seeds["terrain-few-points"] = call("PlaceTerrain", ["dmp_ok", "1 2\n3 4 5\nnan 1 2\n1e308 -1e308 0\n", 0])
    seeds["buildings"] = call("PlaceBuildings", [[["0 0\n10 0\n10 10\n0 10\n", 240, 252, "", 0],
                                                  ["0 0\n1 1\n", 0, 0, "5 5 260\n", 1],
                                                  ["0 0\n4 0\n4 4\n", 245, 250, "1 1 251\n2 2 253\n"]],
                                                 240, "Zástavba", "Beton", JPEG, 5, 5])
    seeds["cadastre-worksheet"] = call("PlaceCadastre", [SHEET, "Situace", "S1", 0,
                                                         [["KN", 3, "Čárkovaná", "lines", [[[0, 0], [5, 5], [9, 0]]]],
                                                          ["Čísla", 1, "", "texts", [["1234/5", 2, 3, 0.5, 12]]],
                                                          ["Body", 2, "", "points", [[1, 1], [2, 2]]]]])
    seeds["orthophoto-story"] = call("PlaceOrthophoto", [PNG_1X1, 100, 60, 1000, 2000, 1, 1, 0, 0, "Ortofoto",
                                                         "plan", "", "", 1])
    seeds["report"] = calls(("ChooseSaveFile", ["Zpráva o pozemku.txt"]),
                            ("SaveTextFile", ["report.txt", "Parcela 1234/5\nVýměra 812 m²\n"]),
                            ("SaveTextFile", ["../../etc/x.txt", "no"]),
                            ("SaveTextFile", ["/tmp/landfetch-elsewhere.txt", "no"]))
    seeds["project-info"] = call("SetProjectInfo", [[["LANDFETCH_PARCEL", "1234/5"], ["NEW_KEY", "Průhonice"],
                                                     ["", ""], [Utf16([0xD800, 0x41]), Utf16([0xDFFF])]]])
    seeds["survey-point"] = calls(("SetSurveyPoint", [-743500.5, -1043250.25, 250, 1, 50.08, 14.42]),
                                  ("GetSurveyPoint", []), ("GetAttributes", []),
                                  ("SetSurveyPoint", ["-7e5", "1e400", "nan", "0.6", None, [1]]))
    seeds["numbers-near-2-32"] = call("PlaceTerrain", [4294967295, 4294967296, -2147483648, 2147483647,
                                                       -0.0, float("inf"), float("nan"), 1e308, 5e-324])
    seeds["names-every-script"] = calls(*(("PlaceCadastre", ["plan", name, name, 0, [[name, 1, name, "lines",
                                                                                       [[[0, 0], [1, 1]]]]]])
                                          for name in NAMES))
    seeds["utf16-names"] = call("PlaceTerrain", ["dmr5g", points, 0, [], Utf16([0xD83C, 0xDFE0, 0xDC00, 0]),
                                                 Utf16([0xFFFF, 0xFFFE]), Utf16([0xD800]), "", 0])
    seeds["appearance-version"] = calls(("GetAppearance", []), ("GetVersion", ["x", 1, None]))
    return seeds


def acapi_big():
    seeds = {}
    seeds["terrain-buildings-sample"] = calls(*scenario_calls(ROOT / "samples/scenarios/terrain-buildings.json"))
    seeds["terrain-160000"] = call("PlaceTerrain", ["dmr5g", square_points(400, 0.5), 250, [], "", "", "", "", 0])
    rng = random.Random(12)
    buildings = [[f"{x} {y}\n{x + 8} {y}\n{x + 8} {y + 6}\n{x} {y + 6}\n", 240, 250 + rng.random() * 10,
                  f"{x + 4} {y + 3} {255 + rng.random()}\n", i % 2]
                 for i, (x, y) in enumerate((rng.randint(-2000, 2000), rng.randint(-2000, 2000)) for _ in range(5000))]
    seeds["buildings-5000"] = call("PlaceBuildings", [buildings, 240, "Zástavba", "Beton"])
    seeds["nested-100000"] = calls(("PlaceBuildings", [Nest(100000, "0 0\n1 0\n1 1\n")]),
                                   ("PlaceCadastre", ["plan", "", "", 0, Nest(100000, None)]))
    seeds["base64-24mb"] = call("PlaceOrthophoto", [PNG_1X1 + "A" * (24 << 20), 100, 60, 0, 0, 1, 1, 0, 0, "",
                                                    "plan", "", ""])
    return seeds


def base64_seeds(big):
    if big:
        rng = random.Random(64)
        text = "".join(rng.choice("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/")
                       for _ in range(1 << 16))
        lines = "\r\n".join(text[i:i + 76] for i in range(0, len(text), 76))
        return {"lines-12mb": b"\x00" + (lines * 192).encode(), "foreign-2mb": b"\x01" + "é€\n=".encode("utf-16-le") * (1 << 18)}
    cases = ["TWFu", "TWE=", "TWE", "TQ==", "+/+/", "", "====", "\r\n\t =-_", "Q", "T-W_F\u00e1u", PNG_1X1, JPEG,
             "\n ".join(PNG_1X1[i:i + 19] for i in range(0, len(PNG_1X1), 19))]
    seeds = {f"case-{i:02d}": b"\x00" + c.encode() for i, c in enumerate(cases)}
    seeds["utf16-surrogates"] = b"\x01" + "TWFu".encode("utf-16-le") + b"\x00\xd8\xff\xdf" + "TQ==".encode("utf-16-le")
    seeds["as-number"] = b"\x02TWFu"
    return seeds


def points_seeds(big):
    if big:
        return {"terrain-20mb": b"\x00" + square_points(800, 0.5).encode(),
                "one-line-10mb": b"\x00" + ("1 " * (5 << 20)).encode()}
    cases = ["0 0 1\n10 0 2\n10 10 3\n0 10 4\n5 5 5\n", "0 0\n10 0\n10 10\n0 10\n", "1 2\n3 4 5\n6 7 8\n",
             "-743500.5 -1043250.25 250.125\r\n-743501 -1043251 251\r\n", "nan 1 2\ninf 1 2\n1e400 0 0\n",
             "0x1p3 0X10 1e-320\n", "12,5 13,5 14,5\n", "a b c\n1 2 3 garbage\n\n\n4 5 6", "\t 1\t2\t3\v\f\n",
             "1.5e+308 -1.5e+308 4.9e-324\n", "+1 -2 .5\n1. -.0 +0\n", "1 2 3\u00a04 5 6\n", "1\n2\n3\n4\n5\n6\n"]
    seeds = {f"case-{i:02d}": b"\x00" + c.encode() for i, c in enumerate(cases)}
    seeds["utf16-nul"] = b"\x01" + "1 2 3\n".encode("utf-16-le") + b"\x00\x00" + " 4 5 6\n7 8 9\n".encode("utf-16-le")
    seeds["utf16-lone-surrogate"] = b"\x01" + "1 2 \n".encode("utf-16-le") + b"\x00\xd8" + "3\n4 5 6\n".encode("utf-16-le")
    return seeds


def sample_projects():
    projects = []
    for path in sorted((ROOT / "samples/scenarios").glob("*.json")):
        project = json.loads(path.read_text()).get("project")
        if isinstance(project, dict):
            projects.append((path.stem, project))
    return projects


def project_seeds(big):
    if big:
        return {"nested-100000": ('{"x": ' + "[" * 100000 + "]" * 100000 + "}").encode(),
                "elements-50000": json.dumps({"elements": [
                    {"guid": "{%08X-0000-4000-8000-000000000000}" % i, "type": "polyline", "coords": [[i, 0], [i, 1]]}
                    for i in range(50000)]}).encode()}
    seeds = {f"sample-{name}": json.dumps(project, ensure_ascii=False).encode() for name, project in sample_projects()}
    seeds["every-member"] = json.dumps({
        "untitled": False, "projectFile": "/tmp/p/plot.pln", "specialFolders": {"6": "/tmp/d", "7": "/tmp/t"},
        "geoLocation": {"surveyPoint": [1, 2, 3], "geoReference": [1, 2, 3, 4, 5, 6], "crs": ["a", "b", "c", "d", "e", "f"]},
        "site": {"longitude": 14.4, "latitude": 50.1, "altitude": 250, "north": 0},
        "originOffset": [1000, 2000], "layers": [{"index": 1, "name": "Základní"}, {"index": 7, "name": "Ортофото"}],
        "lineTypes": [{"index": 1, "name": "Plná"}], "buildingMaterials": [{"index": 3, "name": "Cihla"}],
        "surfaces": [{"index": 1, "name": "Zeleň", "texture": {"name": "t", "file": "t.png", "sizeX": 1, "sizeY": 2}}],
        "pens": [{"index": 1, "rgb": [0, 0.5, 1]}],
        "stories": {"current": 1, "last": 1, "list": [{"index": 0, "name": "0"}, {"index": 1, "name": "1"}]},
        "worksheets": [{"id": SHEET, "name": "Situace", "ref": "S1"}], "currentView": {"kind": "worksheet", "id": SHEET},
        "openWindows": [SHEET], "autotexts": [{"name": "Parcela", "key": "K", "value": "v"}],
        "libraries": [{"kind": 1, "path": "/tmp/lib"}],
        "elements": [{"guid": "{11111111-2222-4333-8444-555555555555}", "type": "mesh", "view": "plan", "layer": 1,
                      "story": 0, "polygon": [[0, 0, 0], [1, 0, 0], [1, 1, 0], [0, 0, 0]], "levelPoints": []}],
        "undoSteps": [{"name": "Vložit terén", "elements": ["{11111111-2222-4333-8444-555555555555}"]}],
        "faults": {"CreateElement": -2130313214, "GetPen": {"code": 5, "calls": [2], "throws": "gs"}},
        "missing": ["GetAutoTexts"], "defaults": {"meshLevel": 2.5}, "floorPlanId": SHEET, "extra": {"kept": [1]}},
        ensure_ascii=False).encode()
    seeds["wrong-kinds"] = b'{"layers": [{"index": "1", "name": 2}], "stories": {"list": 3}, "pens": [{"index": 70000}]}'
    seeds["numbers-near-2-32"] = b'{"layers": [{"index": 4294967296, "name": "a"}], "originOffset": [1e309, -0]}'
    seeds["nested-600"] = ('{"x": ' + "[" * 600 + "]" * 600 + "}").encode()
    return seeds


def scenario_seeds(big):
    if big:
        return {"nested-100000": ('{"steps": ' + "[" * 100000 + "]" * 100000 + "}").encode(),
                "terrain-buildings": (ROOT / "samples/scenarios/terrain-buildings.json").read_bytes()}
    seeds = {"cadastre-orthophoto": (ROOT / "samples/scenarios/cadastre-orthophoto.json").read_bytes()}
    seeds["every-step"] = json.dumps({"api": 29, "project": {}, "ui": {"darkMode": True, "saveDialog": "cancel"},
                                      "steps": [{"menu": [32500, 1]}, {"palette": 7}, {"event": 4},
                                                {"appearance": 1}, {"newTab": "https://example.org/x"},
                                                {"navigate": "https://example.org/x"},
                                                {"call": "GetVersion", "args": []}, {"undo": 1}, {"redo": 1},
                                                {"dump": True}]}).encode()
    seeds["mistakes"] = json.dumps({"api": 31, "steps": [{"undo": -1}, {"menu": "x"}, {"call": 3}, {"x": 1}]}).encode()
    seeds["project-path"] = b'{"project": "missing.json", "steps": [{"dump": true}]}'
    seeds["big-counts"] = b'{"steps": [{"palette": 6}, {"undo": 2147483647}, {"appearance": 65536}, {"event": -1}]}'
    return seeds


def resource_seeds(big):
    if big:
        return {"strings-100000": ("strings 1 \"x\" {\n" + "".join(f'"text {i} ✓"\n' for i in range(100000)) + "}\n").encode(),
                "braces-100000": b"strings 1 \"x\" " + b"{" * 100000}
    seeds = {"landfetch": (ROOT / "resources/Landfetch.res").read_bytes()}
    seeds["mistakes"] = b'language 70000\nstrings 0 "a" { "b }\ndialog 1 palette "t" help "h" size 1 2 { item 1 x 0 0 1 1 help "h" item 1 x 0 0 1 1 help "h" }\n/* open'
    seeds["every-kind"] = ('language 1029\nstrings 32500 "Nabídka" { "Landfetch" "Mapa \\"pozemku\\"" }\n'
                           'dialog 32400 palette "Landfetch" help "LandfetchPalette" size 400 600 frame grow close {\n'
                           ' item 1 browser 0 0 400 600 help "Browser"\n}\nmoduleid 32501 1234 4294967295\n'
                           'icon "Landfetch" "icons/landfetch.svg" 16\nicongroup 32520 { 16 "a.svg" 32 "b.svg" }\n'
                           '// comment\n').encode()
    return seeds


TARGETS = {"acapi": lambda big: acapi_big() if big else acapi_small(), "base64": base64_seeds,
           "points": points_seeds, "projectfile": project_seeds, "scenario": scenario_seeds,
           "resources": resource_seeds}


def main():
    if len(sys.argv) < 2 or sys.argv[1] not in ("small", "big") or (sys.argv[1] == "big" and len(sys.argv) != 3):
        sys.exit(__doc__)
    big = sys.argv[1] == "big"
    out = Path(sys.argv[2]) if len(sys.argv) > 2 else ROOT / "fuzz/corpus"
    for target, make in TARGETS.items():
        folder = out / target
        folder.mkdir(parents=True, exist_ok=True)
        for name, data in make(big).items():
            (folder / name).write_bytes(data)


if __name__ == "__main__":
    main()
