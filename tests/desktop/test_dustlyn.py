#!/usr/bin/python3
"""The real `dustlyn` on a real X server, the way its users meet it: the notch window,
the pointer, the hot key, the commands, the sweep toast read and pressed through the
accessibility tree, the tray item on the session bus, and how the process starts and ends.

Run on a desktop of its own: scripts/with-desktop /usr/bin/python3 test_dustlyn.py [CLASS]
with DUSTLYN naming the executable (ctest does both).
"""

import fcntl
import signal
import subprocess
import sys
import unittest

from gi.repository import GLib

from desktop import (DUSTLYN, Accessible, AccessibilityBus, DragSource, Dustlyn, Geometry,
                     Panel, Pointer, StatusNotifierWatcher, ThrowawayHome, TypingWindow,
                     XServer, wait_until)


class DesktopTest(unittest.TestCase):
    """A throw-away home, the test's X connection and a running Dustlyn per test."""

    config = {}

    def setUp(self):
        self.home = ThrowawayHome(**self.config)
        self.addCleanup(self.home.remove)
        self.x = XServer()
        self.addCleanup(self.x.close)
        self.geometry = Geometry(self.x.screen_size()[0])

    def start(self, *arguments, **environment):
        dustlyn = Dustlyn(self.home, *arguments, **environment)
        self.addCleanup(dustlyn.kill)
        return dustlyn

    def start_with_panel(self, *arguments, **environment):
        dustlyn = self.start(*arguments, **environment)
        return dustlyn, Panel(self.x, dustlyn)

    def typing_window(self):
        window = TypingWindow(self.x)
        self.addCleanup(window.close)
        return window

    def leave_in_an_hour(self, dustlyn, name="report.txt"):
        """A file the user gave a timer: it is leaving, without a peek announcing it."""
        path = self.home.file(f"Desktop/{name}", "notes", age_seconds=3600)
        result = dustlyn.command("timer", str(path), "1h")
        self.assertEqual(result.returncode, 0, result.stderr)
        return path

    def assert_command(self, dustlyn, *arguments):
        result = dustlyn.command(*arguments)
        self.assertEqual(result.returncode, 0, result.stderr)


class TheNotchWindow(DesktopTest):

    def test_hangs_from_the_top_centre_as_a_dock_above_everything_on_every_workspace(self):
        _, panel = self.start_with_panel()
        self.assertEqual(self.x.frame(panel.window),
                         (self.geometry.panel_x, 0, Geometry.panel_width, Geometry.rest_height))
        types = [self.x.atom_name(a) for a in self.x.values(panel.window, "_NET_WM_WINDOW_TYPE")]
        self.assertEqual(types[:1], ["_NET_WM_WINDOW_TYPE_DOCK"], types)
        states = {self.x.atom_name(a) for a in self.x.values(panel.window, "_NET_WM_STATE")}
        self.assertLessEqual({"_NET_WM_STATE_ABOVE", "_NET_WM_STATE_SKIP_TASKBAR",
                              "_NET_WM_STATE_SKIP_PAGER"}, states)
        # Sticky: on all desktops (openbox has no sticky state of its own and says so
        # through the desktop number), and still there after a switch of workspace.
        self.assertEqual(self.x.values(panel.window, "_NET_WM_DESKTOP"), [0xFFFFFFFF])
        subprocess.run(["xdotool", "set_desktop", "1"], check=True)
        self.x.wait(lambda: self.x.values(self.x.root, "_NET_CURRENT_DESKTOP") == [1],
                    "the second workspace")
        self.assertTrue(self.x.viewable(panel.window))

    def test_takes_the_pointer_only_over_the_drawn_pill(self):
        dustlyn, panel = self.start_with_panel()
        panel.wait_for_input([], "no input shape with nothing leaving")
        self.leave_in_an_hour(dustlyn)
        panel.wait_for_input(self.geometry.pill(), "the pill's input shape")
        # The pill is a button: a click opens the panel with the keyboard, as the hot key
        # does (the click comes long before resting there would open it by hover).
        subprocess.run(["xdotool", "mousemove", str(self.geometry.centre + 30), "10", "click",
                        "1"], check=True)
        panel.wait_for_input(self.geometry.open_panel(1), "the open panel after a click")
        self.x.wait(lambda: self.x.focus() == panel.id, "the keyboard on the panel")
        # The window grows downwards for the open panel (as the body grows past the pill's
        # height, a frame or two in), and shrinks back once it closed.
        self.x.wait(lambda: self.x.frame(panel.window) ==
                    (self.geometry.panel_x, 0, Geometry.panel_width, Geometry.panel_height),
                    "the window grown for the open panel")
        subprocess.run(["xdotool", "key", "Escape"], check=True)
        panel.wait_for_input(self.geometry.pill(), "the pill after Esc")
        self.x.wait(lambda: self.x.frame(panel.window)[3] == Geometry.rest_height,
                    "the window back to the pill's height")

    def test_never_takes_the_keyboard_from_the_window_being_typed_in(self):
        typing = self.typing_window()
        dustlyn, panel = self.start_with_panel()
        self.leave_in_an_hour(dustlyn)
        panel.wait_for_input(self.geometry.pill(), "the pill")
        self.assertTrue(typing.has_keyboard(), "showing the notch took the keyboard")
        Pointer.rest_at(self.geometry.centre, 5)
        panel.wait_for_input(self.geometry.open_panel(1), "the panel opened by hovering")
        self.assertTrue(typing.has_keyboard(), "opening by hover took the keyboard")


