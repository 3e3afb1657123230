"""What the desktop tests share: a throw-away home, the real `dustlyn` running in it, the
X server read back through python-xlib, the pointer and keys through xdotool, the
accessibility tree through AT-SPI and the session bus through Gio.

Everything waits on events (X events, D-Bus calls, process ends) with a timeout, looking
again at least every 50 ms for what sends no event. Runs on the desktop that
scripts/with-desktop gives it; DUSTLYN names the executable.
"""

import json
import os
import select
import shutil
import signal
import subprocess
import tempfile
import time
from pathlib import Path

import gi

gi.require_version("Atspi", "2.0")
gi.require_version("Gio", "2.0")
from gi.repository import Atspi, Gio, GLib  # noqa: E402
from Xlib import X, Xatom, display  # noqa: E402
from Xlib.ext import shape  # noqa: E402

DUSTLYN = os.environ.get("DUSTLYN", "dustlyn")
DRAG_SOURCE = os.environ.get("DUSTLYN_DRAG_SOURCE", "dustlyn-drag-source")

# An upper bound for something that normally takes a moment, never a wait for timing.
PATIENCE = 20


class Timeout(AssertionError):
    pass


def wait_until(condition, what, timeout=PATIENCE, x=None):
    """Returns condition()'s first true value; fails after `timeout` seconds. Between
    looks it sleeps on the X connection (when given) and runs the GLib main context, so
    X events and D-Bus calls wake it and are handled."""
    deadline = time.monotonic() + timeout
    context = GLib.MainContext.default()
    while True:
        while context.iteration(False):
            pass
        if x is not None:
            x.drain()
        result = condition()
        if result:
            return result
        left = deadline - time.monotonic()
        if left <= 0:
            raise Timeout(f"after {timeout} s still waiting for {what}")
        pause = min(left, 0.05)
        if x is not None:
            select.select([x.display.fileno()], [], [], pause)
        else:
            time.sleep(pause)


class ThrowawayHome:
    """HOME and every XDG folder inside one temporary folder. The configuration starts with
    the onboarding done, so the model runs from the start."""

    def __init__(self, **config):
        self.root = Path(tempfile.mkdtemp(prefix="dustlyn-desktop-test."))
        self.home = self.root / "home"
        self.data = self.home / ".local/share"
        self.runtime = self.root / "run"
        for folder in (self.home / "Desktop", self.home / "Downloads", self.data,
                       self.home / ".config", self.home / ".cache"):
            folder.mkdir(parents=True)
        self.runtime.mkdir(mode=0o700)
        self.support = self.data / "Dustlyn"
        self.support.mkdir()
        (self.support / "config.json").write_text(
            json.dumps({"onboardingCompleted": True, **config}))

    def environment(self, **changes):
        env = dict(os.environ)
        env.update(HOME=str(self.home), XDG_DATA_HOME=str(self.data),
                   XDG_CONFIG_HOME=str(self.home / ".config"),
                   XDG_CACHE_HOME=str(self.home / ".cache"), XDG_RUNTIME_DIR=str(self.runtime))
        for name, value in changes.items():
            if value is None:
                env.pop(name, None)
            else:
                env[name] = value
        return env

    def file(self, relative, text="", age_seconds=0):
        path = self.home / relative
        path.parent.mkdir(parents=True, exist_ok=True)
        path.write_text(text)
        if age_seconds:
            then = time.time() - age_seconds
            os.utime(path, (then, then))
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
        self.home = home
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

    def running(self):
        return self.process.poll() is None

    def ended(self, timeout=PATIENCE):
        """The exit status once the process ends by itself."""
        try:
            return self.process.wait(timeout)
        except subprocess.TimeoutExpired:
            raise Timeout(f"dustlyn still runs after {timeout} s:\n{self.log()}")

    def stop(self, sig=signal.SIGTERM, timeout=PATIENCE):
        if self.running():
            self.process.send_signal(sig)
        return self.ended(timeout)

    def kill(self):
        if self.running():
            self.process.kill()
            self.process.wait()


