#!/usr/bin/python3
"""Reads the open notch the way a screen reader does and presses "Pause" through it.

Usage: atspi-notch.py APPLICATION-NAME. Exits 0 when the tabs, the rows and the buttons
are there with their names and "Pause" turned into "Resume".
"""
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[2] / "desktop"))
from desktop import Accessible, Atspi, has_state  # noqa: E402


def main(name):
    ui = Accessible(name)
    ui.wait("push button", "Pause")
    tab = ui.find("page tab", "Leaving soon (1)")
    assert tab and has_state(tab, Atspi.StateType.SELECTED), "no selected tab 'Leaving soon (1)'"
    for role, text in (("page tab", "Quarantine (0)"), ("list item", "a.png"),
                       ("push button", "Keep"), ("push button", "Clean up now"),
                       ("push button", "Settings")):
        assert ui.find(role, text), f"no {role} '{text}'"
    ui.press("push button", "Pause")
    ui.wait("push button", "Resume", timeout=10)
    print("pressed Pause; it now reads Resume")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
