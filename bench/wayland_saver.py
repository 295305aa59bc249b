#!/usr/bin/env python3
"""lumora as a Wayland client beside the X11 edition through XWayland and a
client that only shows a black picture, in one headless sway (pixman, one
1920x1080 output, XWayland on), printed as Markdown tables:

- CPU seconds per 10 s of the client, sway and, for the X11 edition,
  XWayland: --warm-up seconds (2), then --window seconds (10) measured;
  --rounds rounds (3), the programs in a new order each round; medians.
  `lumora` is a layer over the output; `lumora -window` runs with only
  DISPLAY set and is made fullscreen by swaymsg, as XScreenSaver 6.11 and
  later run a hack on Wayland; bench/floor_wayland puts one black picture on
  a layer, commits it once and then only waits.
- lumora's CPU while sway is stopped (SIGSTOP) for --window seconds, when no
  frame callback comes; then whether its stars move again after SIGCONT.
- The first frame: with WAYLAND_DEBUG=1, from the spawn to the first
  wl_surface.attach on the output's layer surface, --starts starts (5) after
  one warm-up, and the floor client's beside it (the spawn through the
  harness's setpriv and env, and libwayland's linking); then, the last thing
  in the run (sway 1.7 cannot take an output away), from `swaymsg
  create_output` to the first attach on the added output's layer.
- lumora's resident memory at the end of its rounds, with no music.
- Heap allocations per second in the steady state, by kind, counted by a
  preloaded bench/allocation_counter.so; beside them the messages of the
  debug run's steady state. libwayland allocates with calloc only (two for
  each request, one for each event and each proxy a request makes, such as
  a frame callback); what else is counted is the rest of the program's.

Run as root: sway runs as the harness's unprivileged user. Needs sway,
xwayland and grim.

    cmake --build build/linux && python3 bench/wayland_saver.py
    python3 bench/wayland_saver.py --lumora /other/build/linux/lumora

The machine is shared: compare figures within one run only."""
import argparse
import os
import re
import signal
import statistics
import subprocess
import sys
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
# x11_hacks puts the harness on the path.
from x11_hacks import (ALLOCATION_KINDS, ROOT, TICK, become_subreaper, build_name, count_allocations,  # noqa: E402
                       cpu_per_10s, end_orphan, memory_mb, spread)
from harness.daemon import alive, wait_for  # noqa: E402
from harness.wayland import Sway  # noqa: E402
from harness.xserver import stop  # noqa: E402

WIDTH, HEIGHT = 1920, 1080
OUTPUTS = (("HEADLESS-1", f"{WIDTH}x{HEIGHT}", "0 0", 1),)
MEMORY = ("VmRSS", "VmHWM", "RssAnon", "RssFile", "RssShmem")
STEADY_FROM = 6  # seconds after the start, as x11_hacks.py counts
# WAYLAND_DEBUG's stamp (libwayland's wl_closure_print): CLOCK_REALTIME in
# microseconds, cut to an unsigned 32-bit number, printed "[ms.us]".
WRAP = 2 ** 32
LINE = re.compile(r"^\[\s*(\d+)\.(\d{3})\] (.*)$", re.M)
LAYER = re.compile(r"^ -> zwlr_layer_shell_v1@\d+\.get_layer_surface\(new id \S+, (wl_surface@\d+),")
ATTACH = re.compile(r"^ -> (wl_surface@\d+)\.attach\(wl_buffer@")
NEW_OUTPUT = re.compile(r'^wl_registry@\d+\.global\(\d+, "wl_output"')


def stamp_now():
    return time.time_ns() // 1000 % WRAP


def ms_between(start, stamp):
    return (stamp - start) % WRAP / 1000


def protocol(text):
    """(stamp, message) of each line of a WAYLAND_DEBUG log."""
    return [(int(ms) * 1000 + int(us), message) for ms, us, message in LINE.findall(text)]