class XServer:
    """The tests' own connection to the X server."""

    def __init__(self):
        self.display = display.Display()
        self.root = self.display.screen().root
        self.root.change_attributes(event_mask=X.PropertyChangeMask)
        self.display.sync()
        self._atoms = {}

    def close(self):
        self.display.close()

    def drain(self):
        while self.display.pending_events():
            self.display.next_event()

    def atom(self, name):
        if name not in self._atoms:
            self._atoms[name] = self.display.intern_atom(name)
        return self._atoms[name]

    def atom_name(self, atom):
        return self.display.get_atom_name(atom)

    def values(self, window, name, kind=X.AnyPropertyType):
        """A 32-bit property's values (atoms, windows, cardinals); empty when unset."""
        reply = window.get_full_property(self.atom(name), kind)
        return list(reply.value) if reply is not None and reply.format == 32 else []

    def window(self, xid):
        return self.display.create_resource_object("window", xid)

    def clients(self):
        return [self.window(xid) for xid in self.values(self.root, "_NET_CLIENT_LIST")]

    def active_window(self):
        active = self.values(self.root, "_NET_ACTIVE_WINDOW", Xatom.WINDOW)
        return active[0] if active else X.NONE

    def focus(self):
        focus = self.display.get_input_focus().focus
        return focus if isinstance(focus, int) else focus.id

    def screen_size(self):
        screen = self.display.screen()
        return screen.width_in_pixels, screen.height_in_pixels

    def frame(self, window):
        """(x, y, width, height) of the window on the screen."""
        geometry = window.get_geometry()
        origin = window.translate_coords(self.root, 0, 0)
        return (-origin.x, -origin.y, geometry.width, geometry.height)

    def input_shape(self, window):
        """The rectangles of the window's input region, as (x, y, width, height)."""
        reply = window.shape_get_rectangles(shape.SK.Input)
        return sorted((r.x, r.y, r.width, r.height) for r in reply.rectangles)

    def viewable(self, window):
        return window.get_attributes().map_state == X.IsViewable

    def wait(self, condition, what, timeout=PATIENCE):
        return wait_until(condition, what, timeout, x=self)


class Panel:
    """The notch's window of one running Dustlyn, found among the window manager's clients
    by the process id."""

    def __init__(self, x, dustlyn):
        self.x = x
        self.dustlyn = dustlyn
        self.window = x.wait(self._find, f"the notch window of process {dustlyn.pid}")
        # Shape and property changes wake the waits below.
        self.window.shape_select_input(1)
        self.window.change_attributes(event_mask=X.PropertyChangeMask)
        x.display.sync()

    def _find(self):
        if not self.dustlyn.running():
            raise AssertionError(f"dustlyn ended before showing its notch:\n{self.dustlyn.log()}")
        for client in self.x.clients():
            if self.x.values(client, "_NET_WM_PID") == [self.dustlyn.pid]:
                return client
        return None

    @property
    def id(self):
        return self.window.id

    def input_shape(self):
        return self.x.input_shape(self.window)

    def drawn(self):
        """The extents of the window's bounding shape: what is drawn, where no compositing
        manager blends the rest away."""
        e = self.window.shape_query_extents()
        return (e.bounding_shape_extents_x, e.bounding_shape_extents_y,
                e.bounding_shape_extents_width, e.bounding_shape_extents_height)

    def wait_for_drawn(self, face, what):
        """Waits until the face, a list of one (x, y, width, height) in window coordinates,
        is drawn in full: it grows into place."""
        (x, y, width, height), = face

        def covered():
            left, top, drawn_width, drawn_height = self.drawn()
            return (left <= x and top <= y and left + drawn_width >= x + width and
                    top + drawn_height >= y + height)
        try:
            return self.x.wait(covered, f"{what} drawn in full")
        except Timeout as timeout:
            raise Timeout(f"{timeout}; they are drawn over {self.drawn()}") from None

    def wait_for_input(self, expected, what):
        """Waits until the panel takes the pointer exactly over `expected`, a list of
        (x, y, width, height) in window coordinates."""
        try:
            return self.x.wait(lambda: self.input_shape() == expected, what)
        except Timeout as timeout:
            raise Timeout(f"{timeout}; the input shape is {self.input_shape()}") from None


