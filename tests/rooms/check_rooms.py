#!/usr/bin/env python3
"""Checks the rooms of src/ against the table in docs/design.md.

Every `#include "folder/..."` of ours in a room's files must name a room that the including room may
use (its row's "may use", followed on through the rows it names), and the libraries a room's
CMakeLists.txt links must be the ones its row names: each named room linked, nothing else of ours.

    check_rooms.py ROOT   (ROOT holds docs/design.md and src/)
Exit status 0 when everything agrees, 1 with one line per fault otherwise.
"""
import re
import sys
from pathlib import Path

TABLE_START = "<!-- rooms"
TABLE_END = "<!-- /rooms -->"
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.MULTILINE)
LINKS = re.compile(r"target_link_libraries\s*\(\s*(\S+)(.*?)\)", re.DOTALL)
SOURCE_SUFFIXES = {".h", ".cpp", ".js"}


class Room:
    def __init__(self, name, folder, library, uses):
        self.name, self.folder, self.library, self.uses = name, folder, library, uses


def read_table(design_md):
    text = design_md.read_text(encoding="utf-8")
    start, end = text.find(TABLE_START), text.find(TABLE_END)
    if start < 0 or end < start:
        raise SystemExit(f"{design_md}: no rooms table between '{TABLE_START}' and '{TABLE_END}'")
    rooms = {}
    for line in text[start:end].splitlines():
        cells = [c.strip() for c in line.strip().strip("|").split("|")]
        if len(cells) < 4 or cells[0] in ("room", "") or set(cells[0]) <= {"-", " "}:
            continue
        folder = cells[1].strip("`")
        if not folder.startswith("src/"):
            raise SystemExit(f"{design_md}: room {cells[0]}: folder {folder} is not under src/")
        uses = [u.strip() for u in cells[3].split(",") if u.strip()]
        rooms[cells[0]] = Room(cells[0], folder[len("src/"):].rstrip("/"), cells[2].strip("`"), uses)
    for room in rooms.values():
        for used in room.uses:
            if used not in rooms:
                raise SystemExit(f"{design_md}: room {room.name} may use {used}, which is no room")
    return rooms


def reachable(rooms, name):
    seen, todo = set(), list(rooms[name].uses)
    while todo:
        used = todo.pop()
        if used not in seen:
            seen.add(used)
            todo.extend(rooms[used].uses)
    return seen


def room_of_include(rooms, path):
    """The room whose folder the included path lies in (the longest folder wins), or None."""
    best = None
    for room in rooms.values():
        if path.startswith(room.folder + "/") and (best is None or len(room.folder) > len(best.folder)):
            best = room
    return best


def room_of_file(rooms, relative):
    return room_of_include(rooms, relative)


def check(root):
    root = Path(root)
    rooms = read_table(root / "docs" / "design.md")
    faults = []
    src = root / "src"
    for path in sorted(src.rglob("*")):
        if path.suffix not in SOURCE_SUFFIXES or not path.is_file():
            continue
        relative = path.relative_to(src).as_posix()
        own = room_of_file(rooms, relative)
        if own is None:
            faults.append(f"src/{relative}: lies in no room of the table")
            continue
        allowed = reachable(rooms, own.name) | {own.name}
        text = path.read_text(encoding="utf-8", errors="replace")
        for match in INCLUDE.finditer(text):
            included = match.group(1)
            target = room_of_include(rooms, included)
            if target is not None and target.name not in allowed:
                line = text.count("\n", 0, match.start()) + 1
                faults.append(f"src/{relative}:{line}: room {own.name} includes \"{included}\" of room "
                              f"{target.name}, which it may not use")
    libraries = {room.library: room for room in rooms.values()}
    for room in rooms.values():
        cmake = src / room.folder / "CMakeLists.txt"
        if not cmake.is_file():
            faults.append(f"src/{room.folder}: has no CMakeLists.txt of its own")
            continue
        text = re.sub(r"#[^\n]*", "", cmake.read_text(encoding="utf-8"))
        linked = set()
        for target, rest in LINKS.findall(text):
            if target == room.library:
                linked |= {word for word in rest.split() if word in libraries}
        allowed = {rooms[u].library for u in reachable(rooms, room.name)}
        for library in sorted(linked - allowed):
            faults.append(f"src/{room.folder}/CMakeLists.txt: {room.library} links {library} of room "
                          f"{libraries[library].name}, which it may not use")
        for used in room.uses:
            if rooms[used].library not in linked:
                faults.append(f"src/{room.folder}/CMakeLists.txt: {room.library} does not link "
                              f"{rooms[used].library}, which its row names")
    return faults


def main(argv):
    if len(argv) != 2:
        print(__doc__, file=sys.stderr)
        return 2
    faults = check(argv[1])
    for fault in faults:
        print(fault)
    print(f"rooms: {'OK' if not faults else str(len(faults)) + ' fault(s)'}")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
