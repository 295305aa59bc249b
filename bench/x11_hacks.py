#!/usr/bin/env python3
"""The Linux edition beside XScreenSaver's own hacks, each under an Xvfb of its
own, in one run, printed as Markdown tables to paste into a note:

- CPU seconds per 10 s of the hack and the X server together (drawing through
  Xlib is the server's work), at 1920x1080, for `lumora -root` and euler2d,
  galaxy and starfish started the same way; --rounds rounds (5), the
  programs in a different order each round, 2 s of warm-up then 10 s
  measured; medians; lumora against the cheapest of the three.
  Also lumora on a 3840x1080 screen split into two 1920x1080 RandR monitors,
  against twice its cost on one.
- The screen refreshes --hz times a second (60): Xvfb's own mode has no
  timings (0 Hz), so a mode with a monitor's timings is made and set (0:
  Xvfb's own).
- With --baseline PATH, a second lumora (another commit's build) in the same
  rounds, beside the first in every figure but the first drawing and the
  allocations.
- The first drawing on the screen after the spawn, as the X server's DAMAGE
  extension reports it (bench/first_frame); --starts starts (7) after one
  warm-up.
- With --daemon-user USER (any unprivileged user, `useradd saver` say: the
  daemon starts no hack as root), the same CPU figures through the real
  daemon, xscreensaver 6, which runs each hack at nice 10 in a window of its
  own (whose backing store "Always" makes some hacks cost the server more
  there); -select N of a programs: list in a home of its own, so that the
  user's settings are untouched.
- lumora's resident memory (VmRSS, VmHWM) at the end of its runs above, with
  no music: a home of its own with no settings in it.
- lumora's heap allocations, counted by a preloaded allocator
  (bench/allocation_counter.so) each second of a 16 s run; the steady state
  is the last 10 s. The first 6 s hold start-up and what is set up once on
  first use (the first local-time look-up reads the time zone).

    cmake --build build/linux && python3 bench/x11_hacks.py
    python3 bench/x11_hacks.py --lumora /other/build/linux/lumora --rounds 5
    git worktree add /tmp/lumora-base HEAD   # then build it there, and:
    python3 bench/x11_hacks.py --baseline /tmp/lumora-base/build/linux/lumora --daemon-user saver

The machine is shared: compare figures within one run only."""
import argparse
import ctypes
import os
import pwd
import signal
import statistics
import struct
import subprocess
import sys
import tempfile
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent.parent / "e2e"))
from harness import xserver  # noqa: E402

ROOT = Path(__file__).resolve().parent.parent
HACKS = Path("/usr/libexec/xscreensaver")
TICK = os.sysconf("SC_CLK_TCK")
WIDTH, HEIGHT = 1920, 1080
# xrandr --setmonitor arguments: two 1920x1080 monitors (about 24 inches) side by side.
TWO_MONITORS = [("A", "1920/508x1080/286+0+0", "screen"), ("B", "1920/508x1080/286+1920+0", "none")]
ALLOCATION_KINDS = ("malloc", "calloc", "realloc", "aligned")
# The daemon blanks at once when told, with nothing in between: no fading, no
# lock, no splash, no power saving, one hack chosen by -select.
DAEMON_SETTINGS = """mode:\t\tone
timeout:\t0:00:15
cycle:\t\t0
lock:\t\tFalse
fade:\t\tFalse
unfade:\t\tFalse
splash:\t\tFalse
dpmsEnabled:\tFalse
"""


def cpu_seconds(pid):
    fields = Path(f"/proc/{pid}/stat").read_text().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / TICK  # utime + stime


def memory_mb(pid, keys=("VmRSS", "VmHWM")):
    values = {}
    for line in Path(f"/proc/{pid}/status").read_text().splitlines():
        key, _, rest = line.partition(":")
        if key in keys:
            values[key] = int(rest.split()[0]) / 1024
    return values


