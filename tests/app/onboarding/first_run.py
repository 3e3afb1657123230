#!/usr/bin/python3
"""The real `dustlyn` on a private desktop, as a new user and a keyboard or screen-reader
user meet it: the first-run window, the sample file, and the settings window opened by
`dustlyn settings` and by a second `dustlyn`.

    scripts/with-desktop first_run.py CASE    (DUSTLYN names the executable)

CASE is one of the functions named case_* below.
"""
import sys
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[2] / "desktop"))
from desktop import (Accessible, AccessibilityBus, Dustlyn, Pointer,  # noqa: E402
                     ThrowawayHome, XServer, stays, subtree, wait_until)

OVERVIEW = ("label", "Overview")
STEPS = ("Welcome to Dustlyn", "Choose what to clean", "Try it", "You're all set")


class App(Dustlyn):
    """One `dustlyn` process with the accessibility bridge on, and its windows."""

    def __init__(self, home, *arguments):
        super().__init__(home, *arguments, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1",
                         QT_QPA_PLATFORM="xcb", DUSTLYN_NOTCH_DEMO=None)
        self.ui = Accessible("Dustlyn")
        self.x = XServer()

    def windows(self, dock=False):
        """This process's ordinary windows on the screen, or its notch panel (a dock)."""
        return [c for c in self.x.clients() if self.x.values(c, "_NET_WM_PID") == [self.pid] and
                ("_NET_WM_WINDOW_TYPE_DOCK" in self.x.names(c, "_NET_WM_WINDOW_TYPE")) == dock]

    def step(self, heading):
        return self.ui.wait("label", heading)

    def ok(self, *arguments):
        result = self.command(*arguments)
        assert result.returncode == 0, result


def key(name):
    Pointer.key("--clearmodifiers", name)


def case_first_run_waits_for_the_folder_step_then_a_sample_leaves(start, home):
    """No sweep until the folder step is left, a reopen stays silent meanwhile, and a sample
    made on the next step leaves 30 s after it was made."""
    due = home.file("Desktop/due.txt", "due")  # its one-off timer ran out long ago
    home.write_config({"timers": {str(due): "2020-01-01T00:00:00Z"}})
    app = start()
    app.step("Welcome to Dustlyn")
    wait_until(lambda: len(app.windows()) == 1, "one window")
    # Nothing is leaving, so the notch draws nothing; without a compositing manager (there
    # is none here) its window must be cut to nothing, or it would cover the onboarding
    # in black.
    (panel,) = wait_until(lambda: app.windows(dock=True), "the notch panel")
    extents = panel.shape_query_extents()
    assert extents.bounding_shape_extents_width == extents.bounding_shape_extents_height == 0
    stays(due.exists, "the due file waits while the welcome shows", 2.0)

    # A second `dustlyn` while the onboarding shows: exit 0, no settings window.
    app.ok()
    stays(lambda: len(app.windows()) == 1, "no second window", 1.0)

    key("Return")  # the focused "Continue"
    app.step("Choose what to clean")
    stays(due.exists, "the due file waits on the folder step", 1.5)

    app.ui.press("push button", "Continue")
    app.step("Try it")
    wait_until(lambda: "due.txt" in home.quarantined(), "due.txt in the quarantine", 10)
    assert not due.exists()

    sample = home.home / "Downloads/Dustlyn Sample.png"
    app.ui.press("push button", "Create a sample file")
    wait_until(sample.exists, "the sample", 10)
    made = time.monotonic()
    wait_until(lambda: not sample.exists(), "the sample to leave", 40)
    left = time.monotonic() - made
    print("the sample left %.2f s after it was made" % left)
    assert 29.9 <= left <= 31.0, left
    assert "Dustlyn Sample.png" in home.quarantined()
    app.ui.wait("label", "Moved to quarantine. Nothing is deleted for 7 days.")


