#!/usr/bin/python3
"""The real `dustlyn` on a private desktop, as a new user and a keyboard or screen-reader
user meet it: the first-run window, the sample file, and the settings window opened by
`dustlyn settings` and by a second `dustlyn`.

    scripts/with-desktop first_run.py CASE DUSTLYN

CASE is one of the functions named case_* below. Runs in a throw-away home with the
accessibility bus of its own; exits 77 (skipped) when the AT-SPI bus or its Python
bindings or xdotool are missing.
"""
import json
import os
import shutil
import subprocess
import sys
import tempfile
import time

BUS_LAUNCHER = "/usr/libexec/at-spi-bus-launcher"
PANES = 'there are Overview, Rules, Notch, History or Kept files'


def skip(why):
    print("skipped: " + why)
    sys.exit(77)


def wait_for(what, check, timeout=20.0, every=0.1):
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        found = check()
        if found:
            return found
        time.sleep(every)
    raise AssertionError("timed out waiting for " + what)


def stays(what, check, seconds):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        assert check(), what
        time.sleep(0.1)


class Home:
    """A home that has never run Dustlyn, with its own runtime folder."""

    def __init__(self):
        self.root = tempfile.mkdtemp(prefix="dustlyn-first-run-")
        for folder in ("Desktop", "Downloads", "run"):
            os.makedirs(self.path(folder), mode=0o700)
        self.env = dict(os.environ, HOME=self.root,
                        XDG_DATA_HOME=self.path(".local/share"),
                        XDG_CONFIG_HOME=self.path(".config"),
                        XDG_CACHE_HOME=self.path(".cache"),
                        XDG_RUNTIME_DIR=self.path("run"),
                        QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_QPA_PLATFORM="xcb")
        self.env.pop("DUSTLYN_NOTCH_DEMO", None)

    def path(self, relative):
        return os.path.join(self.root, relative)

    def config_file(self):
        return self.path(".local/share/Dustlyn/config.json")

    def config(self):
        with open(self.config_file()) as file:
            return json.load(file)

    def write_config(self, values):
        os.makedirs(os.path.dirname(self.config_file()), exist_ok=True)
        with open(self.config_file(), "w") as file:
            json.dump(values, file)

    def due_file(self):
        """A file on the Desktop whose one-off timer ran out long ago."""
        due = self.path("Desktop/due.txt")
        with open(due, "w") as file:
            file.write("due")
        return due, {due: "2020-01-01T00:00:00Z"}

    def quarantined(self, name):
        folder = self.path(".local/share/Dustlyn/Quarantine")
        return os.path.isdir(folder) and name in os.listdir(folder)

    def remove(self):
        shutil.rmtree(self.root, ignore_errors=True)


