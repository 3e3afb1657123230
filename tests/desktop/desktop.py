# What the desktop tests share: a throw-away home, the real `dustlyn` running in it, the
# X server read back through python-xlib, the pointer and keys through xdotool, the
# accessibility tree through AT-SPI and the session bus through Gio.
#
# Everything waits on events (X events, D-Bus calls, process ends) with a timeout, looking
# again at least every 50 ms for what sends no event. Runs on the desktop that
# scripts/with-desktop gives it; DUSTLYN names the executable.

import json
import os
import select
import shutil
import subprocess
import tempfile
import time
from pathlib import Path

import gi

gi.require_version("Atspi", "2.0")
gi.require_version("Gio", "2.0")
from gi.repository import Atspi, Gio, GLib  # noqa: E402
from Xlib import X, display, error  # noqa: E402
from Xlib.ext import shape  # noqa: E402

DUSTLYN = os.environ.get("DUSTLYN", "dustlyn")
DRAG_SOURCE = os.environ.get("DUSTLYN_DRAG_SOURCE", "dustlyn-drag-source")

# An upper bound for something that normally takes a moment, never a wait for timing.
PATIENCE = 20


def wait_until(condition, what, timeout=PATIENCE, x=None):
    """Returns condition()'s first true value; fails after `timeout` seconds."""
    # Between looks it runs the GLib main context and sleeps on the X connection when
    # given, so X events and D-Bus calls wake it and are handled.
    deadline = time.monotonic() + timeout
    while True:
        while GLib.MainContext.default().iteration(False):
            pass
        while x is not None and x.display.pending_events():
            x.display.next_event()
        result = condition()
        left = deadline - time.monotonic()
        if result:
            return result
        if left <= 0:
            raise AssertionError(f"after {timeout} s still waiting for "
                                 f"{what() if callable(what) else what}")
        select.select([x.display.fileno()] if x else [], [], [], min(left, 0.05))


def stays(condition, what, seconds):
    """Fails as soon as condition() is false within `seconds`."""
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        assert condition(), what
        time.sleep(0.1)


def run(*command):
    subprocess.run(command, check=True)


class ThrowawayHome:
    """HOME and every XDG folder in one temporary folder."""
    # The configuration starts with the onboarding done, so the model runs from the start.

    def __init__(self, **config):
        self.root = Path(tempfile.mkdtemp(prefix="dustlyn-desktop-test."))
        self.home, self.runtime = self.root / "home", self.root / "run"
        self.data = self.home / ".local/share"
        self.support = self.data / "Dustlyn"
        for folder in ("Desktop", "Downloads", ".config", ".cache", ".local/share/Dustlyn"):
            (self.home / folder).mkdir(parents=True)
        self.runtime.mkdir(mode=0o700)
        self.write_config({"onboardingCompleted": True, **config})

    def environment(self, **changes):
        env = dict(os.environ, HOME=str(self.home), XDG_DATA_HOME=str(self.data),
                   XDG_CONFIG_HOME=str(self.home / ".config"),
                   XDG_CACHE_HOME=str(self.home / ".cache"), XDG_RUNTIME_DIR=str(self.runtime))
        return {name: value for name, value in dict(env, **changes).items() if value is not None}

    def file(self, relative, text="", age_seconds=0):
        path = self.home / relative
        path.parent.mkdir(parents=True, exist_ok=True)
        path.write_text(text)
        if age_seconds:
            os.utime(path, (time.time() - age_seconds,) * 2)
        return path

    def config(self):
        return json.loads((self.support / "config.json").read_text())

    def write_config(self, values):
        (self.support / "config.json").write_text(json.dumps(values))

    def quarantined(self):
        folder = self.support / "Quarantine"
        return sorted(p.name for p in folder.iterdir()) if folder.is_dir() else []

    def remove(self):
        shutil.rmtree(self.root, ignore_errors=True)


