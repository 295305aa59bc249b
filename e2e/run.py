#!/usr/bin/env python3
"""Runs Lumora.scr under Wine for a person to see: on the display in $DISPLAY,
or, without one, on a virtual display for a few seconds, ending with a
screenshot whose path it prints."""
import os
import shutil
import subprocess
import sys
import time
from pathlib import Path

import harness

SECONDS_HEADLESS = 5


def main(args):
    harness.prepare()
    program = harness.BIN / "Lumora.scr"
    if os.environ.get("DISPLAY"):
        # A prefix of its own that lives on between runs, so settings stay.
        prefix = harness.CACHE / "run-prefix"
        if not prefix.exists():
            shutil.copytree(harness.CACHE / "prefix", prefix, symlinks=True)
        folder = harness.CACHE / "run-program"
        folder.mkdir(exist_ok=True)
        shutil.copy(program, folder / "Lumora.scr")
        env = harness._base_env(prefix)
        env["DISPLAY"] = os.environ["DISPLAY"]
        return subprocess.call([harness.WINE, str(folder / "Lumora.scr"), *args], env=env)

    session = harness.Session("run", screen="1280x720x24")
    try:
        folder = session.install()
        proc = session.start(folder / "Lumora.scr", *args)
        time.sleep(SECONDS_HEADLESS)
        shots = harness.BIN / "screenshots"
        shots.mkdir(exist_ok=True)
        name = "lumora" + "".join("-" + "".join(c for c in a if c.isalnum()) for a in args) + ".png"
        shot = session.screenshot(shots / name)
        still = proc.poll() is None
        print(f"Lumora.scr {' '.join(args)} {'ran' if still else 'ended'} on a virtual display "
              f"for {SECONDS_HEADLESS} s (no DISPLAY is set). Screenshot: {shot}")
        return 0
    finally:
        session.close()


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