class App:
    """One `dustlyn` process and what a screen reader sees of it."""

    def __init__(self, atspi, dustlyn, home, *arguments):
        self.atspi = atspi
        self.dustlyn = dustlyn
        self.home = home
        self.process = subprocess.Popen([dustlyn, *arguments], env=home.env,
                                        stdout=subprocess.PIPE, stderr=subprocess.PIPE)

    def run(self, *arguments):
        """Another `dustlyn` call, to its end."""
        return subprocess.run([self.dustlyn, *arguments], env=self.home.env, capture_output=True,
                              text=True, timeout=30)

    def stop(self):
        if self.process.poll() is None:
            self.process.terminate()
        try:
            out, err = self.process.communicate(timeout=10)
        except subprocess.TimeoutExpired:
            self.process.kill()
            out, err = self.process.communicate()
        return self.process.returncode, err.decode(errors="replace")

    def root(self):
        desktop = self.atspi.get_desktop(0)
        for i in range(desktop.get_child_count()):
            child = desktop.get_child_at_index(i)
            if child is not None and child.get_name() == "Dustlyn":
                return child
        return None

    def nodes(self):
        # Nothing runs the GLib loop that would bring the bus's news: read the tree afresh.
        root = self.root()
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

    def showing(self, node):
        return node.get_state_set().contains(self.atspi.StateType.SHOWING)

    def find(self, role, name):
        for node in self.nodes():
            if node.get_role_name() == role and node.get_name() == name and self.showing(node):
                return node
        return None

    def find_starting(self, role, prefix):
        for node in self.nodes():
            if (node.get_role_name() == role and node.get_name().startswith(prefix)
                    and self.showing(node)):
                return node
        return None

    def press(self, role, name):
        node = wait_for("%s %r" % (role, name), lambda: self.find(role, name))
        actions = node.get_action_iface()
        names = [actions.get_action_name(i) for i in range(actions.get_n_actions())]
        for action in ("Press", "Toggle"):
            if action in names:
                actions.do_action(names.index(action))
                return
        raise AssertionError("%s has no Press or Toggle action (%s)" % (name, names))

    def checked(self, name):
        node = self.find("check box", name)
        return node.get_state_set().contains(self.atspi.StateType.CHECKED)

    def windows(self):
        """This process's ordinary, mapped windows (the notch panel is a dock)."""
        found = []
        listed = subprocess.run(["xdotool", "search", "--onlyvisible", "--pid",
                                 str(self.process.pid), "--name", "^Dustlyn$"],
                                capture_output=True, text=True).stdout.split()
        for window in listed:
            kind = subprocess.run(["xprop", "-id", window, "_NET_WM_WINDOW_TYPE"],
                                  capture_output=True, text=True).stdout
            # The panel lists fallbacks after its dock type, a normal window among them.
            if "_NET_WM_WINDOW_TYPE_NORMAL" in kind and "_NET_WM_WINDOW_TYPE_DOCK" not in kind:
                found.append(window)
        return found

    def panel_shape(self):
        """What xwininfo says of the notch panel's shape (the one dock window)."""
        listed = subprocess.run(["xdotool", "search", "--pid", str(self.process.pid), "--name",
                                 "^Dustlyn$"], capture_output=True, text=True).stdout.split()
        for window in listed:
            kind = subprocess.run(["xprop", "-id", window, "_NET_WM_WINDOW_TYPE"],
                                  capture_output=True, text=True).stdout
            if "_NET_WM_WINDOW_TYPE_DOCK" in kind:
                return subprocess.run(["xwininfo", "-shape", "-id", window], capture_output=True,
                                      text=True).stdout
        return None

    def close_window(self, window):
        # As the window manager's close button does: WM_DELETE_WINDOW, not a destroy.
        subprocess.check_call(["wmctrl", "-i", "-c", window])

    @staticmethod
    def key(name):
        subprocess.check_call(["xdotool", "key", "--clearmodifiers", name])


def onboarding_step(app, heading):
    return wait_for("the step " + heading, lambda: app.find("label", heading))


def case_first_run_waits_for_the_folder_step(app, home):
    """No sweep until the folder step is left; a reopen stays silent meanwhile."""
    due, timers = home.due_file()
    home.write_config({"timers": timers})
    app = app(home)
    onboarding_step(app, "Welcome to Dustlyn")
    assert len(app.windows()) == 1, app.windows()
    # Nothing is leaving, so the notch draws nothing; without a compositing manager (there
    # is none here) its window must be cut to nothing, or it would cover the onboarding
    # in black.
    shape = wait_for("the notch panel", app.panel_shape)
    assert "Window shape extents:  0x0+0+0" in shape, shape
    stays("the due file waits while the welcome shows", lambda: os.path.exists(due), 2.0)

    # A second `dustlyn` while the onboarding shows: exit 0, no settings window.
    second = app.run()
    assert second.returncode == 0, second
    stays("no second window", lambda: len(app.windows()) == 1, 1.0)

    app.key("Return")  # the focused "Continue"
    onboarding_step(app, "Choose what to clean")
    assert app.checked("Screenshots and recordings")
    assert not app.checked("Installers and archives")
    wait_for("the access line", lambda: app.find("label", "Access granted"))
    stays("the due file waits on the folder step", lambda: os.path.exists(due), 1.5)

    app.press("push button", "Continue")
    onboarding_step(app, "Try it")
    wait_for("the due file in the quarantine", lambda: home.quarantined("due.txt"), 10)
    assert not os.path.exists(due)
    return app