class Desktop(Sway):
    """The harness's headless sway on one 1920x1080 output, with XWayland."""

    def __init__(self):
        super().__init__("bench-sway", OUTPUTS, xwayland=True)
        self._xwayland = None

    def reachable(self, path):
        """`path` where the saver's user can run or load it."""
        return self._reachable(Path(path))

    def x_display(self):
        """XWayland's display: the X11 socket sway listens on, before the
        first X client starts XWayland."""
        inodes = set()
        for fd in Path(f"/proc/{self.proc.pid}/fd").iterdir():
            try:
                inodes.add(os.readlink(fd).removeprefix("socket:[").removesuffix("]"))
            except OSError:
                continue
        for line in Path("/proc/net/unix").read_text().splitlines()[1:]:
            fields = line.split()
            found = len(fields) == 8 and fields[6] in inodes and re.fullmatch(r"/tmp/\.X11-unix/X(\d+)", fields[7])
            if found:
                return ":" + found[1]
        raise SystemExit("sway listens on no X11 socket: is the xwayland package installed?")

    def xwayland(self, display):
        """XWayland's process id, once an X client has started it."""
        def find():
            for cmdline in Path("/proc").glob("[0-9]*/cmdline"):
                try:
                    args = cmdline.read_bytes().split(b"\0")
                except OSError:
                    continue
                if args[0].endswith(b"Xwayland") and display.encode() in args:
                    return int(cmdline.parent.name)
            return None
        self._xwayland = wait_for(find, 10)
        if not self._xwayland:
            raise SystemExit(f"no XWayland started on {display}")
        return self._xwayland

    def close(self):
        super().close()
        # sway forks XWayland twice, so it is no descendant of sway's for the
        # harness to end, but this process's (the subreaper's) to reap; it
        # ends with its compositor, else here.
        if self._xwayland:
            wait_for(lambda: not alive(self._xwayland), 5)
            end_orphan(self._xwayland)


class Client:
    """A client of the desktop, ended with SIGTERM on leaving."""

    def __init__(self, desktop, *command, env=None):
        self.command = " ".join(map(str, command))
        self.proc = desktop.start(*map(str, command), env={k: str(v) for k, v in (env or {}).items()})

    def log(self, start=0):
        """Its standard error from byte `start` on."""
        return self.proc.err.read_bytes()[start:].decode(errors="replace")

    def alive(self):
        if self.proc.poll() is not None:
            raise SystemExit(f"{self.command} ended early (status {self.proc.returncode}):\n{self.log()[-2000:]}")

    def __enter__(self):
        return self

    def __exit__(self, *_):
        if self.proc.poll() is None:
            stop(self.proc, 5)


def stars(desktop, what):
    """The stars' middles on every output; none on one is a fault."""
    found = desktop.stars()
    if not all(found):
        raise SystemExit(f"{what} shows no stars on an output")
    return found


def fullscreen(desktop, pid):
    """Has sway make the X11 window of `pid` fullscreen, and checks it is."""
    def asked():
        try:
            return desktop.msg(f"[pid={pid}] fullscreen enable")
        except (RuntimeError, subprocess.CalledProcessError):
            return None  # not mapped yet

    def nodes(node):
        yield node
        for child in node.get("nodes", []) + node.get("floating_nodes", []):
            yield from nodes(child)

    def filled():
        return any(node.get("pid") == pid and node.get("fullscreen_mode") == 1
                   and (node["rect"]["width"], node["rect"]["height"]) == (WIDTH, HEIGHT)
                   for node in nodes(desktop.msg("-t", "get_tree")))
    if not (wait_for(asked, 10, 0.1) and wait_for(filled, 10)):
        raise SystemExit(f"the X11 window of {pid} is not fullscreen at {WIDTH}x{HEIGHT}")


def lumora_cpu(desktop, lumora, warm_up, window):
    with Client(desktop, lumora, "-music", "none") as client:
        time.sleep(warm_up)
        client.alive()
        parts = cpu_per_10s((client.proc.pid, desktop.proc.pid), window)
        client.alive()
        memory = memory_mb(client.proc.pid, MEMORY)
        stars(desktop, "lumora")
    return {"client": parts[0], "sway": parts[1], "total": sum(parts), **memory}


def x11_cpu(desktop, lumora, display, warm_up, window):
    with Client(desktop, "env", "-u", "WAYLAND_DISPLAY", f"DISPLAY={display}", lumora, "-window", "-music",
                "none") as client:
        xwayland = desktop.xwayland(display)
        fullscreen(desktop, client.proc.pid)
        time.sleep(warm_up)
        client.alive()
        parts = cpu_per_10s((client.proc.pid, desktop.proc.pid, xwayland), window)
        client.alive()
        stars(desktop, "lumora -window through XWayland")
    return {"client": parts[0], "sway": parts[1], "xwayland": parts[2], "total": sum(parts)}


