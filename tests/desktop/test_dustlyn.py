#!/usr/bin/python3
"""The real `dustlyn` on a real X server, the way its users meet it: the notch window,
the pointer, the hot key, the commands, the sweep toast read and pressed through the
accessibility tree, the tray item on the session bus, and how the process starts and ends.

Run on a desktop of its own: scripts/with-desktop /usr/bin/python3 test_dustlyn.py [CLASS]
with DUSTLYN naming the executable (ctest does both).
"""

import subprocess
import sys
import unittest

from gi.repository import GLib
from Xlib import X

from desktop import (DUSTLYN, Accessible, AccessibilityBus, DragSource, Dustlyn, Panel, Pointer,
                     StatusNotifierWatcher, ThrowawayHome, XServer, run, wait_until)

# The notch window on a screen without a camera housing, whose band is 24 pixels tall
# when no panel of the desktop takes room at the top: 720 wide, 128 tall while only the
# pill shows, 560 for the open panel.
BAND, WIDTH, REST_HEIGHT, OPEN_HEIGHT = 24, 720, 128, 560


def face(width, height):
    """The input shape of a face of this size under the band, in window coordinates."""
    return [((WIDTH - width) // 2, 0, width, BAND + height)]


# OPEN: the open panel listing one file.
PILL, OPEN, TOAST, DROP_ZONES = face(100, 0), face(580, 156), face(400, 60), face(480, 128)


class DesktopTest(unittest.TestCase):
    """A throw-away home and the test's X connection per test; Dustlyn started on demand."""

    config = {}

    def setUp(self):
        self.home = ThrowawayHome(**self.config)
        self.addCleanup(self.home.remove)
        self.x = XServer()
        self.addCleanup(self.x.display.close)
        self.centre = self.x.root.get_geometry().width // 2

    def start(self, *arguments, **environment):
        dustlyn = Dustlyn(self.home, *arguments, **environment)
        self.addCleanup(dustlyn.kill)
        return dustlyn, Panel(self.x, dustlyn)

    def ok(self, dustlyn, *arguments):
        result = dustlyn.command(*arguments)
        self.assertEqual(result.returncode, 0, result.stderr)

    def leave_in_an_hour(self, dustlyn, panel):
        """A file the user gave a timer: it is leaving, without a peek announcing it."""
        path = self.home.file("Desktop/report.txt", "notes", age_seconds=3600)
        self.ok(dustlyn, "timer", str(path), "1h")
        panel.wait_for_input(PILL, "the pill of a file leaving")
        return path

    def frame_is(self, panel, height, what):
        self.x.wait(lambda: self.x.frame(panel.window) ==
                    (self.centre - WIDTH // 2, 0, WIDTH, height), what)


class TheNotchWindow(DesktopTest):

    def test_hangs_from_the_top_centre_as_a_dock_above_everything_on_every_workspace(self):
        dustlyn, panel = self.start()
        self.frame_is(panel, REST_HEIGHT, "the window at rest")
        self.assertEqual(self.x.names(panel.window, "_NET_WM_WINDOW_TYPE")[:1],
                         ["_NET_WM_WINDOW_TYPE_DOCK"])
        self.assertLessEqual({"_NET_WM_STATE_ABOVE", "_NET_WM_STATE_SKIP_TASKBAR",
                              "_NET_WM_STATE_SKIP_PAGER"},
                             set(self.x.names(panel.window, "_NET_WM_STATE")))
        # Sticky: openbox has no sticky state of its own and says so through the desktop
        # number, all of them.
        self.assertEqual(self.x.values(panel.window, "_NET_WM_DESKTOP"), [0xFFFFFFFF])
        self.assertEqual(panel.window.get_wm_hints().input, 0, "it would take the keyboard")

        # It takes the pointer only over what it draws.
        panel.wait_for_input([], "no input shape with nothing leaving")
        self.leave_in_an_hour(dustlyn, panel)
        # The pill is a button: a click opens the panel with the keyboard, as the hot key
        # does (long before resting there would open it by hover). The window grows for
        # the open panel and shrinks back once it closed.
        run("xdotool", "mousemove", str(self.centre + 30), "10", "click", "1")
        panel.wait_for_input(OPEN, "the open panel after a click")
        self.frame_is(panel, OPEN_HEIGHT, "the window grown for the open panel")
        Pointer.key("Escape")
        panel.wait_for_input(PILL, "the pill after Esc")
        self.frame_is(panel, REST_HEIGHT, "the window back to the pill's height")


class OpeningAndClosing(DesktopTest):
    """Never keeping the keyboard from the window being typed in."""

    def setUp(self):
        super().setUp()
        # Another application's window, which the window manager gives the keyboard, as the
        # one the user is typing in.
        self.typing = self.x.root.create_window(40, 300, 300, 100, 0, X.CopyFromParent)
        self.typing.map()
        self.x.wait(self.typing_has_keyboard, "the typing window to take the keyboard")
        self.dustlyn, self.panel = self.start()
        self.leave_in_an_hour(self.dustlyn, self.panel)
        self.assertTrue(self.typing_has_keyboard(), "showing the notch took the keyboard")

    def typing_has_keyboard(self):
        return self.x.focus() == self.typing.id and self.x.values(
            self.x.root, "_NET_ACTIVE_WINDOW") == [self.typing.id]

    def cycle(self, open_it, close_it, how):
        open_it()
        self.panel.wait_for_input(OPEN, f"the panel opened by {how}")
        close_it()
        self.panel.wait_for_input(PILL, f"the panel closed by {how}")
        self.x.wait(self.typing_has_keyboard, f"the keyboard with the typing window after {how}")

    def test_by_the_pointer_and_the_hot_key(self):
        def press_ctrl_alt_p():
            Pointer.key("ctrl+alt+p")
            self.x.wait(lambda: self.x.focus() == self.panel.window.id, "the keyboard on the panel")
        self.cycle(lambda: Pointer.rest_at(self.centre, 5),
                   lambda: Pointer.rest_at(self.centre, 650), "the pointer")
        self.cycle(press_ctrl_alt_p, lambda: Pointer.key("Escape"), "Ctrl+Alt+P and Esc")
        # Pressed again while the panel it opened has the keyboard.
        self.cycle(press_ctrl_alt_p, lambda: Pointer.key("ctrl+alt+p"), "Ctrl+Alt+P twice")

    def test_by_the_open_and_toggle_commands(self):
        self.cycle(lambda: self.ok(self.dustlyn, "toggle"),
                   lambda: self.ok(self.dustlyn, "toggle"), "`dustlyn toggle`")
        self.ok(self.dustlyn, "open")
        self.panel.wait_for_input(OPEN, "the panel opened by `dustlyn open`")
        self.ok(self.dustlyn, "open")
        self.assertEqual(self.panel.input_shape(), OPEN, "a second open closed it")


class DroppingFiles(DesktopTest):

    def test_a_file_dragged_from_a_file_browser_onto_keep_forever_is_kept_where_it_is(self):
        dustlyn, panel = self.start()
        path = self.leave_in_an_hour(dustlyn, panel)
        source = DragSource(self.x, path)
        self.addCleanup(source.close)
        keep_forever = (self.centre - 115, 85)
        Pointer.glide(source.press(), (keep_forever[0], 40))
        panel.wait_for_input(DROP_ZONES, "the drop zones under a file drag")
        # Drop targets are found by the drawn shape, which grows into place.
        panel.wait_for_drawn(DROP_ZONES, "the drop zones")
        Pointer.glide((keep_forever[0], 40), keep_forever, steps=9)
        # Taken as a copy: a source told the file was moved may remove its original.
        source.hover_until_offered("copy")
        self.assertEqual(source.release(), "copy")
        panel.wait_for_input(TOAST, "the toast confirming the drop")
        self.assertEqual(dustlyn.command("scan").stdout.strip(), "Nothing would leave.")
        self.assertTrue(path.exists())


class TheSweepToast(DesktopTest):

    def test_undo_pressed_by_a_screen_reader_brings_the_file_back(self):
        self.addCleanup(AccessibilityBus().close)
        dustlyn, panel = self.start(QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1")
        ui = Accessible("Dustlyn")
        path = self.home.file("Desktop/notes.txt", "hello")
        self.ok(dustlyn, "timer", str(path), "2s")
        panel.wait_for_input(TOAST, "the sweep toast")
        self.assertFalse(path.exists())
        self.assertEqual(self.home.quarantined(), ["notes.txt"])
        ui.wait(None, "Moved 1 file to quarantine", timeout=3)
        ui.press("push button", "Undo")
        wait_until(path.exists, "the file back where it was")
        self.assertEqual((path.read_text(), self.home.quarantined()), ("hello", []))


class TheTrayItem(DesktopTest):

    config = {"showMenuBarIcon": True}

    def test_registers_with_the_panel_and_quit_dustlyn_ends_the_process(self):
        watcher = StatusNotifierWatcher()
        self.addCleanup(watcher.close)
        dustlyn, _ = self.start()
        _, item = wait_until(lambda: watcher.items, "the tray item to register")[0]

        def get(name):
            return watcher.call(item, "/StatusNotifierItem", "org.freedesktop.DBus.Properties",
                                "Get", "(ss)", ("org.kde.StatusNotifierItem", name))[0]
        menu = get("Menu")
        _, (_, _, entries) = watcher.call(item, menu, "com.canonical.dbusmenu", "GetLayout",
                                          "(iias)", (0, -1, []))
        self.assertEqual([(e[1].get("type", ""), e[1].get("label", ""), e[1].get("shortcut"))
                          for e in entries],
                         [("", "Open Dustlyn", None), ("", "Settings…", [["Control", ","]]),
                          ("separator", "", None), ("", "Quit Dustlyn", [["Control", "Q"]])])
        # Each picture size once, and one sharp enough for a panel at twice the pixels.
        widths = [width for width, _, _ in get("IconPixmap")]
        self.assertEqual(widths, sorted(set(widths)))
        self.assertGreaterEqual(widths[-1], 36)
        watcher.call(item, menu, "com.canonical.dbusmenu", "Event", "(isvu)",
                     (entries[3][0], "clicked", GLib.Variant("i", 0), 0))
        self.assertEqual(dustlyn.ended(), 0, dustlyn.log())


class StartingAndEnding(DesktopTest):

    def test_without_any_display_it_says_so_in_one_line_and_exits_2(self):
        for display in (None, ":9999"):  # no DISPLAY, and one without a server
            with self.subTest(display):
                result = subprocess.run([DUSTLYN], capture_output=True, text=True, timeout=20,
                                        env=self.home.environment(
                                            DISPLAY=display, WAYLAND_DISPLAY=None,
                                            QT_QPA_PLATFORM=None))
                self.assertEqual((result.returncode, result.stdout), (2, ""), result.stderr)
                self.assertEqual(len(result.stderr.splitlines()), 1, result.stderr)
                self.assertIn("dustlyn --headless", result.stderr)

    def test_on_a_wayland_session_it_comes_up_through_x11(self):
        # Its notch window shows on the X server.
        self.start(WAYLAND_DISPLAY="wayland-dustlyn-test", XDG_SESSION_TYPE="wayland",
                   QT_QPA_PLATFORM=None)


if __name__ == "__main__":
    unittest.main(argv=[sys.argv[0], "-v", *sys.argv[1:]])