class Dustlyn:
    """The real executable started without a command in a throw-away home."""

    def __init__(self, home, *arguments, **environment):
        self.environment = home.environment(**environment)
        self.log_path = home.root / f"dustlyn-{time.monotonic_ns()}.log"
        with open(self.log_path, "w") as log:
            self.process = subprocess.Popen([DUSTLYN, *arguments], env=self.environment,
                                            stdout=log, stderr=subprocess.STDOUT)
        self.pid = self.process.pid

    def log(self):
        return self.log_path.read_text(errors="replace")

    def command(self, *arguments, timeout=PATIENCE):
        """Runs `dustlyn ARGUMENTS` in the same home, as a shortcut or script would."""
        return subprocess.run([DUSTLYN, *arguments], env=self.environment, capture_output=True,
                              text=True, timeout=timeout)

    def ended(self, timeout=PATIENCE):
        """The exit status once the process ends by itself."""
        try:
            return self.process.wait(timeout)
        except subprocess.TimeoutExpired:
            raise AssertionError(f"dustlyn still runs after {timeout} s:\n{self.log()}")

    def stop(self):
        self.process.terminate()  # nothing when it has ended already
        return self.ended()

    def kill(self):
        self.process.kill()
        self.process.wait()


class XServer:
    def __init__(self):
        self.display = display.Display()
        self.root = self.display.screen().root
        self.root.change_attributes(event_mask=X.PropertyChangeMask)

    def atom(self, name):
        return self.display.intern_atom(name)

    def values(self, window, name):
        """A 32-bit property's values (atoms, windows, cardinals); empty when unset, or when
        the window was destroyed since it was listed (a closing window leaves the client list
        only after it is gone)."""
        try:
            reply = window.get_full_property(self.atom(name), X.AnyPropertyType)
        except error.BadWindow:
            return []
        return list(reply.value) if reply is not None and reply.format == 32 else []

    def names(self, window, name):
        return [self.display.get_atom_name(a) for a in self.values(window, name)]

    def clients(self):
        return [self.display.create_resource_object("window", xid)
                for xid in self.values(self.root, "_NET_CLIENT_LIST")]

    def focus(self):
        focus = self.display.get_input_focus().focus
        return focus if isinstance(focus, int) else focus.id

    def frame(self, window):
        """(x, y, width, height) of the window on the screen."""
        geometry, origin = window.get_geometry(), window.translate_coords(self.root, 0, 0)
        return (-origin.x, -origin.y, geometry.width, geometry.height)

    def wait(self, condition, what, timeout=PATIENCE):
        return wait_until(condition, what, timeout, x=self)


class Panel:
    """The notch's window of one running Dustlyn, found by its process id."""

    def __init__(self, x, dustlyn):
        self.x = x
        self.window = x.wait(lambda: self._find(dustlyn), f"the notch of process {dustlyn.pid}")
        # Shape and property changes wake the waits below.
        self.window.shape_select_input(1)
        self.window.change_attributes(event_mask=X.PropertyChangeMask)

    def _find(self, dustlyn):
        assert dustlyn.process.poll() is None, (
            f"dustlyn ended before showing its notch:\n{dustlyn.log()}")
        return next((c for c in self.x.clients()
                     if self.x.values(c, "_NET_WM_PID") == [dustlyn.pid]), None)

    def input_shape(self):
        """The rectangles of the window's input region, as (x, y, width, height)."""
        return sorted((r.x, r.y, r.width, r.height)
                      for r in self.window.shape_get_rectangles(shape.SK.Input).rectangles)

    def wait_for_drawn(self, face, what):
        """Waits until the face, [(x, y, width, height)], is drawn in full: it grows in."""
        (x, y, width, height), = face

        def covered():  # by the extents of the bounding shape, what is drawn
            e = self.window.shape_query_extents()
            return (e.bounding_shape_extents_x <= x and e.bounding_shape_extents_y <= y and
                    e.bounding_shape_extents_x + e.bounding_shape_extents_width >= x + width and
                    e.bounding_shape_extents_y + e.bounding_shape_extents_height >= y + height)
        return self.x.wait(covered, f"{what} drawn in full")

    def wait_for_input(self, expected, what):
        """Waits until the panel takes the pointer exactly over `expected`."""
        return self.x.wait(lambda: self.input_shape() == expected,
                           lambda: f"{what} (the input shape is {self.input_shape()})")


