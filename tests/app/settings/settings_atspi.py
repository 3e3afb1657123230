#!/usr/bin/python3
"""The settings window as a screen-reader and keyboard user meets it.

Runs dustlyn-settings-demo over a throw-away home on a private Xvfb with openbox and a
private D-Bus session with the accessibility bus, then, through AT-SPI the way a screen
reader does and with xdotool keys: picks an age from a rule's age token menu, turns the
rule off with its switch, reaches the rule's kind token with Tab, opens the editor with
Return, renames the rule and saves with Return, opens it again and leaves with Escape,
and turns a notch switch off. After each step config.json must say so. Last, on every
pane, each button, switch and field has a name and Tab reaches it.

    settings_atspi.py DEMO_PROGRAM
Exits 77 (skipped) when Xvfb, openbox, xdotool, D-Bus, the AT-SPI bus or its Python
bindings are missing.
"""
import json
import os
import shutil
import subprocess
import sys
import tempfile
import time

BUS_LAUNCHER = "/usr/libexec/at-spi-bus-launcher"


def skip(why):
    print("skipped: " + why)
    sys.exit(77)


def wait_for(what, check, timeout=15.0):
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        found = check()
        if found:
            return found
        time.sleep(0.1)
    raise AssertionError("timed out waiting for " + what)


def outer(demo):
    for tool in ("Xvfb", "openbox", "xdotool", "dbus-run-session"):
        if not shutil.which(tool):
            skip(tool + " is not installed")
    if not os.path.exists(BUS_LAUNCHER):
        skip("the AT-SPI bus launcher is not installed")
    read, write = os.pipe()
    xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write), "-screen", "0", "1280x800x24",
                             "-nolisten", "tcp"], pass_fds=(write,),
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(write)
    with os.fdopen(read) as numbers:
        display = ":" + numbers.readline().strip()
    env = dict(os.environ, DISPLAY=display)
    env.pop("QT_QPA_PLATFORM", None)
    wm = subprocess.Popen(["openbox"], env=env, stdout=subprocess.DEVNULL,
                          stderr=subprocess.DEVNULL)
    try:
        time.sleep(0.5)
        return subprocess.call(["dbus-run-session", "--", sys.executable, __file__, "--inner",
                                demo], env=env)
    finally:
        wm.terminate()
        xvfb.terminate()
        wm.wait()
        xvfb.wait()


def inner(demo):
    try:
        import gi
        gi.require_version("Atspi", "2.0")
        from gi.repository import Atspi
    except (ImportError, ValueError) as error:
        skip("no AT-SPI Python bindings: %s" % error)
    bus = subprocess.Popen([BUS_LAUNCHER, "--launch-immediately"],
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    home = tempfile.mkdtemp(prefix="dustlyn-atspi-")
    env = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_QPA_PLATFORM="xcb")
    time.sleep(0.5)
    app = subprocess.Popen([demo, home, "Rules"], env=env, stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL)
    try:
        Drive(Atspi, home).run()
        print("ok: tokens, switches, menus and the rule editor through AT-SPI and the keyboard")
        return 0
    finally:
        app.terminate()
        app.wait()
        bus.terminate()
        bus.wait()
        shutil.rmtree(home, ignore_errors=True)


