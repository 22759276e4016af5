#!/usr/bin/python3
"""Reads a running program's accessibility tree over AT-SPI, as a screen reader does, and prints it
as JSON: one object per node, depth first, with its role, name, description, states, actions and
number of children.

    atspi_tree.py APPLICATION [--press NAME]

--press NAME first runs the press action of the push button named NAME. The program must be
running on the accessibility bus of this session; the script waits up to 30 s for it to appear.
"""

import json
import sys
import time

import pyatspi


def find_app(name):
    deadline = time.monotonic() + 30
    while time.monotonic() < deadline:
        desktop = pyatspi.Registry.getDesktop(0)
        for i in range(desktop.childCount):
            app = desktop.getChildAtIndex(i)
            if app is not None and app.name == name:
                return app
        time.sleep(0.2)
    return None


def actions_of(node):
    try:
        action = node.queryAction()
    except NotImplementedError:
        return []
    return [action.getName(i) for i in range(action.nActions)]


def walk(node, path, out):
    states = node.getState()
    out.append({
        "path": path,
        "role": node.getRoleName(),
        "name": node.name,
        "description": node.description,
        "children": node.childCount,
        "actions": actions_of(node),
        "states": sorted(pyatspi.stateToString(s) for s in states.getStates()),
    })
    for i in range(node.childCount):
        child = node.getChildAtIndex(i)
        if child is not None:
            walk(child, path + [i], out)
    return out


def press(app, name):
    for node in walk_nodes(app):
        if node.getRoleName() == "push button" and node.name == name:
            action = node.queryAction()
            for i in range(action.nActions):
                if action.getName(i) == "Press":
                    return action.doAction(i)
    return False


def walk_nodes(node):
    yield node
    for i in range(node.childCount):
        child = node.getChildAtIndex(i)
        if child is not None:
            yield from walk_nodes(child)


def main():
    app = find_app(sys.argv[1])
    if app is None:
        print("no application named %r on the accessibility bus" % sys.argv[1], file=sys.stderr)
        return 2
    if len(sys.argv) == 4 and sys.argv[2] == "--press":
        if not press(app, sys.argv[3]):
            print("could not press %r" % sys.argv[3], file=sys.stderr)
            return 3
    json.dump(walk(app, [], []), sys.stdout, ensure_ascii=False)
    return 0


if __name__ == "__main__":
    sys.exit(main())
