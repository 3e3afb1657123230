#!/usr/bin/python3
"""Draws every face of the notch with the real application and saves each as a PNG.

Usage (inside scripts/with-desktop; scripts/screenshots runs it): screenshots.py DIR SCALE
with DUSTLYN and DUSTLYN_DRAG_SOURCE naming the programs. SCALE is the device pixel ratio
(QT_SCALE_FACTOR). The faces are brought up the way a user does: files arriving and leaving
in a throw-away home, `dustlyn open`, `toggle`, `timer`, `--notch-demo`, the pointer and a
file dragged from a file-browser-like window; each picture is cut to the notch's body with
room for its shadow.
"""

import json
import os
import shutil
import subprocess
import sys
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent.parent / "tests/desktop"))

from desktop import (AccessibilityBus, Accessible, Atspi, DragSource, Dustlyn,  # noqa: E402
                     Panel, Pointer, StatusNotifierWatcher, ThrowawayHome, XServer, has_state,
                     wait_until)
from Xlib import Xatom  # noqa: E402

DESKTOP_GREY = "#7a7f87"
SHADOW_ROOM = 40  # blur 24 + offset 10, and a little air
SETTLE = 0.8      # the spring (0.42 s) and the faces' fade-ins come to rest


def all_rules_on(home):
    """The built-in rules, every one switched on, as the user would have them."""
    listed = subprocess.run([os.environ["DUSTLYN"], "rules", "--json"], env=home.environment(),
                            capture_output=True, text=True, check=True)
    rules = json.loads(listed.stdout)
    for rule in rules:
        rule["enabled"] = True
    return rules