def floor_cpu(desktop, floor, warm_up, window):
    with Client(desktop, floor) as client:
        time.sleep(warm_up)
        client.alive()
        parts = cpu_per_10s((client.proc.pid, desktop.proc.pid), window)
        client.alive()
        if desktop.grab()[2].strip(b"\0"):
            raise SystemExit("floor_wayland does not cover the output in black")
    return {"client": parts[0], "sway": parts[1], "total": sum(parts)}


def stopped_compositor(desktop, lumora, warm_up, window):
    """lumora's CPU per 10 s while sway is stopped, and whether its stars
    move again once sway goes on."""
    with Client(desktop, lumora, "-music", "none") as client:
        time.sleep(warm_up)
        client.alive()
        desktop.signal(signal.SIGSTOP)
        try:
            spent = cpu_per_10s((client.proc.pid,), window)[0]
        finally:
            desktop.signal(signal.SIGCONT)
        client.alive()
        time.sleep(0.5)
        before = stars(desktop, "lumora after sway went on")
        time.sleep(0.5)
        moving = stars(desktop, "lumora after sway went on") != before
        client.alive()
    return spent, moving


def first_attaches(client, start=0, count=1):
    """The stamps of the first buffers attached to the first `count` layer
    surfaces the client made after byte `start` of its log; None until all
    have one."""
    made, attached = [], {}
    for stamp, message in protocol(client.log(start)):
        if layer := LAYER.match(message):
            made.append(layer[1])
        elif (attach := ATTACH.match(message)) and attach[1] in made[:count]:
            attached.setdefault(attach[1], stamp)
    stamps = [attached.get(surface) for surface in made[:count]]
    return stamps if len(stamps) == count and None not in stamps else None


def wait_attaches(client, start=0, count=1):
    stamps = wait_for(lambda: first_attaches(client, start, count), 10, 0.01)
    client.alive()
    if not stamps:
        raise SystemExit(f"{client.command}: no buffer on {count} new layer surface(s) within 10 s")
    return stamps


def traffic(client, start, begin, end):
    """Per second, between the stamps `begin` and `end` (after `start`): the
    frames committed, the requests, the events and the proxies made by requests."""
    counts = {"frames": 0, "requests": 0, "events": 0, "proxies": 0}
    low, high = ms_between(start, begin), ms_between(start, end)
    for stamp, message in protocol(client.log()):
        if not low <= ms_between(start, stamp) < high or message.startswith("discarded "):
            continue  # a discarded event is only demarshalled to be printed
        request = message.startswith(" -> ")
        counts["requests" if request else "events"] += 1
        counts["proxies"] += request and "new id " in message
        counts["frames"] += request and message.endswith(".commit()")
    return {key: count / ((high - low) / 1000) for key, count in counts.items()}


def spawn_to_frame(desktop, *command):
    """`command` started with WAYLAND_DEBUG=1 once its first buffer is
    attached: the client, the stamp of its spawn, and the milliseconds from
    the spawn to its first request and to that attach."""
    started = stamp_now()
    client = Client(desktop, *command, env={"WAYLAND_DEBUG": 1})
    attached = wait_attaches(client)[0]
    first = protocol(client.log())[0][0]
    return client, started, (ms_between(started, first), ms_between(started, attached))


def steady_and_added(desktop, client, started, window):
    """The messages per second of lumora's steady state; then the
    milliseconds from create_output to the first frame on the added output,
    and from the output's announcement to lumora to it."""
    time.sleep(max(0.0, STEADY_FROM - ms_between(started, stamp_now()) / 1000))
    begin = stamp_now()
    time.sleep(window)
    messages = traffic(client, started, begin, stamp_now())
    mark = len(client.proc.err.read_bytes())
    asked = stamp_now()
    desktop.create_output()
    attached = wait_attaches(client, mark)[0]
    announced = next(stamp for stamp, message in protocol(client.log(mark)) if NEW_OUTPUT.match(message))
    stars(desktop, "lumora with an output added")
    return messages, (ms_between(asked, attached), ms_between(announced, attached))


