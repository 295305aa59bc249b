#!/usr/bin/env python3
"""Runs Lumora.scr under Wine for a person to see: on the display in $DISPLAY,
or, without one, on a virtual display for a few seconds, ending with a
screenshot whose path it prints. A lone /p shows the preview in a pane of its
own (152x112, at the top left). With --linux first, the Linux edition instead:
over every output in a Wayland session, else in a window of its own."""
import os
import shutil
import subprocess
import sys
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
sys.path.insert(0, str(ROOT / "e2e"))
import harness  # noqa: E402
from harness.xserver import Xvfb  # noqa: E402

SECONDS_HEADLESS = 5


def run_linux(options):
    program = ROOT / "build" / "linux" / "lumora"
    if os.environ.get("WAYLAND_DISPLAY"):
        # A Wayland session: over every output, as its idle tool would start it, until input.
        return subprocess.call([str(program), *options])
    if os.environ.get("DISPLAY"):
        return subprocess.call([str(program), "-window", *options])
    screen = Xvfb("1280x720x24")
    try:
        proc = subprocess.Popen([str(program), "-root", *options], env={**os.environ, "DISPLAY": screen.display})
        time.sleep(SECONDS_HEADLESS)
        shot = program.parent / "screenshots" / "lumora-linux.png"
        shot.parent.mkdir(exist_ok=True)
        subprocess.run(["convert", "xwd:-", str(shot)], input=screen.grab(), check=True)
        still = proc.poll() is None
        proc.terminate()
        proc.wait()
        print(f"lumora {' '.join(options)} {'ran' if still else 'ended'} on a virtual display "
              f"for {SECONDS_HEADLESS} s (no DISPLAY is set). Screenshot: {shot}")
        return 0
    finally:
        screen.close()


def main(args):
    if args and args[0] == "--linux":
        return run_linux(args[1:])
    harness.prepare()
    program = harness.BIN / "Lumora.scr"
    if os.environ.get("DISPLAY"):
        # A prefix of its own that lives on between runs, so settings stay.
        prefix = harness.CACHE / "run-prefix"
        if not prefix.exists():
            shutil.copytree(harness.CACHE / "prefix", prefix, symlinks=True)
            # The tests' unmanaged windows suit a display without a window manager;
            # on a desktop they could be neither moved nor focused by its manager.
            harness.wine(harness.base_env(prefix), "reg", "delete", r"HKCU\Software\Wine\X11 Driver",
                         "/v", "Managed", "/f")
        folder = harness.CACHE / "run-program"
        folder.mkdir(exist_ok=True)
        shutil.copy(program, folder / "Lumora.scr")
        env = harness.base_env(prefix)
        env["DISPLAY"] = os.environ["DISPLAY"]
        return subprocess.call([harness.WINE, str(folder / "Lumora.scr"), *args], env=env)

    session = harness.Session("run", screen="1280x720x24")
    try:
        folder = session.install()
        if args and args[0][:2].upper() in ("/P", "-P") and len(args) == 1 and len(args[0]) <= 2:
            # Wine shows no child window of another process inside its parent, so
            # the preview is shown in a 152x112 pane of the pane host's own process.
            proc = session.start(folder / "pane_host.exe", "152", "112", "--inproc")
        else:
            proc = session.start(folder / "Lumora.scr", *args)
        time.sleep(SECONDS_HEADLESS)
        name = "lumora" + "".join("-" + "".join(c for c in a if c.isalnum()) for a in args) + ".png"
        shot = session.screenshot(harness.screenshots() / name)
        still = proc.poll() is None
        print(f"Lumora.scr {' '.join(args)} {'ran' if still else 'ended'} on a virtual display "
              f"for {SECONDS_HEADLESS} s (no DISPLAY is set). Screenshot: {shot}")
        return 0
    finally:
        session.close()


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
