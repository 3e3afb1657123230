#!/usr/bin/python3
"""Reads the open notch the way a screen reader does and presses "Pause" through it.

Usage: atspi-notch.py APPLICATION-NAME. Prints what it finds; exits 0 when the tabs, the
rows and the buttons are there with their names and "Pause" turned into "Resume".
"""
import sys
import time

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi  # noqa: E402


INTERESTING = (Atspi.StateType.SELECTED, Atspi.StateType.CHECKED, Atspi.StateType.FOCUSED,
               Atspi.StateType.SELECTABLE)


def application(name, timeout=20):
    end = time.time() + timeout
    while time.time() < end:
        desktop = Atspi.get_desktop(0)
        for i in range(desktop.get_child_count()):
            app = desktop.get_child_at_index(i)
            if app is not None and app.get_name() == name:
                return app
        time.sleep(0.2)
    return None


def showing(node, found, depth=0):
    if node is None or depth > 30:
        return
    states = node.get_state_set()
    if not states.contains(Atspi.StateType.SHOWING):
        return
    found.append((node.get_role_name(), node.get_name(), states, node))
    for i in range(node.get_child_count()):
        showing(node.get_child_at_index(i), found, depth + 1)


def controls(app):
    found = []
    for i in range(app.get_child_count()):
        showing(app.get_child_at_index(i), found)
    return found


def named(found, role, name):
    return [f for f in found if f[0] == role and f[1] == name]


def main():
    app = application(sys.argv[1])
    if app is None:
        print("the application never appeared on the accessibility bus")
        return 1
    end = time.time() + 20
    found = []
    while time.time() < end:
        found = controls(app)
        if named(found, "push button", "Pause"):
            break
        time.sleep(0.2)
    for role, name, states, _ in found:
        if name:
            marks = [s.value_nick for s in states.get_states() if s in INTERESTING]
            print(f"{role}: {name}" + (f" ({', '.join(marks)})" if marks else ""))
    problems = []
    tab = named(found, "page tab", "Leaving soon (1)")
    if not tab or not tab[0][2].contains(Atspi.StateType.SELECTED):
        problems.append("no selected tab 'Leaving soon (1)'")
    if not named(found, "page tab", "Quarantine (0)"):
        problems.append("no tab 'Quarantine (0)'")
    if not named(found, "list item", "a.png"):
        problems.append("no row 'a.png'")
    for button in ("Keep", "Clean up now", "Pause", "Settings"):
        if not named(found, "push button", button):
            problems.append(f"no button '{button}'")
    if problems:
        print("\n".join(problems))
        return 1
    pause = named(found, "push button", "Pause")[0][3]
    pause.get_action_iface().do_action(0)
    end = time.time() + 10
    while time.time() < end:
        if named(controls(app), "push button", "Resume"):
            print("pressed Pause; it now reads Resume")
            return 0
        time.sleep(0.2)
    print("pressing Pause did not turn it into Resume")
    return 1


if __name__ == "__main__":
    sys.exit(main())
