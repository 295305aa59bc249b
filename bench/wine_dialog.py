#!/usr/bin/env python3
"""How soon the settings dialog is on screen and fully drawn under a warm Wine:
from the start of `Lumora.scr /c` to the first screenshot that shows its
shaded panels. Rerun with:  python3 bench/wine_dialog.py  (after scripts/test)."""
import statistics
import subprocess
import sys
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent.parent / "e2e"))
import harness  # noqa: E402

RUNS = 5


def drawn(session):
    """True once the middle row of the inner panel shows its pale shading somewhere."""
    raw = subprocess.run(["convert", "xwd:-", "-depth", "8", "rgb:-"], input=session.grab(),
                         capture_output=True, check=True).stdout
    return b"\xdc\xdc\xfa" in raw  # RGB(220, 220, 250)


def main():
    harness.prepare()
    session = harness.Session("bench-dialog")
    times = []
    try:
        folder = session.install()
        session.run(folder / "window_holder.exe", "--probe", "none")  # warm the server
        for _ in range(RUNS):
            started = time.monotonic()
            dialog = session.start(folder / "Lumora.scr", "/c")
            while not drawn(session):
                if time.monotonic() - started > 20:
                    raise SystemExit("the dialog never appeared")
            times.append(time.monotonic() - started)
            session.run(folder / "window_holder.exe", "--close", "ルモラの設定")
            dialog.wait(timeout=10)
    finally:
        session.close()
    print(f"dialog on screen and drawn after: median {statistics.median(times) * 1000:.0f} ms, "
          f"best {min(times) * 1000:.0f} ms, worst {max(times) * 1000:.0f} ms ({RUNS} warm starts; "
          f"each poll is one screenshot, about 30 ms)")


if __name__ == "__main__":
    main()