def cpu_per_10s(pids, seconds):
    """CPU seconds per 10 s of each of `pids` over the next `seconds`."""
    started = time.monotonic()
    before = [cpu_seconds(pid) for pid in pids]
    time.sleep(seconds)
    after = [cpu_seconds(pid) for pid in pids]
    elapsed = time.monotonic() - started
    return [(b - a) * 10 / elapsed for a, b in zip(before, after)]


def count_allocations(counts_file, seconds, alive):
    """The counts of bench/allocation_counter.so by kind, read once a second
    through `seconds` while alive() says the program runs: (seconds since
    the first call, counts)."""
    readings = []
    started = time.monotonic()
    for second in range(1, seconds + 1):
        time.sleep(max(0.0, started + second - time.monotonic()))
        alive()
        data = counts_file.read_bytes() if counts_file.exists() else b""
        if len(data) != 8 * len(ALLOCATION_KINDS):
            raise SystemExit("the allocation counter did not take: is allocation_counter.so built?")
        readings.append((time.monotonic() - started, struct.unpack(f"<{len(ALLOCATION_KINDS)}Q", data)))
    return readings


class XRRModeInfo(ctypes.Structure):
    _fields_ = [("id", ctypes.c_ulong), ("width", ctypes.c_uint), ("height", ctypes.c_uint),
                ("dotClock", ctypes.c_ulong), ("hSyncStart", ctypes.c_uint), ("hSyncEnd", ctypes.c_uint),
                ("hTotal", ctypes.c_uint), ("hSkew", ctypes.c_uint), ("vSyncStart", ctypes.c_uint),
                ("vSyncEnd", ctypes.c_uint), ("vTotal", ctypes.c_uint), ("name", ctypes.c_char_p),
                ("nameLength", ctypes.c_uint), ("modeFlags", ctypes.c_ulong)]


class XRRScreenResources(ctypes.Structure):
    _fields_ = [("timestamp", ctypes.c_ulong), ("configTimestamp", ctypes.c_ulong),
                ("ncrtc", ctypes.c_int), ("crtcs", ctypes.POINTER(ctypes.c_ulong)),
                ("noutput", ctypes.c_int), ("outputs", ctypes.POINTER(ctypes.c_ulong)),
                ("nmode", ctypes.c_int), ("modes", ctypes.POINTER(XRRModeInfo))]


class RefreshRate:
    """Gives Xvfb's screen a mode of `hz` with timings, as a monitor has (its own
    has none: 0 Hz). A mode made by a client lives as long as its connection,
    so this one stays open until close(), before the server ends."""

    def __init__(self, display, width, height, hz):
        x11, randr = ctypes.CDLL("libX11.so.6"), ctypes.CDLL("libXrandr.so.2")
        x11.XOpenDisplay.restype = ctypes.c_void_p
        x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
        x11.XDefaultRootWindow.restype = ctypes.c_ulong
        x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        x11.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
        x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
        randr.XRRCreateMode.restype = ctypes.c_ulong
        randr.XRRCreateMode.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.POINTER(XRRModeInfo)]
        randr.XRRGetScreenResourcesCurrent.restype = ctypes.POINTER(XRRScreenResources)
        randr.XRRGetScreenResourcesCurrent.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
        randr.XRRFreeScreenResources.argtypes = [ctypes.POINTER(XRRScreenResources)]
        randr.XRRAddOutputMode.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_ulong]
        randr.XRRSetCrtcConfig.argtypes = [ctypes.c_void_p, ctypes.POINTER(XRRScreenResources), ctypes.c_ulong,
                                           ctypes.c_ulong, ctypes.c_int, ctypes.c_int, ctypes.c_ulong,
                                           ctypes.c_ushort, ctypes.POINTER(ctypes.c_ulong), ctypes.c_int]
        self.x11 = x11
        self.connection = x11.XOpenDisplay(display.encode())
        if not self.connection:
            raise SystemExit(f"cannot open {display} to give it a mode")
        root = x11.XDefaultRootWindow(self.connection)
        # Blanking about as a monitor's (CVT's reduced blanking): the rate is
        # the pixel clock over every pixel of a frame, blanking included.
        h_total, v_total = width + 160, height + 31
        name = f"{width}x{height}_{hz}".encode()
        mode = XRRModeInfo(0, width, height, h_total * v_total * hz, width + 48, width + 80, h_total, 0,
                           height + 3, height + 8, v_total, name, len(name), 0)
        made = randr.XRRCreateMode(self.connection, root, ctypes.byref(mode))
        resources = randr.XRRGetScreenResourcesCurrent(self.connection, root)
        try:
            output = ctypes.c_ulong(resources.contents.outputs[0])
            randr.XRRAddOutputMode(self.connection, output, made)
            failed = randr.XRRSetCrtcConfig(self.connection, resources, resources.contents.crtcs[0], 0, 0, 0, made,
                                            1, ctypes.byref(output), 1)
        finally:
            randr.XRRFreeScreenResources(resources)
        x11.XSync(self.connection, 0)
        if failed:
            raise SystemExit(f"{display} took no {hz} Hz mode")

    def close(self):
        if self.connection:
            self.x11.XCloseDisplay(self.connection)
            self.connection = None


