#!/usr/bin/env python3
"""Makes the pictures of Lumora under Wine: the shower, the settings dialog and
the preview for the README (docs/), and each page of the 64-bit installer and
its uninstaller in Japanese (build/win64/screenshots/installer-*.png); and the
Linux edition's shower under XScreenSaver's daemon on two monitors
(docs/linux-daemon.png), its settings dialog in XScreenSaver's settings
program (docs/linux-settings.png) and its two outputs under sway, each at its
own pixels, the second at scale 2 (docs/linux-wayland.png).

  screenshots.py [docs] [installer] [linux]     all when none is named
"""
import re
import subprocess
import sys
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
sys.path.insert(0, str(ROOT / "e2e"))
import harness  # noqa: E402
from harness.daemon import Daemon, wait_for  # noqa: E402
from harness.wayland import Sway  # noqa: E402

DOCS = ROOT / "docs"
VERSION = re.search(r"project\(Lumora VERSION ([0-9.]+)", (ROOT / "CMakeLists.txt").read_text()).group(1)


def save(grabbed, path, *operations):
    """A grab (xwd bytes) as a PNG file, after ImageMagick's `operations`."""
    subprocess.run(["convert", "xwd:-", *operations, "-strip", str(path)], input=grabbed, check=True, timeout=60)
    print(path)


def crop(session, path, box):
    """The screen now, cut to box = (left, top, width, height)."""
    left, top, width, height = box
    save(session.grab(), path, "-crop", f"{width}x{height}+{left}+{top}", "+repage")


def docs():
    DOCS.mkdir(exist_ok=True)
    session = harness.Session("docs", screen="960x600x24")
    try:
        folder = session.install()
        saver = harness.Saver(session, folder, rest=None)
        time.sleep(4)  # the shower fills the screen
        crop(session, DOCS / "shower.png", (0, 0, 960, 600))
        saver.stop()

        dialog = harness.Dialog(session, folder)
        time.sleep(1.5)  # the opening zoom and the first turns of the Earth
        left, top, right, bottom = dialog.where()["window"]
        crop(session, DOCS / "settings.png", (left, top, right - left, bottom - top))
        dialog.close()

        # Wine shows no other process's child window inside its parent, so the
        # preview is shown in a pane of the host's own process, as scripts/run /p does.
        host = session.start(folder / "pane_host.exe", "152", "112", "--inproc")
        time.sleep(3)
        crop(session, DOCS / "preview.png", (40, 30, 152, 112))  # where the pane host puts its pane
        session.stop(host)
    finally:
        session.close()


def installer():
    session = harness.Session("installer", screen="800x600x24")
    try:
        setup = session.start(harness.BIN / f"Lumora-{VERSION}-setup-x64.exe")
        # The page of the copying closes by itself once done.
        press(session, ["1-welcome", "2-licence", "3-components", "4-finish"])
        setup.wait(timeout=30)
        time.sleep(1)
        remove = session.start(r"C:\Program Files\Lumora\uninstall.exe")
        press(session, ["5-uninstall-confirm", "6-uninstall-components"])
        remove.wait(timeout=30)
    finally:
        session.close()


def linux():
    DOCS.mkdir(exist_ok=True)
    daemon = Daemon("docs", ["-root"])
    try:
        daemon.select(1)
        # Once each monitor's shower is full.
        if not wait_for(lambda: all(len(cores) >= 850 for cores in daemon.stars()), 20):
            sys.exit("the shower did not fill both monitors")
        save(daemon.grab(), DOCS / "linux-daemon.png")
    finally:
        daemon.close()

    daemon = Daemon("settings", ['-root -music file -file "/home/lumora-saver/Music/song.mp3"'], monitors=(),
                    screen_size="1024x768x24")
    try:
        dialog = daemon.settings_dialog(ROOT / "installer" / "linux" / "lumora.xml")
        shown = daemon.grab(dialog)
        # Into the file's field and back to the track: the field then shows the
        # end of the path, the file's name, as after choosing it.
        daemon.xdotool("windowfocus", "--sync", str(dialog), "key", "Tab", "Tab", "shift+Tab")
        save(daemon.settled(dialog, shown), DOCS / "linux-settings.png")
    finally:
        daemon.close()

    with Sway("docs") as sway:
        sway.lumora()
        if not wait_for(lambda: all(len(cores) >= 850 for cores in sway.stars()), 20):
            sys.exit("the shower did not fill both outputs under sway")
        shots = [sway.tmp / f"{name}.png" for name in sway.output_names()]
        for shot, name in zip(shots, sway.output_names()):
            sway.screenshot(shot, name)
        # Side by side as sway places them, each at its own pixels.
        path = DOCS / "linux-wayland.png"
        subprocess.run(["convert", *map(str, shots), "-background", "#3f3f3f", "-gravity", "north", "+append",
                        "-strip", str(path)], check=True, timeout=60)
        print(path)


def press(session, pages):
    """Shoots each page of the wizard whose title holds ルモラ and goes on with
    Return, its default button."""
    deadline = time.monotonic() + 60
    windows = []
    while not windows and time.monotonic() < deadline:
        windows = session.xdotool("search", "--name", "ルモラ")
        time.sleep(0.2)
    if not windows:
        sys.exit("no wizard window")
    for page in pages:
        time.sleep(2)
        geometry = session.geometry(windows[-1])
        box = tuple(geometry[k] for k in ("X", "Y", "WIDTH", "HEIGHT"))
        crop(session, harness.screenshots() / f"installer-{page}.png", box)
        session.pointer(box[0] + box[2] // 2, box[1] + 20)
        session.xdotool("key", "Return")


if __name__ == "__main__":
    wanted = sys.argv[1:] or ["docs", "installer", "linux"]
    if "docs" in wanted or "installer" in wanted:
        harness.prepare()
    if "docs" in wanted:
        docs()
    if "installer" in wanted:
        installer()
    if "linux" in wanted:
        linux()