def finish(start, home, open_at_login):
    """Through the steps with Return, or (with open at login) with each step's controls
    checked as a screen-reader and keyboard user meets them."""
    home.write_config({})
    app = start()
    for heading in STEPS:
        app.step(heading)
        if open_at_login:
            time.sleep(0.4)  # the step's fade
            root = app.ui.root()
            windows = [root.get_child_at_index(i) for i in range(root.get_child_count())]
            window = next(w for w in windows if any(n.get_name() == heading for n in subtree(w)))
            app.ui.check_every_control_named_and_reached_by_tab(heading, window)
        if heading != STEPS[-1]:
            app.ui.press("push button", "Continue") if open_at_login else key("Return")
    assert app.ui.checked("Open Dustlyn at login")
    if not open_at_login:
        app.ui.press("check box", "Open Dustlyn at login")
        wait_until(lambda: not app.ui.checked("Open Dustlyn at login"), "the switch off")
    app.ui.press("push button", "Start using Dustlyn")
    wait_until(lambda: not app.windows(), "the window to close")
    wait_until(lambda: home.config().get("onboardingCompleted"), "the onboarding complete")
    autostart = home.home / ".config/autostart/dustlyn.desktop"
    assert autostart.exists() == open_at_login, autostart
    # Once finished, a second `dustlyn` brings the settings window up.
    app.ok()
    app.ui.wait(*OVERVIEW)
    assert len(app.windows()) == 1


def case_finishing_with_open_at_login(start, home):
    finish(start, home, True)


def case_finishing_without_open_at_login(start, home):
    finish(start, home, False)


def case_settings_command_opens_and_switches_one_window(start, home):
    # No Dustlyn runs: this call starts it with the window on Rules.
    app = start("settings", "rules")
    app.ui.wait("push button", "New rule")
    wait_until(lambda: len(app.windows()) == 1, "one window")
    (window,) = app.windows()
    app.ok("settings", "History")
    app.ui.wait("label", "History")
    assert [w.id for w in app.windows()] == [window.id], app.windows()
    app.ok("settings", "KEPT FILES")
    app.ui.wait("push button", "Keep a file…")
    for pane in ("Overview", "Rules", "Notch", "Kept files"):  # History is empty here
        app.ui.press("list item", pane, "Toggle")
        app.ui.wait("label", pane)
        # The sidebar holds the focus as one stop (the arrow keys choose its entries).
        app.ui.check_every_control_named_and_reached_by_tab(pane, extra_tabs=8)


def case_notch_tray_and_settings_reach_each_other(start, home):
    """The notch's Settings button opens the window; its switches reach the notch's hot
    key."""
    app = start()
    leaving = ("page tab", "Leaving soon (0)")
    wait_until(lambda: app.command("open").returncode == 0, "Dustlyn to answer")
    app.ui.wait(*leaving)
    app.ui.press("push button", "Settings")
    app.ui.wait(*OVERVIEW)
    wait_until(lambda: not app.ui.find(*leaving), "the panel to close")
    wait_until(lambda: len(app.windows()) == 1, "one window")

    # The hot key opens the panel, and once switched off no longer does.
    key("ctrl+alt+p")
    app.ui.wait(*leaving)
    key("Escape")
    wait_until(lambda: not app.ui.find(*leaving), "the panel to close")
    app.ui.press("list item", "Notch")
    app.ui.press("check box", "Open with Ctrl+Alt+P")
    wait_until(lambda: not home.config()["notch"]["hotkeyEnabled"], "the hot key off")
    key("ctrl+alt+p")
    stays(lambda: not app.ui.find(*leaving), "the panel stays closed", 1.5)


def main(case_name):
    case = globals().get("case_" + case_name)
    if case is None:
        print("unknown case " + case_name)
        return 2
    bus = AccessibilityBus()
    home = ThrowawayHome()
    started = []

    def start(*arguments):
        started.append(App(home, *arguments))
        return started[-1]
    try:
        case(start, home)
        for app in started:
            code = app.stop()
            assert code == 0, "dustlyn ended with %s: %s" % (code, app.log())
        print("ok: " + case_name)
        return 0
    finally:
        for app in started:
            app.kill()
        bus.close()
        home.remove()


if __name__ == "__main__":
    import warnings
    warnings.simplefilter("ignore", DeprecationWarning)
    sys.exit(main(sys.argv[1]) if len(sys.argv) == 2 else print(__doc__) or 2)
