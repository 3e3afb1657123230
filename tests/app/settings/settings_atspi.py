#!/usr/bin/python3
"""The settings window as a screen-reader and keyboard user meets it.

Runs dustlyn-settings-demo over a throw-away home with the accessibility bus, then, through
AT-SPI the way a screen reader does and with xdotool keys: picks an age from a rule's age
token menu, turns the rule off with its switch, reaches the rule's kind token with Tab,
opens the editor with Return, leaves it with Escape, renames the rule and saves with
Return, and turns a notch switch off. After each step config.json must say so. Last, on
every pane, each button, switch and field has a name and Tab reaches it.

    scripts/with-desktop settings_atspi.py DEMO_PROGRAM
"""
import json
import os
import shutil
import subprocess
import sys
import tempfile
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[2] / "desktop"))
from desktop import Accessible, AccessibilityBus, Pointer, wait_until  # noqa: E402


def key(name):
    Pointer.key("--clearmodifiers", name)


def drive(ui, home):
    def config():
        return json.loads((home / ".local/share/Dustlyn/config.json").read_text())

    def rule(field):
        return config()["rules"][0][field]

    ui.wait("push button", "New rule")
    assert rule("name") == "Screenshots"

    # A token with a menu: "15 min" -> "1 hour". Qt keeps pop-up menus out of the
    # accessibility tree (screen readers follow them by focus), so the menu is walked with
    # the keys, as its users do.
    ui.press("push button", "15 min")
    time.sleep(0.6)
    for _ in range(4):
        key("Down")  # immediately, 5 minutes, 15 minutes, 1 hour
    key("Return")
    wait_until(lambda: rule("ageThreshold") == 3600, "the new age in config.json")

    # The rule's switch, named by its sentence.
    ui.press("check box", "Move screenshots from Desktop and Screenshots after 1 hour", "Toggle")
    wait_until(lambda: not rule("enabled"), "the rule turned off")

    # The keyboard: Tab reaches the kind token, Return opens the editor.
    for _ in range(80):
        if any(node.get_name() == "screenshots" for node in ui.focused()):
            break
        key("Tab")
        time.sleep(0.05)
    else:
        raise AssertionError("Tab never reached the token 'screenshots'")
    key("Return")
    ui.wait("push button", "Save")
    key("Escape")
    wait_until(lambda: not ui.find("push button", "Save"), "the editor to close")
    assert rule("name") == "Screenshots"

    key("Return")
    name = ui.wait("text", "Name")
    if "SetFocus" in Accessible.actions(name):
        name.get_action_iface().do_action(Accessible.actions(name).index("SetFocus"))
    key("ctrl+a")
    subprocess.check_call(["xdotool", "type", "--delay", "20", "Shots"])
    key("Return")
    wait_until(lambda: rule("name") == "Shots", "the renamed rule")
    wait_until(lambda: not ui.find("push button", "Save"), "the editor to close")

    # A notch switch, through the sidebar.
    ui.press("list item", "Notch", "Toggle")
    ui.press("check box", "Show the pill while files wait", "Toggle")
    wait_until(lambda: not config()["notch"]["showPill"], "the pill off in config.json")

    for pane in ("Overview", "Rules", "Notch", "History", "Kept files"):
        ui.press("list item", pane, "Toggle")
        ui.wait("label", pane)
        # One trip round the window and a little more; the sidebar list holds the focus as
        # one stop (its entries are chosen with the arrow keys).
        ui.check_every_control_named_and_reached_by_tab(pane, extra_tabs=8)


def main(demo):
    bus = AccessibilityBus()
    home = Path(tempfile.mkdtemp(prefix="dustlyn-atspi-"))
    env = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_QPA_PLATFORM="xcb")
    app = subprocess.Popen([demo, str(home), "Rules"], env=env, stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL)
    try:
        drive(Accessible("dustlyn-settings-demo"), home)
        print("ok: tokens, switches, menus and the rule editor through AT-SPI and the keyboard")
        return 0
    finally:
        app.terminate()
        app.wait()
        bus.close()
        shutil.rmtree(home, ignore_errors=True)


if __name__ == "__main__":
    import warnings
    warnings.simplefilter("ignore", DeprecationWarning)
    sys.exit(main(os.path.abspath(sys.argv[1])) if len(sys.argv) == 2 else print(__doc__) or 2)