class Xvfb:
    """The harness's X server, with a home for its clients that holds no settings,
    its screen at `hz` when given."""

    def __init__(self, home, width, height, monitors=(), hz=None):
        self.server = xserver.Xvfb(f"{width}x{height}x24", monitors)
        self.proc = self.server.proc
        self.refresh = RefreshRate(self.server.display, width, height, hz) if hz else None
        self.env = {key: value for key, value in os.environ.items()
                    if key not in ("XSCREENSAVER_WINDOW", "LD_PRELOAD", "XENVIRONMENT")}
        self.env.update(DISPLAY=self.server.display, HOME=str(home), XDG_CONFIG_HOME=str(Path(home) / ".config"))

    def __enter__(self):
        return self

    def __exit__(self, *_):
        if self.refresh:
            self.refresh.close()
        self.server.close()


class Hack:
    """A running hack, ended with SIGTERM (the daemon's way) on leaving."""

    def __init__(self, command, env, errors, extra_env=None):
        self.command = command
        self.errors = errors
        with open(errors, "wb") as sink:
            self.proc = subprocess.Popen(command, env={**env, **(extra_env or {})},
                                         stdout=subprocess.DEVNULL, stderr=sink)

    def alive(self):
        if self.proc.poll() is None:
            return True
        raise SystemExit(f"{' '.join(map(str, self.command))} ended early (status {self.proc.returncode}):\n"
                         + Path(self.errors).read_text(errors="replace")[-2000:])

    def __enter__(self):
        return self

    def __exit__(self, *_):
        xserver.stop(self.proc)


def run_cpu(command, home, width, height, monitors, warm_up, window, hz):
    """CPU seconds per 10 s of the hack and of Xvfb over `window` seconds after
    `warm_up`, and the hack's memory at the end."""
    with Xvfb(home, width, height, monitors, hz) as server, Hack(command, server.env, home / "stderr") as hack:
        time.sleep(warm_up)
        hack.alive()
        hack_cpu, server_cpu = cpu_per_10s((hack.proc.pid, server.proc.pid), window)
        hack.alive()
        memory = memory_mb(hack.proc.pid)
    return {"hack": hack_cpu, "server": server_cpu, "total": hack_cpu + server_cpu, **memory}


def descendants(pid):
    """The processes below `pid`, as {pid: command name}."""
    parents, names = {}, {}
    for entry in Path("/proc").iterdir():
        if entry.name.isdigit():
            try:
                name, rest = (entry / "stat").read_text().split(" (", 1)[1].rsplit(") ", 1)
            except (OSError, IndexError, ValueError):
                continue  # gone meanwhile
            parents[int(entry.name)], names[int(entry.name)] = int(rest.split()[1]), name
    found, wanted = {}, {pid}
    while wanted:
        wanted = {child for child, parent in parents.items() if parent in wanted}
        found.update((child, names[child]) for child in wanted)
    return found


