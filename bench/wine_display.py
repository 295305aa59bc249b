#!/usr/bin/env python3
"""The display under Wine and Xvfb at 1920x1080, and on two monitors (1920x1080
and 1280x1024 beside it): frames shown per second, the CPU time of the program,
wineserver and Xvfb together over ten seconds, and the program's working set.
Rerun with:  python3 bench/wine_display.py [--two-monitors]
(after scripts/test or `cmake --build build/win64`)."""
import os
import re
import shutil
import sys
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent.parent / "e2e"))
import harness  # noqa: E402

TICK = os.sysconf("SC_CLK_TCK")


def cpu_seconds(pid):
    fields = Path(f"/proc/{pid}/stat").read_text().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / TICK  # utime + stime


def memory_kb(pid):
    status = Path(f"/proc/{pid}/status").read_text()
    return {key: int(re.search(key + r":\s+(\d+)", status).group(1))
            for key in ("VmRSS", "RssAnon", "RssFile", "RssShmem")}


def reports(path):
    return [dict(kv.split("=") for kv in line.split()) for line in Path(path).read_text().splitlines()
            if line.startswith("ms=")]


def main():
    harness.prepare()
    two = "--two-monitors" in sys.argv[1:]
    if two:
        # The second monitor to the right, its top aligned with the primary's.
        session = harness.Session("bench", screen="3200x1080x24", monitors=[
            ("*P", "1920/508x1080/286+0+0", "screen"), ("S", "1280/338x1024/271+1920+0", "none")])
        title = "1920x1080 + 1280x1024"
    else:
        session = harness.Session("bench", screen="1920x1080x24")
        title = "1920x1080"
    try:
        folder = session.install()
        shutil.copy(harness.BIN / "bench" / "display_ticks.exe", folder / "display_ticks.exe")
        proc = session.start(folder / "display_ticks.exe", "12")
        while len(reports(proc.out_path)) < 1:
            time.sleep(0.05)
        pids = {"program": proc.pid, "wineserver": session._server.pid, "Xvfb": session._xvfb.proc.pid}
        before = {name: cpu_seconds(pid) for name, pid in pids.items()}
        first = reports(proc.out_path)[-1]
        while len(reports(proc.out_path)) < 11:
            time.sleep(0.05)
        after = {name: cpu_seconds(pid) for name, pid in pids.items()}
        last = reports(proc.out_path)[-1]
        rss = memory_kb(proc.pid)
        proc.wait(timeout=30)
    finally:
        session.close()
    seconds = (int(last["ms"]) - int(first["ms"])) / 1000
    frames = int(last["frames"]) - int(first["frames"])
    cpu = {name: after[name] - before[name] for name in pids}
    print(f"{title} under Wine and Xvfb, {seconds:.1f} s measured")
    print(f"frames shown per second: {frames / seconds:.1f}")
    print("CPU seconds per 10 s: " + ", ".join(f"{n} {v * 10 / seconds:.2f}" for n, v in cpu.items())
          + f", together {sum(cpu.values()) * 10 / seconds:.2f}")
    mb = lambda kb: f"{int(kb) / 1024:.1f} MB"  # noqa: E731
    print(f"working set as the program sees it: {mb(last['working_set_kb'])}")
    print(f"resident under Wine: {mb(rss['VmRSS'])} = {mb(rss['RssFile'])} mapped files (Wine's "
          f"libraries and the program) + {mb(rss['RssShmem'])} shared with X (Wine's copy of the "
          f"window) + {mb(rss['RssAnon'])} private")


if __name__ == "__main__":
    main()
