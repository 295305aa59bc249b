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
    """True once the middle row of the inner panel shows its pale shading: the
    screen's pixels hold RGB(220, 220, 250), which the root window's 32-bit xwd
    dump stores as blue, green, red."""
    return b"\xfa\xdc\xdc" in session.grab()


def visible(session):
    return bool(session.xdotool("search", "--onlyvisible", "--name", "ルモラの設定"))


def main():
    harness.prepare()
    session = harness.Session("bench-dialog")
    times = []
    shown = []
    try:
        folder = session.install()
        session.run(folder / "window_holder.exe", "--probe", "none")  # warm the server
        for _ in range(RUNS):
            started = time.monotonic()
            dialog = session.start(folder / "Lumora.scr", "/c")
            while not visible(session):
                if time.monotonic() - started > 20:
                    raise SystemExit("the dialog never appeared")
            shown.append(time.monotonic() - started)
            while not drawn(session):
                if time.monotonic() - started > 20:
                    raise SystemExit("the dialog was never drawn")
            times.append(time.monotonic() - started)
            session.run(folder / "window_holder.exe", "--close", "ルモラの設定")
            dialog.wait(timeout=10)
    finally:
        session.close()
    ms = lambda values: (f"median {statistics.median(values) * 1000:.0f} ms, best {min(values) * 1000:.0f} ms, "  # noqa: E731
                         f"worst {max(values) * 1000:.0f} ms")
    print(f"dialog on screen: {ms(shown)}; drawn: {ms(times)} ({RUNS} warm starts; a screenshot "
          f"poll takes about 70 ms, so 'drawn' is late by up to that)")


if __name__ == "__main__":
    main()