class Drive:
    def __init__(self, atspi, home):
        self.atspi = atspi
        self.home = home

    def config(self):
        with open(os.path.join(self.home, ".local/share/Dustlyn/config.json")) as file:
            return json.load(file)

    def app(self):
        desktop = self.atspi.get_desktop(0)
        for i in range(desktop.get_child_count()):
            child = desktop.get_child_at_index(i)
            if child is not None and child.get_name() == "dustlyn-settings-demo":
                return child
        return None

    def all(self, root=None):
        # Nothing runs the GLib loop that would bring the bus's news, so the cached tree
        # would never learn of a new window (a menu, a dialog): read it afresh each time.
        root = root or self.app()
        if root is None:
            return []
        root.clear_cache()
        found = []

        def walk(node, depth):
            if node is None or depth > 40:
                return
            found.append(node)
            for i in range(node.get_child_count()):
                walk(node.get_child_at_index(i), depth + 1)
        walk(root, 0)
        return found

    def find(self, role, name, root=None):
        for node in self.all(root):
            if node.get_role_name() == role and node.get_name() == name and self.showing(node):
                return node
        return None

    def showing(self, node):
        return node.get_state_set().contains(self.atspi.StateType.SHOWING)

    def focused(self):
        for node in self.all():
            if node.get_state_set().contains(self.atspi.StateType.FOCUSED):
                return node
        return None

    def act(self, node, action):
        actions = node.get_action_iface()
        names = [actions.get_action_name(i) for i in range(actions.get_n_actions())]
        assert action in names, "%s has no %s action (%s)" % (node.get_name(), action, names)
        actions.do_action(names.index(action))

    @staticmethod
    def key(name):
        subprocess.check_call(["xdotool", "key", "--clearmodifiers", name])

    def run(self):
        wait_for("the settings window", lambda: self.app() and self.find("push button", "New rule"))
        rule = self.config()["rules"][0]
        assert rule["name"] == "Screenshots"

        # A token with a menu: "15 min" -> "1 hour". Qt keeps pop-up menus out of the
        # accessibility tree (screen readers follow them by focus), so the menu is
        # walked with the keys, as its users do.
        age = wait_for("the age token", lambda: self.find("push button", "15 min"))
        self.act(age, "Press")
        time.sleep(0.6)
        for _ in range(4):
            self.key("Down")  # immediately, 5 minutes, 15 minutes, 1 hour
        self.key("Return")
        wait_for("the new age in config.json",
                 lambda: self.config()["rules"][0]["ageThreshold"] == 3600)

        # The rule's switch, named by its sentence.
        toggle = wait_for("the rule's switch", lambda: self.find(
            "check box", "Move screenshots from Desktop and Screenshots after 1 hour"))
        self.act(toggle, "Toggle")
        wait_for("the rule turned off", lambda: not self.config()["rules"][0]["enabled"])

        # The keyboard: Tab reaches the kind token, Return opens the editor.
        for _ in range(80):
            node = self.focused()
            if node is not None and node.get_name() == "screenshots":
                break
            self.key("Tab")
            time.sleep(0.05)
        else:
            raise AssertionError("Tab never reached the token 'screenshots'")
        self.key("Return")
        wait_for("the rule editor", lambda: self.find("push button", "Save"))
        self.key("Escape")
        wait_for("the editor to close", lambda: not self.find("push button", "Save"))
        assert self.config()["rules"][0]["name"] == "Screenshots"

        self.key("Return")
        name = wait_for("the name field", lambda: self.find("text", "Name"))
        if "SetFocus" in self.actions(name):
            self.act(name, "SetFocus")
        self.key("ctrl+a")
        subprocess.check_call(["xdotool", "type", "--delay", "20", "Shots"])
        self.key("Return")
        wait_for("the renamed rule", lambda: self.config()["rules"][0]["name"] == "Shots")
        wait_for("the editor to close", lambda: not self.find("push button", "Save"))

        # A notch switch, through the sidebar.
        notch = wait_for("the sidebar", lambda: self.find("list item", "Notch"))
        self.act(notch, "Toggle")
        pill = wait_for("the pill switch",
                        lambda: self.find("check box", "Show the pill while files wait"))
        self.act(pill, "Toggle")
        wait_for("the pill off in config.json", lambda: not self.config()["notch"]["showPill"])

        for pane in ("Overview", "Rules", "Notch", "History", "Kept files"):
            self.every_control_is_named_and_reached_by_tab(pane)

    CONTROLS = ("push button", "check box", "text", "combo box")

    def every_control_is_named_and_reached_by_tab(self, pane):
        self.act(wait_for("the sidebar", lambda: self.find("list item", pane)), "Toggle")
        wait_for("the pane " + pane, lambda: self.find("label", pane))
        controls = [node for node in self.all()
                    if node.get_role_name() in self.CONTROLS and self.showing(node)]
        unnamed = [node.get_role_name() for node in controls if not node.get_name()]
        assert not unnamed, "%s: controls without a name: %s" % (pane, unnamed)
        wanted = {(node.get_role_name(), node.get_name()) for node in controls}
        reached = set()
        # One trip round the window and a little more; the sidebar list holds the focus as
        # one stop (its entries are chosen with the arrow keys).
        for _ in range(len(controls) + 8):
            self.key("Tab")
            for node in self.all():
                states = node.get_state_set()
                if node.get_role_name() in self.CONTROLS and \
                        states.contains(self.atspi.StateType.FOCUSED):
                    reached.add((node.get_role_name(), node.get_name()))
        missing = wanted - reached
        assert not missing, "%s: Tab never reaches %s" % (pane, sorted(missing))

    def actions(self, node):
        actions = node.get_action_iface()
        if actions is None:
            return []
        return [actions.get_action_name(i) for i in range(actions.get_n_actions())]


if __name__ == "__main__":
    import warnings
    warnings.simplefilter("ignore", DeprecationWarning)
    if len(sys.argv) == 3 and sys.argv[1] == "--inner":
        sys.exit(inner(sys.argv[2]))
    if len(sys.argv) != 2:
        print(__doc__)
        sys.exit(2)
    sys.exit(outer(os.path.abspath(sys.argv[1])))