def case_sample_leaves_thirty_seconds_after_it_was_made(app, home):
    home.write_config({})
    app = app(home)
    onboarding_step(app, "Welcome to Dustlyn")
    app.press("push button", "Continue")
    onboarding_step(app, "Choose what to clean")
    app.press("push button", "Continue")
    onboarding_step(app, "Try it")
    sample = home.path("Downloads/Dustlyn Sample.png")
    app.press("push button", "Create a sample file")
    wait_for("the sample", lambda: os.path.exists(sample), 10, every=0.02)
    made = time.monotonic()
    status = wait_for("the status line", lambda: app.find_starting("label", "Leaves in 0:"))
    assert status.get_name().endswith(". Watch the notch."), status.get_name()
    wait_for("the button's new name", lambda: app.find("push button", "Create another"))
    wait_for("the sample to leave", lambda: not os.path.exists(sample), 40, every=0.02)
    left = time.monotonic() - made
    print("the sample left %.2f s after it was made" % left)
    assert 29.9 <= left <= 31.0, left
    assert home.quarantined("Dustlyn Sample.png")
    wait_for("the moved line", lambda: app.find(
        "label", "Moved to quarantine. Nothing is deleted for 7 days."))
    return app


def finish(app, home, open_at_login):
    home.write_config({})
    app = app(home)
    onboarding_step(app, "Welcome to Dustlyn")
    for heading in ("Choose what to clean", "Try it", "You're all set"):
        app.key("Return")
        onboarding_step(app, heading)
    assert app.checked("Open Dustlyn at login")
    if not open_at_login:
        app.press("check box", "Open Dustlyn at login")
        wait_for("the switch off", lambda: not app.checked("Open Dustlyn at login"))
    app.press("push button", "Start using Dustlyn")
    wait_for("the window to close", lambda: not app.windows())
    wait_for("the onboarding complete", lambda: home.config().get("onboardingCompleted"))
    autostart = home.path(".config/autostart/dustlyn.desktop")
    assert os.path.exists(autostart) == open_at_login, autostart
    # Once finished, a second `dustlyn` brings the settings window up.
    assert app.run().returncode == 0
    wait_for("the settings window", lambda: app.find("label", "Overview"))
    assert len(app.windows()) == 1
    return app


def case_finishing_with_open_at_login(app, home):
    return finish(app, home, True)


def case_finishing_without_open_at_login(app, home):
    return finish(app, home, False)


def case_closing_early_starts_cleaning(app, home):
    due, timers = home.due_file()
    home.write_config({"timers": timers})
    app = app(home)
    onboarding_step(app, "Welcome to Dustlyn")
    (window,) = app.windows()
    app.close_window(window)
    wait_for("the window to close", lambda: not app.windows())
    wait_for("the due file in the quarantine", lambda: home.quarantined("due.txt"), 10)
    assert not home.config().get("onboardingCompleted")
    assert app.process.poll() is None, "Dustlyn runs on in the notch"
    # With the onboarding gone, a second `dustlyn` has the settings window to show.
    assert app.run().returncode == 0
    wait_for("the settings window", lambda: app.find("label", "Overview"))
    return app


def case_notch_demo_skips_the_onboarding(app, home):
    due, timers = home.due_file()
    home.write_config({"timers": timers})
    app = app(home, "--notch-demo", "toast")
    wait_for("the due file in the quarantine", lambda: home.quarantined("due.txt"), 10)
    stays("no onboarding window", lambda: not app.windows(), 2.0)
    assert not home.config().get("onboardingCompleted")
    return app


