#!/usr/bin/env python3
"""Checks that the viewer's folders only include folders below them.

core <- theme, widgets <- recordings, playback, map, chart, export, print,
device, settings, launcher <- app. Folders of the middle layer do not include
each other either: what two of them share belongs further down. Prints every
include that points the wrong way and exits 1 when there is one.
"""
import pathlib
import re
import sys

BOTTOM = {"core"}
LOOKS = {"theme", "widgets"}
FEATURES = {"recordings", "playback", "map", "chart", "export", "print", "device",
            "settings", "launcher"}
ALLOWED = {"core": BOTTOM, "theme": BOTTOM | {"theme"},
           "widgets": BOTTOM | LOOKS, "app": BOTTOM | LOOKS | FEATURES | {"app"}}
for feature in FEATURES:
    ALLOWED[feature] = BOTTOM | LOOKS | {feature}

INCLUDE = re.compile(r'^\s*#\s*include\s+"([a-z]+)/[^"]+"', re.M)


def main(root):
    viewer = pathlib.Path(root)
    wrong = []
    for path in sorted(viewer.rglob("*")):
        if path.suffix not in (".h", ".cpp"):
            continue
        folder = path.relative_to(viewer).parts[0]
        if folder not in ALLOWED:
            continue  # tests and anything outside the layers
        for target in INCLUDE.findall(path.read_text(errors="replace")):
            if target in ALLOWED and target not in ALLOWED[folder]:
                wrong.append(f"{path.relative_to(viewer)} includes {target}/")
    for line in wrong:
        print(line)
    return 1 if wrong else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1] if len(sys.argv) > 1 else "viewer"))