def become_subreaper():
    """Makes the daemon's orphans (xscreensaver-gfx and its hack outlive the
    daemon) this process's children, for end_orphan to reap."""
    libc = ctypes.CDLL(None, use_errno=True)
    PR_SET_CHILD_SUBREAPER = 36
    if libc.prctl(PR_SET_CHILD_SUBREAPER, 1, 0, 0, 0) != 0:
        raise OSError(ctypes.get_errno(), "prctl(PR_SET_CHILD_SUBREAPER)")


def end_orphan(pid):
    try:
        os.kill(pid, signal.SIGTERM)
        deadline = time.monotonic() + 10
        while os.waitpid(pid, os.WNOHANG) == (0, 0):
            if time.monotonic() > deadline:
                os.kill(pid, signal.SIGKILL)
                os.waitpid(pid, 0)
                return
            time.sleep(0.05)
    except (ProcessLookupError, ChildProcessError):
        pass  # gone already, or not ours to reap


def reap_orphans():
    """Reaps the inherited children that have ended already (the only other
    child, Xvfb, is still running)."""
    try:
        while os.waitpid(-1, os.WNOHANG)[0] != 0:
            pass
    except ChildProcessError:
        pass


def run_daemon_cpu(user, programs, index, scratch, warm_up, window, hz, monitors=()):
    """Like run_cpu, through xscreensaver: the hacks the daemon started for
    programs[index] (1-based -select), one a monitor, and Xvfb."""
    # A home of its own for the daemon, so that the user's own settings stay as they are.
    account = pwd.getpwnam(user)
    home = scratch / "daemon-home"
    home.mkdir(exist_ok=True)
    lines = " \\n\\\n\t\t".join(" ".join(map(str, command)) for command in programs)
    (home / ".xscreensaver").write_text(DAEMON_SETTINGS + f"programs:\t{lines} \\n\n")
    log = home / "xscreensaver.log"
    log.touch()
    for path in (home, home / ".xscreensaver", log):
        os.chown(path, account.pw_uid, account.pw_gid)
    name = Path(programs[index - 1][0]).name[:15]
    wanted = max(1, len(monitors))
    with Xvfb(scratch, WIDTH * wanted, HEIGHT, monitors, hz) as server:
        env = server.env
        # runuser sets HOME to the user's own; env sets it back.
        as_user = ["runuser", "-u", user, "--", "env", f"HOME={home}", f"XDG_CONFIG_HOME={home / '.config'}"]
        daemon = subprocess.Popen([*as_user, "xscreensaver", "--no-splash", "--log", str(log)], env=env,
                                  stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            hacks = []
            deadline = time.monotonic() + 60
            while len(hacks) < wanted:
                if time.monotonic() > deadline or daemon.poll() is not None:
                    raise SystemExit(f"the daemon did not start {name}; its log:\n" + log.read_text()[-2000:])
                # Refused until the daemon is up; the hack is forked soon after.
                subprocess.run([*as_user, "xscreensaver-command", "-select", str(index)], env=env,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=30, check=False)
                for _ in range(20):
                    hacks = [pid for pid, comm in descendants(daemon.pid).items() if comm == name]
                    if len(hacks) >= wanted:
                        break
                    time.sleep(0.1)
            time.sleep(warm_up)
            *hack_cpus, server_cpu = cpu_per_10s((*hacks, server.proc.pid), window)
            hack_cpu = sum(hack_cpus)
        finally:
            subprocess.run([*as_user, "xscreensaver-command", "-exit"], env=env, stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL, timeout=30, check=False)
            left = descendants(daemon.pid)
            try:
                daemon.wait(timeout=15)
            except subprocess.TimeoutExpired:
                daemon.terminate()
                daemon.wait()
            # The daemon's children outlive it for a moment; none may draw on
            # the next measurement's screen. As the subreaper, this process
            # inherits them and reaps them.
            for pid in left:
                end_orphan(pid)
            reap_orphans()
    return {"hack": hack_cpu, "server": server_cpu, "total": hack_cpu + server_cpu}


def first_drawings(tool, command, home, starts, hz):
    """Milliseconds from the spawn to the first drawing, `starts` times after a warm-up start."""
    times = []
    with Xvfb(home, WIDTH, HEIGHT, (), hz) as server:
        for i in range(starts + 1):
            done = subprocess.run([str(tool), *map(str, command)], env=server.env, capture_output=True,
                                  text=True, timeout=90)
            if done.returncode != 0:
                raise SystemExit(f"first_frame {' '.join(map(str, command))}: {done.stderr.strip()}")
            fields = dict(item.split("=") for item in done.stdout.split())
            if i > 0:
                times.append(float(fields["first_ms"]))
    return times


def allocations(counter, lumora, home, seconds, hz):
    """The allocation counts read once a second through a run of `seconds`."""
    counts_file = home / "allocations"
    with Xvfb(home, WIDTH, HEIGHT, (), hz) as server, \
            Hack([lumora, "-root"], server.env, home / "stderr",
                 {"LD_PRELOAD": str(counter), "LUMORA_ALLOCATION_COUNTS": str(counts_file)}) as hack:
        readings = [(at, sum(counts)) for at, counts in count_allocations(counts_file, seconds, hack.alive)]
    if readings[0][1] == 0:
        raise SystemExit("the allocation counter counted nothing at start-up: it did not take")
    return readings


def spread(values, digits=2):
    return f"{statistics.median(values):.{digits}f} ({min(values):.{digits}f}–{max(values):.{digits}f})"


def build_name(lumora):
    described = subprocess.run(["git", "-C", str(Path(lumora).resolve().parent), "describe", "--always", "--dirty"],
                               capture_output=True, text=True, check=False).stdout.strip()
    return f"`{lumora}`" + (f" (git {described})" if described else "")


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--lumora", default=str(ROOT / "build/linux/lumora"), help="the lumora to measure")
    parser.add_argument("--tools", default=str(ROOT / "build/linux/bench"),
                        help="where first_frame and allocation_counter.so are")
    parser.add_argument("--rounds", type=int, default=5)
    parser.add_argument("--starts", type=int, default=7, help="timed starts per program for the first drawing")
    parser.add_argument("--warm-up", type=float, default=2.0)
    parser.add_argument("--window", type=float, default=10.0)
    parser.add_argument("--daemon-user", help="also measure through xscreensaver, run as this user")
    parser.add_argument("--baseline", help="another lumora to measure beside it, in the same rounds")
    parser.add_argument("--hz", type=int, default=60, help="the screen's refresh rate (0: Xvfb's mode, none)")
    args = parser.parse_args()

    lumora = Path(args.lumora)
    first_frame = Path(args.tools) / "first_frame"
    counter = Path(args.tools) / "allocation_counter.so"
    baseline = Path(args.baseline) if args.baseline else None
    for path, hint in ((lumora, "cmake --build build/linux"), *(((baseline, "build it"),) if baseline else ()),
                       (first_frame, "install libxdamage-dev, then configure and build build/linux again"),
                       (counter, "cmake --build build/linux")):
        if not path.exists():
            raise SystemExit(f"{path} is missing: {hint}")
    programs = {"lumora": [lumora, "-root"]}
    if baseline:
        programs["baseline"] = [baseline, "-root"]
    lumoras = [name for name in ("lumora", "baseline") if name in programs]
    for name in ("euler2d", "galaxy", "starfish"):
        if not (HACKS / name).exists():
            raise SystemExit(f"{HACKS / name} is missing: apt-get install xscreensaver-data xscreensaver-data-extra")
        programs[name] = [HACKS / name, "-root"]
    if args.daemon_user:
        pwd.getpwnam(args.daemon_user)  # says at once if there is no such user
        become_subreaper()

    def command_text(name):
        command = programs[name]
        return f"`{Path(command[0]).name} {' '.join(map(str, command[1:]))}`" + (" (baseline)" if name == "baseline" else "")

    # (key, program, screen, how it is measured given the scratch folder)
    runs = [(name, command_text(name), f"{WIDTH}x{HEIGHT}",
             lambda scratch, command=command: run_cpu(command, scratch, WIDTH, HEIGHT, (), args.warm_up,
                                                      args.window, args.hz))
            for name, command in programs.items()]
    runs += [(f"{name}, two monitors", command_text(name), f"{2 * WIDTH}x{HEIGHT}, 2 monitors",
              lambda scratch, name=name: run_cpu(programs[name], scratch, 2 * WIDTH, HEIGHT, TWO_MONITORS,
                                                 args.warm_up, args.window, args.hz))
             for name in lumoras]
    if args.daemon_user:
        listed = list(programs.values())
        runs += [(f"{name}, daemon", command_text(name) + " through the daemon", f"{WIDTH}x{HEIGHT}",
                  lambda scratch, index=index: run_daemon_cpu(args.daemon_user, listed, index, scratch,
                                                              args.warm_up, args.window, args.hz))
                 for index, (name, command) in enumerate(programs.items(), start=1)]
        # One hack a monitor, as the daemon runs them: lumora's against the hacks' one plus one.
        runs += [(f"{name}, daemon, two monitors", command_text(name) + " through the daemon, one a monitor",
                  f"{2 * WIDTH}x{HEIGHT}, 2 monitors",
                  lambda scratch, index=index: run_daemon_cpu(args.daemon_user, listed, index, scratch,
                                                              args.warm_up, args.window, args.hz, TWO_MONITORS))
                 for index, (name, command) in enumerate(programs.items(), start=1)]

    load_before = os.getloadavg()
    results = {key: [] for key, *_ in runs}
    firsts = {}
    with tempfile.TemporaryDirectory(prefix="lumora-bench-") as scratch_name:
        scratch = Path(scratch_name)
        os.chmod(scratch, 0o711)  # the daemon's user writes its log in a folder below
        for round_number in range(args.rounds):
            # A new order each round, so that a burst of the others' builds
            # does not always fall on the same program.
            shift = round_number % len(runs)
            for key, _, _, measure in runs[shift:] + runs[:shift]:
                print(f"round {round_number + 1}/{args.rounds}: {key}", file=sys.stderr)
                results[key].append(measure(scratch))
        for name, command in programs.items():
            if name == "baseline":
                continue
            print(f"first drawing: {name}", file=sys.stderr)
            firsts[name] = first_drawings(first_frame, command, scratch, args.starts, args.hz)
        print("allocations", file=sys.stderr)
        steady_from = 6
        readings = allocations(counter, lumora, scratch, steady_from + int(args.window), args.hz)
    load_after = os.getloadavg()

    def median(key, part="total"):
        return statistics.median(run[part] for run in results[key])

    print(f"### lumora beside XScreenSaver's hacks under Xvfb, {time.strftime('%Y-%m-%d %H:%M')}")
    print()
    print(f"lumora: {build_name(lumora)}" + (f"; baseline: {build_name(baseline)}" if baseline else "")
          + (f"; the screen at {args.hz} Hz" if args.hz else "; the screen at Xvfb's mode (0 Hz)") + ".")
    print()
    print(f"{os.cpu_count()} CPUs, load {load_before[0]:.1f} before, "
          f"{load_after[0]:.1f} after. CPU: {args.warm_up:g} s warm-up + {args.window:g} s measured, "
          f"rounds: {args.rounds}, median (least–most). First drawing: starts: {args.starts} after one "
          "warm-up, as the DAMAGE extension reports it (a hack's first clear of the screen counts).")
    print()
    print("| program | screen | CPU s per 10 s, hack + Xvfb | hack | Xvfb | first drawing, ms |")
    print("| --- | --- | ---: | ---: | ---: | ---: |")
    for key, program, screen, _ in runs:
        first = spread(firsts[key], 1) if key in firsts else "–"
        print(f"| {program} | {screen} | {spread([r['total'] for r in results[key]])} | "
              f"{median(key, 'hack'):.2f} | {median(key, 'server'):.2f} | {first} |")
    print()

    cheapest = min(("euler2d", "galaxy", "starfish"), key=median)
    first = statistics.median(firsts["lumora"])
    rss = statistics.median(run["VmRSS"] for run in results["lumora"])
    hwm = statistics.median(run["VmHWM"] for run in results["lumora"])
    steady = [count for at, count in readings[steady_from - 1:]]
    per_second = (steady[-1] - steady[0]) / (readings[-1][0] - readings[steady_from - 1][0])
    settling = [(round(at), later - earlier) for (at, later), (_, earlier)
                in zip(readings[1:steady_from], readings[:steady_from - 1]) if later != earlier]
    met = lambda ok: "yes" if ok else "**no**"  # noqa: E731
    print("| goal | measured | target | met |")
    print("| --- | --- | --- | --- |")
    for name in lumoras:
        ratio = median(name) / median(cheapest)
        print(f"| CPU: {name} / the cheapest hack ({cheapest}) | {median(name):.2f} / {median(cheapest):.2f} "
              f"= {ratio:.2f} | ≤ 0.5 | {met(ratio <= 0.5)} |")
        if args.daemon_user:
            cheapest_there = min(("euler2d", "galaxy", "starfish"), key=lambda hack: median(f"{hack}, daemon"))
            there = median(f"{name}, daemon") / median(f"{cheapest_there}, daemon")
            print(f"| CPU through the daemon: {name} / the cheapest hack ({cheapest_there}) | "
                  f"{median(f'{name}, daemon'):.2f} / {median(f'{cheapest_there}, daemon'):.2f} = {there:.2f} | "
                  f"≤ 0.5 | {met(there <= 0.5)} |")
            two_there = lambda hack: median(f"{hack}, daemon, two monitors")  # noqa: E731
            cheapest_two = min(("euler2d", "galaxy", "starfish"), key=two_there)
            ratio_two = two_there(name) / two_there(cheapest_two)
            print(f"| CPU through the daemon on two monitors: {name} / the cheapest hack ({cheapest_two}), "
                  f"one a monitor each | {two_there(name):.2f} / {two_there(cheapest_two):.2f} = {ratio_two:.2f} | "
                  f"≤ 0.5 | {met(ratio_two <= 0.5)} |")
        one, two = median(name), median(f"{name}, two monitors")
        print(f"| CPU of {name} on two monitors / on one + one | {two:.2f} / {2 * one:.2f} = {two / (2 * one):.2f} "
              f"| ≤ 1 | {met(two <= 2 * one)} |")
    print(f"| first frame of `lumora -root` | {first:.1f} ms | < 100 ms | {met(first < 100)} |")
    print(f"| resident memory without music, VmRSS / VmHWM after {args.warm_up + args.window:g} s | "
          f"{rss:.1f} / {hwm:.1f} MB | < 30 MB | {met(max(rss, hwm) < 30)} |")
    print(f"| heap allocations in the steady state (from {steady_from} s to {readings[-1][0]:.0f} s) | "
          f"{per_second:.1f} per s | 0 | {met(per_second == 0)} |")
    print()
    print(f"lumora allocated {readings[0][1]} times in its first second"
          + ("" if not settling else ", then " + ", ".join(f"{n} more by {at} s" for at, n in settling))
          + ".")


if __name__ == "__main__":
    main()
