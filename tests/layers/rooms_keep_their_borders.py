#!/usr/bin/env python3
"""Includes run one way, between the folders and between core's rooms.

config/ builds on core/, cli/ and app/ on both, neither front end on the
other, and Qt stays out of core/, reference/ and config/. Inside core/,
a room includes only its own headers and those of the rooms it depends on,
as core/CMakeLists.txt declares them (quorlix_room(<room> DEPENDS ...)),
directly or through those rooms. The build enforces the rooms' borders
too; this names every crossing at once, with its file and line.

    rooms_keep_their_borders.py SOURCE_DIR
"""
import pathlib
import re
import sys

INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')
# folder: the top folders its files must not include
FORBIDDEN = {
    "core": {"config", "app", "cli", "tests"},
    "reference": {"config", "app", "cli"},
    "config": {"app", "cli"},
    "cli": {"app"},
    "app": {"cli"},
}
WITHOUT_QT = {"core", "reference", "config"}


def read_rooms(cmake_text):
    """{room: the rooms it names after DEPENDS} from quorlix_room(...) calls."""
    rooms = {}
    text = re.sub(r"#.*", "", cmake_text)
    for call in re.finditer(r"^quorlix_room\(([^)]*)\)", text, re.MULTILINE):
        words = call.group(1).split()
        depends, section = [], None
        for word in words[1:]:
            if word in ("DEPENDS", "SOURCES"):
                section = word
            elif section == "DEPENDS":
                depends.append(word)
        rooms[words[0]] = depends
    return rooms


def reachable(rooms):
    """{room: itself and every room it depends on, directly or not}."""
    seen = {}

    def visit(room, path):
        if room in seen:
            return seen[room]
        if room in path:
            sys.exit("core/CMakeLists.txt: the rooms depend on each other in a circle: " +
                     " -> ".join(path + [room]))
        found = {room}
        for other in rooms.get(room, []):
            found |= visit(other, path + [room])
        seen[room] = found
        return found

    for room in rooms:
        visit(room, [])
    return seen


def sources(folder):
    return sorted(p for p in folder.rglob("*") if p.suffix in (".cc", ".h") and p.is_file())


def main():
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else ".")
    rooms = read_rooms((root / "core" / "CMakeLists.txt").read_text())
    if not rooms:
        sys.exit("core/CMakeLists.txt declares no rooms")
    for room, depends in rooms.items():
        for other in depends:
            if other not in rooms:
                print(f"core/CMakeLists.txt: {room} depends on {other}, which is no room")
                return 1
    allowed = reachable(rooms)
    faults = []

    for path in sorted((root / "core").iterdir()):
        if path.is_dir() and path.name not in rooms:
            faults.append(f"core/{path.name}/: a folder that core/CMakeLists.txt declares no room for")
        elif path.is_file() and path.name != "CMakeLists.txt":
            faults.append(f"core/{path.name}: every file of core/ belongs to a room")

    for top, forbidden in FORBIDDEN.items():
        for path in sources(root / top):
            name = path.relative_to(root).as_posix()
            room = path.relative_to(root / top).parts[0] if top == "core" else None
            for number, line in enumerate(path.read_text(errors="replace").splitlines(), 1):
                match = INCLUDE.match(line)
                if not match:
                    continue
                bracket, target = match.groups()
                head = target.split("/")[0]
                where = f'{name}:{number}: #include {bracket}{target}{">" if bracket == "<" else chr(34)}'
                if head in forbidden:
                    faults.append(f"{where}   <- not allowed in {top}/")
                elif bracket == "<" and top in WITHOUT_QT and target.startswith("Q"):
                    faults.append(f"{where}   <- no Qt in {top}/")
                elif room and head == "core":
                    parts = target.split("/")
                    other = parts[1] if len(parts) > 2 else None
                    if other not in allowed.get(room, {room}):
                        faults.append(f"{where}   <- core/{room}/ does not depend on "
                                      f"{'core/' + other + '/' if other else 'a file outside the rooms'}")

    for fault in faults:
        print(fault)
    if faults:
        return 1
    print(f"every include keeps to its layer and to the {len(rooms)} rooms of core/")
    return 0


if __name__ == "__main__":
    sys.exit(main())