def case_settings_command_opens_and_switches_one_window(app, home):
    home.write_config({"onboardingCompleted": True})
    # No Dustlyn runs: this call starts it with the window on Rules.
    app = app(home, "settings", "rules")
    wait_for("the Rules pane", lambda: app.find("push button", "New rule"))
    wait_for("one window", lambda: len(app.windows()) == 1)
    (window,) = app.windows()

    second = app.run("settings", "History")
    assert second.returncode == 0, second
    wait_for("the History pane", lambda: app.find("label", "History"))
    assert app.windows() == [window], app.windows()

    kept = app.run("settings", "KEPT FILES")
    assert kept.returncode == 0, kept
    wait_for("the Kept files pane", lambda: app.find("push button", "Keep a file…"))

    wrong = app.run("settings", "Bogus")
    assert wrong.returncode == 2, wrong
    assert wrong.stderr == "dustlyn settings: no pane 'Bogus'; %s\n" % PANES, wrong

    # Closed, then a second `dustlyn`: the window again, on the pane it had.
    app.close_window(window)
    wait_for("the window to close", lambda: not app.windows())
    geometry = home.path(".config/Dustlyn/settings-window.conf")
    wait_for("the remembered geometry", lambda: os.path.exists(geometry))
    with open(geometry) as file:
        assert "DustlynSettings=" in file.read()
    # (Qt makes a new X window for a window shown again after a close.)
    again = app.run()
    assert again.returncode == 0, again
    wait_for("the window again", lambda: len(app.windows()) == 1)
    wait_for("the Kept files pane again", lambda: app.find("push button", "Keep a file…"))
    return app


def case_notch_tray_and_settings_reach_each_other(app, home):
    """The notch's Settings button opens the window; its switches reach the tray and the
    notch's hot key."""
    home.write_config({"onboardingCompleted": True})
    app = app(home)
    leaving = "Leaving soon (0)"
    wait_for("Dustlyn to answer", lambda: app.run("open").returncode == 0)
    wait_for("the open panel", lambda: app.find("page tab", leaving))
    app.press("push button", "Settings")
    wait_for("the settings window", lambda: app.find("label", "Overview"))
    wait_for("the panel to close", lambda: not app.find("page tab", leaving))
    wait_for("one window", lambda: len(app.windows()) == 1)

    app.press("check box", "Also show in the menu bar")
    wait_for("the tray switch saved", lambda: home.config().get("showMenuBarIcon"))

    # The hot key opens the panel, and once switched off no longer does.
    app.key("ctrl+alt+p")
    wait_for("the panel from the hot key", lambda: app.find("page tab", leaving))
    app.key("Escape")
    wait_for("the panel to close", lambda: not app.find("page tab", leaving))
    app.press("list item", "Notch")
    app.press("check box", "Open with Ctrl+Alt+P")
    wait_for("the hot key off", lambda: not home.config()["notch"]["hotkeyEnabled"])
    app.key("ctrl+alt+p")
    stays("the panel stays closed", lambda: not app.find("page tab", leaving), 1.5)
    return app


def case_changes_from_elsewhere_show_in_the_open_window(app, home):
    """`dustlyn` commands change the running model; the open window follows at once."""
    home.write_config({"onboardingCompleted": True})
    app = app(home, "settings", "Kept files")
    wait_for("the Kept files pane", lambda: app.find("push button", "Keep a file…"))
    letter = home.path("Desktop/letter to keep.txt")
    with open(letter, "w") as file:
        file.write("mine")
    kept = app.run("keep", letter)
    assert kept.returncode == 0, kept
    wait_for("the kept file's row", lambda: app.find("label", "letter to keep.txt"))
    assert app.find("label", "~/Desktop/letter to keep.txt")

    assert app.run("settings", "History").returncode == 0
    wait_for("the empty History pane",
             lambda: app.find("label", "Nothing yet. Your first sweep shows up here."))
    drawing = home.path("Desktop/drawing.png")
    with open(drawing, "w") as file:
        file.write("png")
    moved = app.run("remove-now", drawing)
    assert moved.returncode == 0, moved
    wait_for("the quarantined row", lambda: app.find("label", "drawing.png"))
    wait_for("its Restore button", lambda: app.find("push button", "Restore"))
    quarantined = os.path.join(home.path(".local/share/Dustlyn/Quarantine"),
                               os.listdir(home.path(".local/share/Dustlyn/Quarantine"))[0])
    restored = app.run("restore", quarantined)
    assert restored.returncode == 0, restored
    wait_for("the restored row", lambda: app.find("label", "Restored to ~/Desktop"))
    wait_for("no Restore button left", lambda: not app.find("push button", "Restore"))
    return app


