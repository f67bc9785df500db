#!/usr/bin/env python3
"""Checks that the layers of src/ include one way only: a file includes headers of its own layer
and of the layers below it, never of one above.

    check_layers.py [SRC]

Layers, lowest first: common, platform, registry, logging, messages, config, document, package,
frontend, then main.cpp. A file's layer is its first folder below SRC; an include's layer is the
first folder of its quoted path. Includes of anything else (system headers, the generated
version.h) are not layers and pass. Prints every upward include and exits with 1 when there is
one; otherwise prints what it read and exits with 0."""

import os
import re
import sys

LAYERS = ["common", "platform", "registry", "logging", "messages", "config", "document",
          "package", "frontend", "main.cpp"]
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')
SOURCES = (".h", ".hpp", ".cpp", ".cc", ".inc", ".def")


def layer_of(relative_path):
    first = relative_path.split("/", 1)[0]
    return first if first in LAYERS else None


def check(src):
    upward = []
    files = includes = 0
    for folder, _, names in os.walk(src):
        for name in sorted(names):
            if not name.endswith(SOURCES):
                continue
            path = os.path.join(folder, name)
            relative = os.path.relpath(path, src).replace(os.sep, "/")
            own = layer_of(relative)
            if own is None:
                continue
            files += 1
            with open(path, encoding="utf-8") as source:
                for number, line in enumerate(source, 1):
                    match = INCLUDE.match(line)
                    if not match:
                        continue
                    included = layer_of(match.group(1))
                    if included is None:
                        continue
                    includes += 1
                    if LAYERS.index(included) > LAYERS.index(own):
                        upward.append(f"{relative}:{number}: {own} includes {match.group(1)} "
                                      f"of the higher layer {included}")
    return files, includes, upward


def main(argv):
    src = argv[1] if len(argv) > 1 else os.path.join(os.path.dirname(__file__), os.pardir, "src")
    files, includes, upward = check(src)
    for line in upward:
        print(line)
    if upward:
        print(f"{len(upward)} upward include(s)")
        return 1
    print(f"{files} files, {includes} includes between layers, none upward "
          f"({' < '.join(LAYERS)})")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