def first_frames(desktop, lumora, floor, starts, window):
    """The first frames of lumora and of the floor client, `starts` times
    each after a warm-up start; the last start of lumora goes on to
    steady_and_added."""
    times = {"floor": [], "lumora": []}
    for number in range(starts + 1):
        for key, command in (("floor", (floor,)), ("lumora", (lumora, "-music", "none"))):
            client, started, spent = spawn_to_frame(desktop, *command)
            with client:
                if number:
                    times[key].append(spent)
                if number == starts and key == "lumora":
                    messages, added = steady_and_added(desktop, client, started, window)
    return times, messages, added


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--lumora", default=str(ROOT / "build/linux/lumora"), help="the lumora to measure")
    parser.add_argument("--tools", default=str(ROOT / "build/linux/bench"),
                        help="where floor_wayland and allocation_counter.so are")
    parser.add_argument("--rounds", type=int, default=3)
    parser.add_argument("--starts", type=int, default=5, help="timed starts for the first frame")
    parser.add_argument("--warm-up", type=float, default=2.0)
    parser.add_argument("--window", type=float, default=10.0)
    args = parser.parse_args()
    if os.geteuid() != 0:
        raise SystemExit("run it as root: sway runs as the harness's unprivileged user")
    for path in (Path(args.lumora), Path(args.tools) / "floor_wayland", Path(args.tools) / "allocation_counter.so"):
        if not path.exists():
            raise SystemExit(f"{path} is missing: cmake --build build/linux")

    become_subreaper()
    load_before = os.getloadavg()
    with Desktop() as desktop:
        lumora = desktop.reachable(args.lumora)
        floor = desktop.reachable(Path(args.tools) / "floor_wayland")
        counter = desktop.reachable(Path(args.tools) / "allocation_counter.so")
        display = desktop.x_display()
        cases = [
            ("wayland", "`lumora`: a layer over the output",
             lambda: lumora_cpu(desktop, lumora, args.warm_up, args.window)),
            ("xwayland", "`lumora -window` through XWayland, fullscreen",
             lambda: x11_cpu(desktop, lumora, display, args.warm_up, args.window)),
            ("floor", "`floor_wayland`: one black picture on a layer",
             lambda: floor_cpu(desktop, floor, args.warm_up, args.window)),
        ]
        results = {key: [] for key, *_ in cases}
        for round_number in range(args.rounds):
            shift = round_number % len(cases)
            for key, _, measure in cases[shift:] + cases[:shift]:
                print(f"round {round_number + 1}/{args.rounds}: {key}", file=sys.stderr)
                results[key].append(measure())
        print("sway stopped", file=sys.stderr)
        stopped, moving = stopped_compositor(desktop, lumora, args.warm_up, args.window)
        print("allocations", file=sys.stderr)
        counts_file = desktop.home / "allocations"
        with Client(desktop, lumora, "-music", "none",
                    env={"LD_PRELOAD": counter, "LUMORA_ALLOCATION_COUNTS": counts_file}) as client:
            readings = count_allocations(counts_file, STEADY_FROM + int(args.window), client.alive)
        if not any(readings[0][1]):
            raise SystemExit("the allocation counter counted nothing at start-up: it did not take")
        print("first frames, an output added", file=sys.stderr)
        firsts, messages, added = first_frames(desktop, lumora, floor, args.starts, args.window)
    load_after = os.getloadavg()

    def median(key, part="total"):
        return statistics.median(run[part] for run in results[key]) if part in results[key][0] else None

    print(f"### lumora under headless sway, {time.strftime('%Y-%m-%d %H:%M')}")
    print()
    print(f"lumora: {build_name(args.lumora)}; sway 1.7 (pixman), one {WIDTH}x{HEIGHT} output at 60 Hz; "
          f"{os.cpu_count()} CPUs, load {load_before[0]:.2f} before, {load_after[0]:.2f} after. CPU: "
          f"{args.warm_up:g} s warm-up + {args.window:g} s measured, rounds: {args.rounds}, median (least–most).")
    print()
    print("| client | CPU s per 10 s, all | client | sway | XWayland |")
    print("| --- | ---: | ---: | ---: | ---: |")
    for key, what, _ in cases:
        parts = [median(key, part) for part in ("client", "sway", "xwayland")]
        print(f"| {what} | {spread([r['total'] for r in results[key]])} | "
              + " | ".join("–" if part is None else f"{part:.2f}" for part in parts) + " |")
    print()

    wayland, x11, least = median("wayland"), median("xwayland"), median("floor")
    memory = {key: median("wayland", key) for key in MEMORY}
    start, end = readings[STEADY_FROM - 1], readings[-1]
    rates = {kind: (b - a) / (end[0] - start[0]) for kind, a, b in zip(ALLOCATION_KINDS, start[1], end[1])}
    libwayland = messages["requests"] + messages["events"] + messages["proxies"]
    others = sum(rate for kind, rate in rates.items() if kind != "calloc")
    met = lambda ok: "yes" if ok else "**no**"  # noqa: E731
    print("| goal | measured | target | met |")
    print("| --- | --- | --- | --- |")
    print(f"| CPU: Wayland / XWayland | {wayland:.2f} / {x11:.2f} = {wayland / x11:.2f} | ≤ 0.5 "
          f"| {met(wayland <= 0.5 * x11)} |")
    above = f"{wayland / least:.1f}" if least > 0 else f"∞ (the floor: under {1 / TICK:g} s)"
    print(f"| CPU: Wayland / the floor | {wayland:.2f} / {least:.2f} = {above} | none: what the frames cost "
          "above a still layer | – |")
    print(f"| lumora's CPU with sway stopped, per {args.window:g} s | {stopped * args.window / 10:.3f} s "
          f"| ≤ 0.02 s | {met(stopped * args.window / 10 <= 0.02)} |")
    print(f"| its stars move again after SIGCONT | {'yes' if moving else 'no'} | yes | {met(moving)} |")
    frames = {key: [total for _, total in runs] for key, runs in firsts.items()}
    before = {key: statistics.median(first for first, _ in runs) for key, runs in firsts.items()}
    print(f"| first frame on the output after the spawn, {args.starts} starts | {spread(frames['lumora'], 1)} ms, "
          f"{before['lumora']:.1f} ms of it before the first request (floor_wayland: {spread(frames['floor'], 1)} ms, "
          f"{before['floor']:.1f} ms) | ≤ 100 ms | {met(max(frames['lumora']) <= 100)} |")
    print(f"| first frame on an output added by create_output | {added[0]:.1f} ms ({added[1]:.1f} ms after the "
          f"output's global reached lumora) | ≤ 100 ms | {met(added[0] <= 100)} |")
    print(f"| resident memory without music, VmRSS after {args.warm_up + args.window:g} s | {memory['VmRSS']:.1f} MB "
          f"(RssAnon {memory['RssAnon']:.1f}, RssFile {memory['RssFile']:.1f}, RssShmem {memory['RssShmem']:.1f}; "
          f"VmHWM {memory['VmHWM']:.1f}) | < 30 MB | {met(max(memory['VmRSS'], memory['VmHWM']) < 30)} |")
    print(f"| heap allocations per s in the steady state ({STEADY_FROM} s to {end[0]:.0f} s) other than calloc "
          f"(libwayland's, below) | {others:.1f} per s | 0 | {met(others == 0)} |")
    print()
    per_frame = (2 * messages["requests"] + messages["events"] + messages["proxies"]) / messages["frames"]
    print(f"Allocations per second from {STEADY_FROM} s to {end[0]:.0f} s: "
          + ", ".join(f"{kind} {rate:.1f}" for kind, rate in rates.items())
          + f"; {sum(start[1])} in the first {start[0]:.0f} s. libwayland allocates with calloc, two for each "
          "request (its closure and the bytes sent), one for each event and one for each proxy a request makes. "
          f"In the debug run's steady state lumora committed {messages['frames']:.1f} frames per s with "
          f"{messages['requests']:.1f} requests, {messages['events']:.1f} events and {messages['proxies']:.1f} "
          f"new proxies per s: {per_frame:.1f} callocs a frame, so that the {rates['calloc']:.1f} counted per s are "
          f"{rates['calloc'] / per_frame:.1f} frames per s (the output refreshes at 60 Hz; the boxes damaged a frame, "
          "a request each, differ with each run's stars).")

if __name__ == "__main__":
    main()