class Geometry:
    """Where the notch's faces lie on a screen without a camera housing, whose band is
    24 pixels tall when no panel of the desktop takes room at the top."""

    band = 24
    panel_width, panel_height = 720, 560
    rest_height = 128  # the window while only the pill shows

    def __init__(self, screen_width):
        self.centre = screen_width // 2
        self.panel_x = self.centre - self.panel_width // 2

    def face(self, width, height):
        """The input shape of a face of this size, in the panel's coordinates."""
        return [((self.panel_width - width) // 2, 0, width, height)]

    def pill(self):
        return self.face(100, self.band)

    def open_panel(self, rows):
        listed = 104 if rows == 0 else 50 * min(rows, 5) + 6 * (min(rows, 5) - 1)
        return self.face(580, self.band + 106 + listed)

    def toast(self):
        return self.face(400, self.band + 60)

    def drop_zones(self):
        return self.face(480, self.band + 128)


class Pointer:
    """The pointer as a mouse moves it: a jump next to the place, then a one-pixel motion
    of the device, which is what programs following the pointer see."""

    @staticmethod
    def rest_at(px, py):
        subprocess.run(["xdotool", "mousemove", str(px - 1), str(py), "mousemove_relative", "1",
                        "0"], check=True)

    @staticmethod
    def glide(start, end, steps=24):
        """Moves the pointer from `start` to `end` as a hand does, in small steps."""
        arguments = ["xdotool"]
        at = start
        for step in range(1, steps + 1):
            to = (start[0] + (end[0] - start[0]) * step // steps,
                  start[1] + (end[1] - start[1]) * step // steps)
            arguments += ["mousemove_relative", "--", str(to[0] - at[0]), str(to[1] - at[1]),
                          "sleep", "0.01"]
            at = to
        subprocess.run(arguments, check=True)

    @staticmethod
    def key(*keys):
        subprocess.run(["xdotool", "key", *keys], check=True)


class TypingWindow:
    """Another application with the keyboard, as the one the user is typing in."""

    def __init__(self, x):
        self.x = x
        self.process = subprocess.Popen(
            ["xmessage", "-geometry", "+40+300", "-name", "dustlyn-test-typing", "typing here"],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.window = x.wait(self._find, "the typing window to be managed")
        x.wait(self.has_keyboard, "the typing window to take the keyboard")

    def _find(self):
        for client in self.x.clients():
            wm_class = client.get_wm_class()
            if wm_class and wm_class[0] == "dustlyn-test-typing":
                return client
        return None

    def has_keyboard(self):
        return self.x.active_window() == self.window.id and self._focused()

    def _focused(self):
        focus = self.x.focus()
        return focus == self.window.id or focus in [c.id for c in self.window.query_tree().children]

    def close(self):
        self.process.kill()
        self.process.wait()


class DragSource:
    """A file browser's window that drags the given files while its button is held."""

    def __init__(self, x, *files):
        self.x = x
        self.process = subprocess.Popen([DRAG_SOURCE, *map(str, files)], stdout=subprocess.PIPE,
                                        stderr=subprocess.DEVNULL, text=True)
        window = x.wait(self._find, "the drag source's window")
        left, top, width, height = x.frame(window)
        self.centre = (left + width // 2, top + height // 2)

    def _find(self):
        return next((c for c in self.x.clients() if c.get_wm_name() == "dustlyn-drag-source"),
                    None)

    def press(self):
        subprocess.run(["xdotool", "mousemove", str(self.centre[0]), str(self.centre[1]),
                        "mousedown", "1"], check=True)
        return self.centre

    def heard(self, wait=0.0):
        """The lines the source printed meanwhile: what the target under the pointer offers
        whenever that changes ("over copy") and what a drop was taken as ("dropped copy")."""
        lines = []
        while select.select([self.process.stdout], [], [], wait)[0]:
            lines.append(self.process.stdout.readline().strip())
            wait = 0
        return lines

    def hover_until_offered(self, action, timeout=PATIENCE):
        """Keeps the pointer moving by a pixel until the target under it offers `action`:
        a face still settling into place may refuse the first position it is shown."""
        offered, heard = None, []
        deadline = time.monotonic() + timeout
        while offered != f"over {action}":
            if time.monotonic() > deadline:
                raise Timeout(f"the drop target never offered {action!r} (heard {heard})")
            subprocess.run(["xdotool", "mousemove_relative", "--", "1", "0",
                            "mousemove_relative", "--", "-1", "0"], check=True)
            news = self.heard(wait=0.1)
            heard += news
            offered = next((line for line in reversed(news) if line.startswith("over")),
                           offered)

    def release(self):
        """Drops where the pointer is; answers the action the drop was taken as."""
        subprocess.run(["xdotool", "mouseup", "1"], check=True)
        deadline = time.monotonic() + PATIENCE
        while time.monotonic() < deadline:
            for line in self.heard(wait=deadline - time.monotonic()):
                if line.startswith("dropped"):
                    return line.split()[1]
        raise Timeout("the drag source never said how the drop was taken")

    def close(self):
        self.process.kill()
        self.process.wait()


def stays(condition, what, seconds):
    """Fails as soon as condition() is false within `seconds`."""
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        assert condition(), what
        time.sleep(0.1)


def subtree(node, depth=0):
    """`node` and everything under it."""
    if node is None or depth > 40:
        return []
    return [node] + [n for i in range(node.get_child_count())
                     for n in subtree(node.get_child_at_index(i), depth + 1)]


def has_state(node, state):
    return node.get_state_set().contains(state)


class Accessible:
    """One application's tree as a screen reader reads it, read afresh each time: no main
    loop brings the bus's news of a new window (a menu, a dialog) to a cached tree."""

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
        for node in subtree(self.root()):
            text = node.get_name()
            if role in (None, node.get_role_name()) and has_state(
                    node, Atspi.StateType.SHOWING) and (
                    text.startswith(name) if prefix else text == name):
                return node
        return None

    def wait(self, role, name, timeout=PATIENCE, prefix=False):
        return wait_until(lambda: self.find(role, name, prefix), f"{role} {name!r}", timeout)

    @staticmethod
    def actions(node):
        actions = node.get_action_iface()
        return [] if actions is None else [actions.get_action_name(i)
                                           for i in range(actions.get_n_actions())]

    def press(self, role, name, action=None):
        """Presses or toggles the control, as a screen reader's user does."""
        node = self.wait(role, name)
        names = self.actions(node)
        chosen = action or next((a for a in ("Press", "Toggle") if a in names), None)
        assert chosen in names, f"{name} has no {action or 'Press or Toggle'} action ({names})"
        node.get_action_iface().do_action(names.index(chosen))

    def checked(self, name):
        return has_state(self.wait("check box", name), Atspi.StateType.CHECKED)

    def focused(self, root=None):
        if root is not None:
            root.clear_cache()
        return [n for n in subtree(root or self.root())
                if has_state(n, Atspi.StateType.FOCUSED)]

    def check_every_control_named_and_reached_by_tab(self, where, root=None, extra_tabs=3):
        """Each showing control under `root` has a name, and Tab reaches each one."""
        controls = [n for n in subtree(root or self.root())
                    if n.get_role_name() in self.CONTROLS and
                    has_state(n, Atspi.StateType.SHOWING)]
        assert controls, where
        unnamed = [n.get_role_name() for n in controls if not n.get_name()]
        assert not unnamed, f"{where}: controls without a name: {unnamed}"
        reached = set()
        for _ in range(len(controls) + extra_tabs):
            Pointer.key("--clearmodifiers", "Tab")
            reached |= {(n.get_role_name(), n.get_name()) for n in self.focused(root)
                        if n.get_role_name() in self.CONTROLS}
        missing = {(n.get_role_name(), n.get_name()) for n in controls} - reached
        assert not missing, f"{where}: Tab never reaches {sorted(missing)}"


class AccessibilityBus:
    """The accessibility bus of this session, as a screen reader reaches it."""

    def __init__(self):
        self.launcher = subprocess.Popen(
            ["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        wait_until(self._ready, "the accessibility bus")

    @staticmethod
    def _ready():
        bus = Gio.bus_get_sync(Gio.BusType.SESSION)
        owner = bus.call_sync("org.freedesktop.DBus", "/org/freedesktop/DBus",
                              "org.freedesktop.DBus", "NameHasOwner",
                              GLib.Variant("(s)", ("org.a11y.Bus",)), None,
                              Gio.DBusCallFlags.NONE, -1, None)
        return owner.unpack()[0]

    def close(self):
        self.launcher.terminate()
        self.launcher.wait()


class StatusNotifierWatcher:
    """The part of a desktop panel that tray items register with, on the session bus."""

    XML = """
    <node>
      <interface name="org.kde.StatusNotifierWatcher">
        <method name="RegisterStatusNotifierItem"><arg type="s" direction="in"/></method>
        <method name="RegisterStatusNotifierHost"><arg type="s" direction="in"/></method>
        <property name="RegisteredStatusNotifierItems" type="as" access="read"/>
        <property name="IsStatusNotifierHostRegistered" type="b" access="read"/>
        <property name="ProtocolVersion" type="i" access="read"/>
        <signal name="StatusNotifierItemRegistered"><arg type="s"/></signal>
        <signal name="StatusNotifierHostRegistered"/>
      </interface>
    </node>"""

    def __init__(self):
        self.items = []
        self.bus = Gio.bus_get_sync(Gio.BusType.SESSION)
        interface = Gio.DBusNodeInfo.new_for_xml(self.XML).interfaces[0]
        self.registration = self.bus.register_object(
            "/StatusNotifierWatcher", interface, self._call, self._property, None)
        self.owned = False
        self.owner = Gio.bus_own_name_on_connection(
            self.bus, "org.kde.StatusNotifierWatcher", Gio.BusNameOwnerFlags.NONE,
            lambda *_: setattr(self, "owned", True), None)
        wait_until(lambda: self.owned, "the watcher's bus name")

    def _call(self, bus, sender, path, interface, method, arguments, invocation):
        if method == "RegisterStatusNotifierItem":
            self.items.append((sender, arguments.unpack()[0]))
        invocation.return_value(None)

    def _property(self, bus, sender, path, interface, name):
        values = {"RegisteredStatusNotifierItems": GLib.Variant("as", [i[1] for i in self.items]),
                  "IsStatusNotifierHostRegistered": GLib.Variant("b", True),
                  "ProtocolVersion": GLib.Variant("i", 0)}
        return values[name]

    def call(self, service, path, interface, method, signature=None, arguments=()):
        parameters = GLib.Variant(signature, arguments) if signature else None
        reply = self.bus.call_sync(service, path, interface, method, parameters, None,
                                   Gio.DBusCallFlags.NONE, 5000, None)
        return reply.unpack()

    def close(self):
        Gio.bus_unown_name(self.owner)
        self.bus.unregister_object(self.registration)