class Pointer:
    # The pointer as a mouse moves it: a jump next to the place, then a one-pixel motion of
    # the device, which is what programs following the pointer see.

    @staticmethod
    def rest_at(px, py):
        run("xdotool", "mousemove", str(px - 1), str(py), "mousemove_relative", "1", "0")

    @staticmethod
    def glide(start, end, steps=24):
        """Moves the pointer from `start` to `end` as a hand does, in small steps."""
        points = [tuple(a + (b - a) * i // steps for a, b in zip(start, end))
                  for i in range(steps + 1)]
        arguments = []
        for (ax, ay), (bx, by) in zip(points, points[1:]):
            arguments += ["mousemove_relative", "--", str(bx - ax), str(by - ay), "sleep", "0.01"]
        run("xdotool", *arguments)

    @staticmethod
    def key(*keys):
        run("xdotool", "key", *keys)


class DragSource:
    """A file browser's window that drags the given files while its button is held."""

    def __init__(self, x, *files):
        self.process = subprocess.Popen([DRAG_SOURCE, *map(str, files)], stdout=subprocess.PIPE,
                                        stderr=subprocess.DEVNULL, text=True)
        window = x.wait(lambda: next((c for c in x.clients()
                                      if c.get_wm_name() == "dustlyn-drag-source"), None),
                        "the drag source's window")
        left, top, width, height = x.frame(window)
        self.centre = (left + width // 2, top + height // 2)

    def press(self):
        run("xdotool", "mousemove", *map(str, self.centre), "mousedown", "1")
        return self.centre

    def heard(self, wait=0.0):
        # What the target under the pointer offers ("over copy") and what a drop was taken
        # as ("dropped copy"), as the source printed them meanwhile.
        lines = []
        while select.select([self.process.stdout], [], [], wait)[0]:
            lines.append(self.process.stdout.readline().strip())
            wait = 0
        return lines

    def hover_until_offered(self, action, timeout=PATIENCE):
        # Wiggles the pointer by a pixel until the target under it offers `action`: a face
        # still settling into place may refuse the first position it is shown.
        heard = []
        deadline = time.monotonic() + timeout
        while f"over {action}" not in [h for h in heard if h.startswith("over")][-1:]:
            assert time.monotonic() < deadline, f"never offered {action!r} (heard {heard})"
            run("xdotool", "mousemove_relative", "--", "1", "0", "mousemove_relative", "--",
                "-1", "0")
            heard += self.heard(wait=0.1)

    def release(self):
        """Drops where the pointer is; answers the action the drop was taken as."""
        run("xdotool", "mouseup", "1")
        dropped = wait_until(lambda: [h for h in self.heard(wait=0.05) if h.startswith("dropped")],
                             "the drag source to say how the drop was taken")
        return dropped[0].split()[1]

    def close(self):
        self.process.kill()
        self.process.wait()


def subtree(node, depth=0):
    if node is None or depth > 40:
        return []
    return [node] + [n for i in range(node.get_child_count())
                     for n in subtree(node.get_child_at_index(i), depth + 1)]


def has_state(node, state):
    return node.get_state_set().contains(state)


class Accessible:
    # One application's tree as a screen reader reads it, read afresh each time: no main loop
    # brings the bus's news of a new window (a menu, a dialog) to a cached tree.

    CONTROLS = ("push button", "check box", "text", "combo box")

    def __init__(self, name):
        self.name = name

    def root(self):
        desktop = Atspi.get_desktop(0)
        apps = (desktop.get_child_at_index(i) for i in range(desktop.get_child_count()))
        root = next((a for a in apps if a is not None and a.get_name() == self.name), None)
        if root is not None:
            root.clear_cache()
        return root

    def find(self, role, name, prefix=False):
        return next((n for n in subtree(self.root())
                     if role in (None, n.get_role_name()) and
                     has_state(n, Atspi.StateType.SHOWING) and
                     (n.get_name().startswith(name) if prefix else n.get_name() == name)), None)

    def wait(self, role, name, timeout=PATIENCE, prefix=False):
        return wait_until(lambda: self.find(role, name, prefix), f"{role} {name!r}", timeout)

    def press(self, role, name, action=None):
        """Presses or toggles the control, as a screen reader's user does."""
        actions = self.wait(role, name).get_action_iface()
        names = [actions.get_action_name(i) for i in range(actions.get_n_actions())]
        chosen = action or next((a for a in ("Press", "Toggle") if a in names), None)
        assert chosen in names, f"{name} has no {action or 'Press or Toggle'} action ({names})"
        actions.do_action(names.index(chosen))

    def checked(self, name):
        return has_state(self.wait("check box", name), Atspi.StateType.CHECKED)

    def check_every_control_named_and_reached_by_tab(self, where, root=None, extra_tabs=3):
        """Each showing control under `root` has a name, and Tab reaches each one."""
        def controls(state):
            if root is not None:
                root.clear_cache()
            return {(n.get_role_name(), n.get_name()) for n in subtree(root or self.root())
                    if n.get_role_name() in self.CONTROLS and has_state(n, state)}
        showing = controls(Atspi.StateType.SHOWING)
        assert showing, where
        assert all(name for _, name in showing), f"{where}: controls without a name: {showing}"
        reached = set()
        for _ in range(len(showing) + extra_tabs):
            Pointer.key("--clearmodifiers", "Tab")
            reached |= controls(Atspi.StateType.FOCUSED)
        assert showing <= reached, f"{where}: Tab never reaches {sorted(showing - reached)}"


def session_bus_call(bus, service, path, interface, method, signature=None, arguments=()):
    parameters = GLib.Variant(signature, arguments) if signature else None
    return bus.call_sync(service, path, interface, method, parameters, None,
                         Gio.DBusCallFlags.NONE, 5000, None).unpack()


class AccessibilityBus:
    """The accessibility bus of this session, as a screen reader reaches it."""

    def __init__(self):
        self.launcher = subprocess.Popen(
            ["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        bus = Gio.bus_get_sync(Gio.BusType.SESSION)
        wait_until(lambda: session_bus_call(
            bus, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
            "NameHasOwner", "(s)", ("org.a11y.Bus",))[0], "the accessibility bus")

    def close(self):
        self.launcher.terminate()
        self.launcher.wait()


class StatusNotifierWatcher:
    """The part of a desktop panel that tray items register with, on the session bus."""

    XML = """<node><interface name="org.kde.StatusNotifierWatcher">
      <method name="RegisterStatusNotifierItem"><arg type="s" direction="in"/></method>
    </interface></node>"""

    def __init__(self):
        self.items, self.owned = [], False
        self.bus = Gio.bus_get_sync(Gio.BusType.SESSION)
        self.registration = self.bus.register_object(
            "/StatusNotifierWatcher", Gio.DBusNodeInfo.new_for_xml(self.XML).interfaces[0],
            self._call, None, None)
        self.owner = Gio.bus_own_name_on_connection(
            self.bus, "org.kde.StatusNotifierWatcher", Gio.BusNameOwnerFlags.NONE,
            lambda *_: setattr(self, "owned", True), None)
        wait_until(lambda: self.owned, "the watcher's bus name")

    def _call(self, bus, sender, path, interface, method, arguments, invocation):
        self.items.append((sender, arguments.unpack()[0]))
        invocation.return_value(None)

    def call(self, service, path, interface, method, signature=None, arguments=()):
        return session_bus_call(self.bus, service, path, interface, method, signature,
                                arguments)

    def close(self):
        Gio.bus_unown_name(self.owner)
        self.bus.unregister_object(self.registration)