def picture(path, width, height, top, bottom, label):
    """A real image, so the thumbnails show something."""
    subprocess.run(["convert", "-size", f"{width}x{height}", f"gradient:{top}-{bottom}",
                    "-gravity", "center", "-pointsize", str(height // 8), "-fill", "white",
                    "-annotate", "0", label, str(path)], check=True)


def sized(path, size):
    with open(path, "wb") as file:
        file.truncate(size)


class Faces:
    def __init__(self, out, scale):
        self.out = out
        self.scale = scale
        self.x = XServer()
        self.saved = []

    def start(self, home, *arguments, **environment):
        dustlyn = Dustlyn(home, *arguments, QT_SCALE_FACTOR=str(self.scale),
                          QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", **environment)
        return dustlyn, Panel(self.x, dustlyn)

    def body(self, panel):
        shape = panel.input_shape()
        return shape[0] if shape else None

    def wait_for_face(self, panel, width, height, what):
        """Waits for a face of this logical size, then for it to come to rest."""
        size = (round(width * self.scale), round(height * self.scale))
        self.x.wait(lambda: (b := self.body(panel)) is not None and b[2:] == size, what)
        time.sleep(SETTLE)

    def shoot(self, panel, name):
        left, top, width, height = self.body(panel)
        room = round(SHADOW_ROOM * self.scale)
        panel_x, panel_y, panel_width, panel_height = self.x.frame(panel.window)
        crop_left = max(left - room, 0)
        crop_right = min(left + width + room, panel_width)
        crop_bottom = min(top + height + room, panel_height)
        path = self.out / f"{name}.png"
        subprocess.run(["import", "-window", "root", "-crop",
                        f"{crop_right - crop_left}x{crop_bottom}+{panel_x + crop_left}+{panel_y}",
                        "+repage", str(path)], check=True)
        self.saved.append(path.name)
        print(f"  {path.name}: face {width}x{height} px, picture "
              f"{crop_right - crop_left}x{crop_bottom} px")

    def tray_icon(self, watcher):
        """The item's picture as a StatusNotifier host receives it, on a dark panel strip."""
        sender, service = wait_until(lambda: watcher.items, "the tray item")[0]
        item = sender if service.startswith("/") else service
        pixmaps = watcher.call(item, "/StatusNotifierItem", "org.freedesktop.DBus.Properties",
                               "Get", "(ss)", ("org.kde.StatusNotifierItem", "IconPixmap"))[0]
        for width, height, argb in pixmaps:
            rgba = bytearray(len(argb))
            rgba[0::4], rgba[1::4], rgba[2::4], rgba[3::4] = (argb[1::4], argb[2::4],
                                                              argb[3::4], argb[0::4])
            raw = self.out / "tray.rgba"
            raw.write_bytes(bytes(rgba))
            path = self.out / f"tray-icon-{width}px.png"
            # Shown at its own size on a dark panel and eight times larger beside it.
            subprocess.run(["convert", "-size", f"{width}x{height}", "-depth", "8", f"rgba:{raw}",
                            "-bordercolor", "#2d2f33", "-border", "6", "(", "+clone", "-filter",
                            "point", "-resize", "800%", ")", "-background", "#2d2f33",
                            "-gravity", "center", "+append", str(path)], check=True)
            raw.unlink()
            self.saved.append(path.name)
            print(f"  {path.name}: {width}x{height} px as offered on the bus")

    def press_tab(self, app, prefix):
        """Presses an open-panel tab as a screen reader does, by its name."""
        Atspi.Action.do_action(app.wait("page tab", prefix, prefix=True), 0)

        def selected():
            element = app.find("page tab", prefix, prefix=True)
            return element is not None and has_state(element, Atspi.StateType.SELECTED)
        wait_until(selected, f"the tab {prefix!r} selected")
        time.sleep(SETTLE)


def on_the_bus(name):
    """The named application's tree once it has joined the accessibility bus."""
    app = Accessible(name)
    wait_until(app.root, f"{name} on the accessibility bus")
    return app


def empty_faces(faces, a11y, watcher):
    print("nothing leaving, nothing in quarantine:")
    home = ThrowawayHome(showMenuBarIcon=True)
    try:
        dustlyn, panel = faces.start(home)
        app = on_the_bus("Dustlyn")
        faces.tray_icon(watcher)
        dustlyn.command("open")
        faces.wait_for_face(panel, 580, 24 + 210, "the open panel, empty")
        faces.shoot(panel, "open-leaving-empty")
        faces.press_tab(app, "Quarantine")
        faces.shoot(panel, "open-quarantine-empty")
        dustlyn.stop()
    finally:
        home.remove()


def demo_home():
    home = ThrowawayHome(showMenuBarIcon=True)
    config = home.support / "config.json"
    settings = json.loads(config.read_text())
    settings["rules"] = all_rules_on(home)
    config.write_text(json.dumps(settings))
    desktop, downloads = home.home / "Desktop", home.home / "Downloads"
    picture(desktop / "Screenshot 2025-05-02 at 09.14.22.png", 1440, 900, "#3b6fd8", "#a4c2f4",
            "09.14")
    picture(desktop / "Screenshot 2025-05-02 at 09.20.03.png", 1440, 900, "#d8743b", "#f4d0a4",
            "09.20")
    sized(desktop / "Quarterly report.pdf", 2_400_000)
    sized(downloads / "debian-12.5.0-amd64-netinst.iso", 658_505_728)
    sized(downloads / "holiday-photos.zip", 48_200_000)
    invoice = downloads / "invoice-2025-04.pdf"
    sized(invoice, 182_000)
    then = time.time() - 29 * 86400
    os.utime(invoice, (then, then))
    # Already in the quarantine: sent there a moment ago.
    picture(desktop / "Screenshot 2025-05-01 at 17.45.10.png", 1440, 900, "#5a9e6f",
            "#bfe3c9", "17.45")
    sized(downloads / "old-installer.deb", 84_000_000)
    for gone in ("Desktop/Screenshot 2025-05-01 at 17.45.10.png", "Downloads/old-installer.deb"):
        subprocess.run([os.environ["DUSTLYN"], "remove-now", str(home.home / gone)],
                       env=home.environment(), check=True, capture_output=True)
    return home


def demo_faces(faces, a11y):
    print("files leaving and in quarantine:")
    home = demo_home()
    try:
        dustlyn, panel = faces.start(home)
        app = on_the_bus("Dustlyn")
        faces.wait_for_face(panel, 100, 24, "the pill")
        faces.shoot(panel, "pill")

        dustlyn.command("open")
        faces.wait_for_face(panel, 580, 24 + 106 + 5 * 50 + 4 * 6, "the open panel")
        faces.shoot(panel, "open-leaving")
        faces.press_tab(app, "Quarantine")
        faces.wait_for_face(panel, 580, 24 + 106 + 2 * 50 + 6, "the quarantine tab")
        faces.shoot(panel, "open-quarantine")
        dustlyn.command("toggle")
        faces.wait_for_face(panel, 100, 24, "the pill again")

        # Three screenshots at once: one peek for all of them.
        desktop = home.home / "Desktop"
        for i, colours in enumerate((("#7b3bd8", "#d2b4f4"), ("#d83b7b", "#f4b4d2"),
                                     ("#3bb0d8", "#b4e6f4"))):
            picture(desktop / f"Screenshot 2025-05-02 at 10.0{i}.00.png", 1440, 900, *colours,
                    f"10.0{i}")
        faces.wait_for_face(panel, 480, 24 + 140, "the peek of several files")
        faces.shoot(panel, "peek-several")
        faces.wait_for_face(panel, 100, 24, "the pill after the peek")

        leaving = desktop / "Quarterly report.pdf"
        dustlyn.command("timer", str(leaving), "2s")
        faces.wait_for_face(panel, 400, 24 + 60, "the sweep toast")
        faces.shoot(panel, "toast-sweep")
        faces.wait_for_face(panel, 100, 24, "the pill after the toast")

        drop_faces(faces, panel, home.home / "Downloads/holiday-photos.zip")

        dustlyn.command("timer", str(desktop / "Screenshot 2025-05-02 at 09.14.22.png"), "4m")
        time.sleep(2)  # the next tick shows the countdown
        faces.shoot(panel, "pill-countdown")
        dustlyn.stop()

        dustlyn, panel = faces.start(home, "--notch-demo", "peek")
        faces.wait_for_face(panel, 480, 24 + 146, "the peek of one file")
        faces.shoot(panel, "peek-one")
        dustlyn.stop()

        dustlyn, panel = faces.start(home, DUSTLYN_NOTCH_DEMO="toast")
        faces.wait_for_face(panel, 400, 24 + 60, "the message toast")
        faces.shoot(panel, "toast-message")
        dustlyn.stop()
    finally:
        home.remove()


def drop_faces(faces, panel, file):
    source = DragSource(faces.x, file)
    try:
        s = faces.scale
        panel_x, _, panel_width, _ = faces.x.frame(panel.window)
        centre = panel_x + panel_width // 2
        # The middle of "Keep forever", the left of the two zones.
        keep = (centre - round(115 * s), round(85 * s))
        Pointer.glide(source.press(), (keep[0], round(40 * s)))
        faces.wait_for_face(panel, 480, 24 + 128, "the drop zones")
        Pointer.glide((keep[0], round(40 * s)), keep, steps=9)
        source.hover_until_offered("copy")
        time.sleep(SETTLE)
        faces.shoot(panel, "drop-zones-keep-hovered")
        source.release()
        faces.wait_for_face(panel, 400, 24 + 60, "the toast after the drop")
        faces.shoot(panel, "toast-message-kept")
        Pointer.rest_at(centre, round(500 * s))
        faces.wait_for_face(panel, 100, 24, "the pill after the drop")
    finally:
        source.close()


def paint_desktop(x):
    """A grey desktop, so the black notch and its shadow show. Compositing managers draw
    the wallpaper named by _XROOTPMAP_ID; the pixmap lives as long as this connection."""
    screen = x.display.screen()
    red, green, blue = (int(DESKTOP_GREY[i:i + 2], 16) for i in (1, 3, 5))
    pixel = screen.default_colormap.alloc_color(red * 257, green * 257, blue * 257).pixel
    tile = x.root.create_pixmap(8, 8, screen.root_depth)
    gc = tile.create_gc(foreground=pixel)
    tile.fill_rectangle(gc, 0, 0, 8, 8)
    x.root.change_attributes(background_pixmap=tile)
    x.root.change_property(x.atom("_XROOTPMAP_ID"), Xatom.PIXMAP, 32, [tile.id])
    x.root.clear_area()
    x.display.sync()


def main():
    out, scale = Path(sys.argv[1]), float(sys.argv[2])
    out.mkdir(parents=True, exist_ok=True)
    faces = Faces(out, scale)
    paint_desktop(faces.x)
    compositor = None
    if shutil.which("xcompmgr"):
        # No shadows of its own: the notch draws its shadow itself.
        compositor = subprocess.Popen(["xcompmgr", "-n"], stderr=subprocess.DEVNULL)
        time.sleep(0.3)
    print(f"at {scale:g}x, {'with' if compositor else 'without'} a compositing manager")
    a11y = AccessibilityBus()
    watcher = StatusNotifierWatcher()
    try:
        empty_faces(faces, a11y, watcher)
        demo_faces(faces, a11y)
    finally:
        watcher.close()
        a11y.close()
        if compositor:
            compositor.terminate()
    print(f"{len(faces.saved)} pictures in {out}")


if __name__ == "__main__":
    main()
