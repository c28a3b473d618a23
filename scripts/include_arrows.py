#!/usr/bin/env python3
"""Counts the include arrows between the top-level folders of the tree and
the ones that point up the floors drawn in docs/architecture.md.

    scripts/include_arrows.py [--list] [--root DIR]

The floors are read from the first code block under "## Floors" of
docs/architecture.md: one floor a line, top first, each line starting with
the folders on it ("render/  text/   what they own"). The public headers
(include/) count as the folder that implements most of what they declare
(OWNER below; the pure type headers stand below everything); tests,
benchmarks, fuzz targets and tools stand above everything. An include names
a folder by its first path part ("gpu/gl_table.h") or by a file beside
the includer.
"""
import argparse
import os
import re
import sys

INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"')
SOURCE_ENDINGS = (".h", ".hpp", ".cpp", ".cc", ".c", ".inl")
ABOVE_ALL = ("tests", "bench", "fuzz", "tools")
# Public header -> the folder defining most of its procedures.
OWNER = {
    "cage.h": "mesh", "camera.h": "scene", "core.h": "core", "definition.h": "definition",
    "effects.h": "render", "element.h": "render", "input.h": "input", "light.h": "scene",
    "mesh.h": "mesh", "particles.h": "particles", "physics.h": "physics",
    "platform.h": "platform", "render.h": "render", "scene.h": "scene", "shader.h": "render",
    "sound.h": "sound", "text.h": "text", "texture.h": "definition",
}


def read_floors(root):
    text = open(os.path.join(root, "docs", "architecture.md"), encoding="utf-8").read()
    section = text.split("## Floors", 1)[1]
    block = section.split("```", 2)[1]
    lines = [line for line in block.splitlines()[1:] if line.strip()]
    floors = {}
    for height, line in enumerate(reversed(lines)):
        for word in line.split():
            if not word.endswith("/"):
                break
            floors[word.rstrip("/")] = height + 1
    floors["include"] = 0
    for folder in ABOVE_ALL:
        floors[folder] = len(lines) + 1
    return floors


def folder_of(root, includer, name, folders):
    first = name.split("/", 1)[0]
    if first == "velmora":
        return OWNER.get(name.split("/", 1)[1], "include")
    if first in folders and os.path.exists(os.path.join(root, name)):
        return first
    beside = os.path.normpath(os.path.join(os.path.dirname(includer), name))
    if os.path.exists(os.path.join(root, beside)):
        return beside.split(os.sep, 1)[0]
    return None  # system or generated header


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--root", default=os.path.join(os.path.dirname(__file__), ".."))
    parser.add_argument("--list", action="store_true", help="print every upward include line")
    args = parser.parse_args()
    root = os.path.abspath(args.root)
    floors = read_floors(root)

    edges = {}  # (from, to) -> include lines
    for folder in sorted(floors):
        if folder == "include":
            continue  # the public headers only gather one another
        for base, _, files in os.walk(os.path.join(root, folder)):
            for file in sorted(files):
                if not file.endswith(SOURCE_ENDINGS):
                    continue
                path = os.path.relpath(os.path.join(base, file), root)
                for number, line in enumerate(open(os.path.join(root, path), encoding="utf-8",
                                                   errors="replace"), 1):
                    match = INCLUDE.match(line)
                    if not match:
                        continue
                    target = folder_of(root, path, match.group(1), floors)
                    if target is None or target == folder:
                        continue
                    edges.setdefault((folder, target), []).append(f"{path}:{number}: {match.group(1)}")

    upward = {edge: lines for edge, lines in edges.items() if floors[edge[1]] > floors[edge[0]]}
    print(f"floors: {max(floors.values()) + 1} (include/ lowest, {', '.join(ABOVE_ALL)} highest)")
    print(f"folder arrows: {len(edges)}, upward: {len(upward)}")
    print(f"include lines between folders: {sum(map(len, edges.values()))}, "
          f"upward: {sum(map(len, upward.values()))}")
    for (source, target), lines in sorted(upward.items()):
        print(f"  {source} -> {target}: {len(lines)}")
        if args.list:
            for line in lines:
                print(f"    {line}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