CONTROLS = ("push button", "check box", "text", "combo box")


def case_every_control_is_named_and_reached_by_tab(app, home):
    """On each step, as a keyboard and screen-reader user meets it."""
    home.write_config({})
    app = app(home)
    for heading in ("Welcome to Dustlyn", "Choose what to clean", "Try it", "You're all set"):
        onboarding_step(app, heading)
        time.sleep(0.4)  # the step's fade
        root = app.root()
        root.clear_cache()
        windows = [root.get_child_at_index(i) for i in range(root.get_child_count())]
        window = next(child for child in windows
                      if any(node.get_name() == heading for node in subtree(child)))
        controls = [node for node in subtree(window)
                    if node.get_role_name() in CONTROLS and app.showing(node)]
        assert controls, heading
        unnamed = [node.get_role_name() for node in controls if not node.get_name()]
        assert not unnamed, "%s: controls without a name: %s" % (heading, unnamed)
        wanted = {(node.get_role_name(), node.get_name()) for node in controls}
        reached = set()
        for _ in range(len(controls) + 3):
            app.key("Tab")
            for node in subtree(window):
                if node.get_role_name() in CONTROLS and node.get_state_set().contains(
                        app.atspi.StateType.FOCUSED):
                    reached.add((node.get_role_name(), node.get_name()))
        missing = wanted - reached
        assert not missing, "%s: Tab never reaches %s" % (heading, sorted(missing))
        if heading != "You're all set":
            app.press("push button", "Continue")
    return app


def subtree(root):
    found = []

    def walk(node, depth):
        if node is None or depth > 40:
            return
        found.append(node)
        for i in range(node.get_child_count()):
            walk(node.get_child_at_index(i), depth + 1)
    walk(root, 0)
    return found


def case_unknown_pane_without_a_running_dustlyn(app, home):
    home.write_config({"onboardingCompleted": True})
    wrong = subprocess.run([app.dustlyn, "settings", "Bogus"], env=home.env, capture_output=True,
                           text=True, timeout=30)
    assert wrong.returncode == 2, wrong
    assert wrong.stderr == "dustlyn settings: no pane 'Bogus'; %s\n" % PANES, wrong
    assert wrong.stdout == ""
    return None


def main(case_name, dustlyn):
    case = globals().get("case_" + case_name)
    if case is None:
        print("unknown case " + case_name)
        return 2
    for tool in ("xdotool", "wmctrl", "xprop"):
        if not shutil.which(tool):
            skip(tool + " is not installed")
    if not os.path.exists(BUS_LAUNCHER):
        skip("the AT-SPI bus launcher is not installed")
    try:
        import gi
        gi.require_version("Atspi", "2.0")
        from gi.repository import Atspi
    except (ImportError, ValueError) as error:
        skip("no AT-SPI Python bindings: %s" % error)
    bus = subprocess.Popen([BUS_LAUNCHER, "--launch-immediately"], stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL)
    home = Home()
    started = []

    def start(home, *arguments):
        started.append(App(Atspi, dustlyn, home, *arguments))
        return started[-1]
    start.dustlyn = dustlyn
    try:
        time.sleep(0.3)
        case(start, home)
        for app in started:
            code, err = app.stop()
            assert code == 0, "dustlyn ended with %s: %s" % (code, err)
        print("ok: " + case_name)
        return 0
    finally:
        for app in started:
            app.stop()
        bus.terminate()
        bus.wait()
        home.remove()


if __name__ == "__main__":
    import warnings
    warnings.simplefilter("ignore", DeprecationWarning)
    if len(sys.argv) != 3:
        print(__doc__)
        sys.exit(2)
    sys.exit(main(sys.argv[1], os.path.abspath(sys.argv[2])))