class OpeningAndClosing(DesktopTest):

    def setUp(self):
        super().setUp()
        self.typing = self.typing_window()
        self.dustlyn, self.panel = self.start_with_panel()
        self.panel.wait_for_input([], "the resting notch")
        self.closed = []
        self.opened = self.geometry.open_panel(0)

    def test_the_pointer_resting_at_the_top_centre_opens_it_and_moving_away_closes_it(self):
        Pointer.rest_at(self.geometry.centre, 2)
        self.panel.wait_for_input(self.opened, "the panel opened by hovering")
        Pointer.rest_at(self.geometry.centre, 650)
        self.panel.wait_for_input(self.closed, "the panel closed after the pointer left")
        self.assertTrue(self.typing.has_keyboard())

    def test_ctrl_alt_p_opens_it_with_the_keyboard_and_esc_gives_the_keyboard_back(self):
        Pointer.key("ctrl+alt+p")
        self.panel.wait_for_input(self.opened, "the panel opened by Ctrl+Alt+P")
        self.x.wait(lambda: self.x.focus() == self.panel.id, "the keyboard on the panel")
        Pointer.key("Escape")
        self.panel.wait_for_input(self.closed, "the panel closed by Esc")
        self.x.wait(self.typing.has_keyboard, "the keyboard back with the typing window")

    def test_the_open_and_toggle_commands_act_on_the_running_notch(self):
        self.assert_command(self.dustlyn, "toggle")
        self.panel.wait_for_input(self.opened, "the panel opened by `dustlyn toggle`")
        self.assert_command(self.dustlyn, "toggle")
        self.panel.wait_for_input(self.closed, "the panel closed by `dustlyn toggle`")
        self.x.wait(self.typing.has_keyboard, "the keyboard back with the typing window")
        self.assert_command(self.dustlyn, "open")
        self.panel.wait_for_input(self.opened, "the panel opened by `dustlyn open`")
        self.assert_command(self.dustlyn, "open")
        self.assertEqual(self.panel.input_shape(), self.opened, "a second open closed it")


class DroppingFiles(DesktopTest):

    def test_a_file_dragged_from_a_file_browser_onto_keep_forever_is_kept_where_it_is(self):
        dustlyn, panel = self.start_with_panel()
        path = self.leave_in_an_hour(dustlyn)
        panel.wait_for_input(self.geometry.pill(), "the pill")
        source = DragSource(self.x, path)
        self.addCleanup(source.close)

        keep_forever = (self.geometry.centre - 115, 85)
        Pointer.glide(source.press(), (keep_forever[0], 40))
        panel.wait_for_input(self.geometry.drop_zones(), "the drop zones under a file drag")
        # Drop targets are found by the drawn shape, which grows into place.
        panel.wait_for_drawn(self.geometry.drop_zones(), "the drop zones")
        Pointer.glide((keep_forever[0], 40), keep_forever, steps=9)
        # Taken as a copy: a source told the file was moved may remove its original.
        source.hover_until_offered("copy")
        self.assertEqual(source.release(), "copy")
        panel.wait_for_input(self.geometry.toast(), "the toast confirming the drop")
        self.assertEqual(dustlyn.command("scan").stdout.strip(), "Nothing would leave.")
        self.assertTrue(path.exists())


class TheSweepToast(DesktopTest):

    def test_undo_pressed_by_a_screen_reader_brings_the_file_back(self):
        a11y = AccessibilityBus()
        self.addCleanup(a11y.close)
        dustlyn, panel = self.start_with_panel(QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1")
        ui = Accessible("Dustlyn")
        path = self.home.file("Desktop/notes.txt", "hello")
        self.assert_command(dustlyn, "timer", str(path), "2s")

        panel.wait_for_input(self.geometry.toast(), "the sweep toast")
        self.assertFalse(path.exists())
        self.assertEqual(self.home.quarantined(), ["notes.txt"])

        wait_until(lambda: ui.find(None, "Moved 1 file to quarantine"), "the toast", timeout=3)
        ui.press("push button", "Undo")
        wait_until(path.exists, "the file back where it was")
        self.assertEqual(path.read_text(), "hello")
        self.assertEqual(self.home.quarantined(), [])
        ui.wait(None, "Restored 1 file")


class TheTrayItem(DesktopTest):

    config = {"showMenuBarIcon": True}

    def test_registers_with_a_panel_that_starts_after_dustlyn(self):
        self.start_with_panel()
        watcher = StatusNotifierWatcher()
        self.addCleanup(watcher.close)
        wait_until(lambda: watcher.items, "the tray item to register with the new panel")

    def test_registers_with_the_panel_and_quit_dustlyn_ends_the_process(self):
        watcher = StatusNotifierWatcher()
        self.addCleanup(watcher.close)
        dustlyn, _ = self.start_with_panel()
        wait_until(lambda: watcher.items, "the tray item to register")
        sender, service = watcher.items[0]
        item = service if not service.startswith("/") else sender
        menu_path = watcher.call(item, "/StatusNotifierItem", "org.freedesktop.DBus.Properties",
                                 "Get", "(ss)", ("org.kde.StatusNotifierItem", "Menu"))[0]
        _, (_, _, entries) = watcher.call(item, menu_path, "com.canonical.dbusmenu", "GetLayout",
                                          "(iias)", (0, -1, []))
        menu = [(entry[1].get("type", "standard"), entry[1].get("label", ""), entry[0])
                for entry in entries]
        self.assertEqual([(kind, label) for kind, label, _ in menu],
                         [("standard", "Open Dustlyn"), ("standard", "Settings…"),
                          ("separator", ""), ("standard", "Quit Dustlyn")])

        # Each picture size once, and one sharp enough for a panel at twice the pixels.
        pixmaps = watcher.call(item, "/StatusNotifierItem", "org.freedesktop.DBus.Properties",
                               "Get", "(ss)", ("org.kde.StatusNotifierItem", "IconPixmap"))[0]
        widths = [width for width, _, _ in pixmaps]
        self.assertEqual(widths, sorted(set(widths)))
        self.assertGreaterEqual(widths[-1], 36)

        quit_id = menu[3][2]
        watcher.call(item, menu_path, "com.canonical.dbusmenu", "Event", "(isvu)",
                     (quit_id, "clicked", GLib.Variant("i", 0), 0))
        self.assertEqual(dustlyn.ended(), 0, dustlyn.log())


class StartingAndEnding(DesktopTest):

    def lock_is_free(self):
        with open(self.home.runtime / "dustlyn.lock", "a") as lock:
            try:
                fcntl.flock(lock, fcntl.LOCK_EX | fcntl.LOCK_NB)
                return True
            except BlockingIOError:
                return False

    def test_sigterm_ends_it_with_status_0_and_frees_the_lock(self):
        dustlyn, _ = self.start_with_panel()
        self.assertFalse(self.lock_is_free())
        self.assertEqual(dustlyn.stop(signal.SIGTERM), 0, dustlyn.log())
        self.assertTrue(self.lock_is_free())

    def test_a_second_start_hands_over_to_the_running_one_and_exits_0(self):
        dustlyn, _ = self.start_with_panel()
        second = Dustlyn(self.home)
        self.addCleanup(second.kill)
        self.assertEqual(second.ended(), 0, second.log())
        self.assertTrue(dustlyn.running())

    def test_without_any_display_it_says_so_in_one_line_and_exits_2(self):
        cases = {"no DISPLAY": {"DISPLAY": None},
                 "a DISPLAY without a server": {"DISPLAY": ":9999"}}
        for name, display in cases.items():
            with self.subTest(name):
                env = self.home.environment(WAYLAND_DISPLAY=None, QT_QPA_PLATFORM=None, **display)
                result = subprocess.run([DUSTLYN], env=env, capture_output=True, text=True,
                                        timeout=20)
                self.assertEqual(result.returncode, 2, result.stderr)
                self.assertEqual(len(result.stderr.splitlines()), 1, result.stderr)
                self.assertIn("dustlyn --headless", result.stderr)
                self.assertEqual(result.stdout, "")

    def test_on_a_wayland_session_it_comes_up_through_x11(self):
        dustlyn, panel = self.start_with_panel(WAYLAND_DISPLAY="wayland-dustlyn-test",
                                               XDG_SESSION_TYPE="wayland", QT_QPA_PLATFORM=None)
        self.leave_in_an_hour(dustlyn)
        panel.wait_for_input(self.geometry.pill(), "the pill on the X server")


if __name__ == "__main__":
    unittest.main(argv=[sys.argv[0], "-v", *sys.argv[1:]])
