"""XScreenSaver's own daemon running the Linux edition's `lumora` as a desktop
runs it: as a user without privileges (the daemon starts no hack as root), on
an Xvfb display of its own split into monitors, with the user's ~/.xscreensaver
naming the built program and the hacks' sound captured.

The daemon is driven with xscreensaver-command and tells in its log what it
started ("N: forked "..." in pid P on window 0x..."): that is how the hacks, one
per monitor, are found. XScreenSaver's settings program runs as the same user,
on the same display. Needs root, as the Sandbox does (another user's files and
processes, and a mount)."""
import os
import pwd
import re
import shutil
import signal
import subprocess
import tempfile
import time
from collections import namedtuple
from pathlib import Path

from . import screen, sound
from .sandbox import MountNamespace
from .wine import E2E
from .xserver import Xvfb, stop

USER = "lumora-saver"
# Named apart from LUMORA_BIN, the Windows build's, so that one run can use both.
BUILD = Path(os.environ.get("LUMORA_LINUX_BIN", E2E.parent / "build" / "linux")).resolve()
PROGRAM = BUILD / "lumora"
# Side by side. The second takes over the screen's output: left alone, that
# output keeps a monitor of its own enclosing both, and the daemon, seeing one
# monitor inside another, uses the outer one only.
TWO_MONITORS = (("left", "800/211x600/158+0+0", "none"), ("right", "800/211x600/158+800+0", "screen"))

HACK_FOLDER = Path("/usr/libexec/xscreensaver")
PAGE_FOLDER = Path("/usr/share/xscreensaver/config")
Hack = namedtuple("Hack", "screen command pid window")
FORKED = re.compile(r'(\d+): forked "(.*)" in pid (\d+) on window (0x[0-9a-f]+)')


def ensure_user():
    try:
        return pwd.getpwnam(USER)
    except KeyError:
        subprocess.run(["useradd", "--system", "--no-create-home", "--home-dir", "/nonexistent",
                        "--shell", "/usr/sbin/nologin", USER], check=True)
        return pwd.getpwnam(USER)


def box(monitor):
    """(left, top, right, bottom) of an xrandr --setmonitor geometry."""
    width, height, left, top = map(int, re.fullmatch(r"(\d+)/\d+x(\d+)/\d+\+(\d+)\+(\d+)", monitor[1]).groups())
    return left, top, left + width, top + height


def state(pid):
    """The process's state letter (R, S, T when stopped, Z when ended but not
    yet reaped), "" once it is gone."""
    try:
        return Path(f"/proc/{pid}/stat").read_text().rsplit(")", 1)[1].split()[0]
    except (FileNotFoundError, ProcessLookupError):
        return ""


def alive(pid):
    return state(pid) not in ("", "Z")


def holders(folder):
    """The processes (but this one) that have a file in `folder` open."""
    inside = str(folder) + "/"
    found = set()
    for proc in Path("/proc").iterdir():
        if not proc.name.isdigit() or int(proc.name) == os.getpid():
            continue
        try:
            if any(os.readlink(fd).startswith(inside) for fd in (proc / "fd").iterdir()):
                found.add(int(proc.name))
        except (FileNotFoundError, ProcessLookupError, PermissionError):
            continue
    return found


def wait_for(check, timeout, step=0.05):
    """check()'s first true answer within `timeout` seconds, else its last."""
    deadline = time.monotonic() + timeout
    while True:
        answer = check()
        if answer or time.monotonic() > deadline:
            return answer
        time.sleep(step)


class SaverUser:
    """The user a desktop runs the saver as, in a folder of its own: a home with
    the settings file, a private runtime folder, and a sound device captured."""

    def __init__(self, name):
        self.user = ensure_user()
        self.tmp = Path(tempfile.mkdtemp(prefix=f"lumora-{name}-"))
        # The user reaches the program, the music and the capture folder through it.
        os.chmod(self.tmp, 0o755)
        self.home = self.tmp / "home"
        self.settings_file = self.home / ".config" / "lumora" / "lumora.ini"
        self.settings_file.parent.mkdir(parents=True)
        self.runtime = self.tmp / "runtime"
        self.runtime.mkdir(mode=0o700)
        self.capture_folder = self.tmp / "capture"
        self.capture_folder.mkdir()
        self._env = {"PATH": "/usr/local/bin:/usr/bin:/bin", "HOME": str(self.home), "USER": USER,
                     "LOGNAME": USER, "LANG": "C.UTF-8", "XDG_CONFIG_HOME": str(self.home / ".config"),
                     "XDG_RUNTIME_DIR": str(self.runtime),
                     **sound.capture_env(self.tmp, self.capture_folder / "sound", into_pipe=True)}
        self.give(self.home, self.runtime, self.capture_folder)
        self._capture = sound.PacedCapture(self.capture_folder / "sound", self.tmp / "heard.raw")
        self.program = self._reachable(PROGRAM)

    def give(self, *paths):
        subprocess.run(["chown", "-R", f"{self.user.pw_uid}:{self.user.pw_gid}", *map(str, paths)], check=True)

    def _as_user(self, *command):
        # setpriv runs the command in its own process (its id is the program's),
        # and ends it with this one: a run killed from outside leaves nothing.
        return ["setpriv", f"--reuid={self.user.pw_uid}", f"--regid={self.user.pw_gid}", "--clear-groups",
                "--pdeathsig=TERM", "env", "-i", *(f"{k}={v}" for k, v in self._env.items()), *command]

    def _reachable(self, program):
        """The program where the user can run it: where it was built, unless a
        folder on the way is closed to others."""
        if subprocess.run(self._as_user("test", "-x", str(program))).returncode == 0:
            return program
        copy = self.tmp / program.name
        shutil.copy(program, copy)
        os.chmod(copy, 0o755)
        return copy

    def settings(self, data):
        """Puts `data` (bytes) into the user's lumora.ini."""
        self.settings_file.write_bytes(data)
        os.chmod(self.settings_file, 0o644)

    def music_file(self, name, frequency, seconds=2.0):
        """A WAV tone the user can read; its path."""
        path = self.tmp / name
        sound.write_tone(path, frequency, seconds)
        os.chmod(path, 0o644)
        return path

    def heard(self):
        return sound.tone(self._capture.record.read_bytes())

    def players(self):
        """The processes that hold the sound device (the capture file) open."""
        return holders(self.capture_folder)

    def forget_sound(self):
        self._capture.record.write_bytes(b"")

    def sound_server(self):
        """The user's sound server, in the runtime folder the daemon's hacks are told of."""
        return sound.SoundServer(self._as_user, self.tmp / "served.raw")

    def close(self):
        self._capture.close()
        shutil.rmtree(self.tmp, ignore_errors=True)


class Daemon(SaverUser):
    """`programs`: the options of each programs: entry, which all run the
    built lumora; -select takes their numbers from 1."""

    def __init__(self, name, programs, monitors=TWO_MONITORS, screen_size="1600x600x24"):
        super().__init__(name)
        self.log_path = self.home / "xscreensaver.log"
        self.boxes = [box(m) for m in monitors]
        self._hacks = []
        self._mounts = None
        self._settings_app = None
        entries = " \\n\\\n\t\t".join(f"{self.program} {options}".strip() for options in programs)
        (self.home / ".xscreensaver").write_text(
            "mode:\t\tone\ntimeout:\t0:15:00\ncycle:\t\t0:00:00\nlock:\t\tFalse\nfade:\t\tFalse\n"
            "unfade:\t\tFalse\nsplash:\t\tFalse\ndpmsEnabled:\tFalse\n"
            f"programs:\t{entries} \\n\n")
        self.give(self.home / ".xscreensaver")
        self._xvfb = Xvfb(screen_size, monitors)
        self.display = self._xvfb.display
        self._env["DISPLAY"] = self.display
        self.proc = subprocess.Popen(self._as_user("xscreensaver", "--no-splash", "--log", str(self.log_path)),
                                     stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                     stderr=subprocess.DEVNULL)
        if not wait_for(lambda: self.command("-version").returncode == 0, 20, 0.2):
            self.close()
            raise RuntimeError("xscreensaver did not start")

    # Driving ------------------------------------------------------------------
    def command(self, *args):
        return subprocess.run(self._as_user("xscreensaver-command", *args), capture_output=True, text=True,
                              timeout=30)

    def log(self):
        return self.log_path.read_text(errors="replace") if self.log_path.exists() else ""

    def select(self, number, timeout=20):
        """Blanks with programs: entry `number` and waits until it runs on every
        monitor: the hacks by screen, and the log's length before the
        command, where what the hacks said starts."""
        mark = len(self.log())
        self.command("-select", str(number))
        hacks = wait_for(lambda: self._forked(mark, len(self.boxes)), timeout)
        if not hacks:
            raise AssertionError(f"the daemon started no hack on each monitor:\n{self.log()[mark:]}")
        # The log tells a hack's process as soon as it is forked, before the
        # program is in it.
        program = os.path.realpath(self.program)
        if not wait_for(lambda: all(os.path.realpath(f"/proc/{h.pid}/exe") == program for h in hacks), timeout):
            raise AssertionError(f"a hack is not {program}:\n{self.log()[mark:]}")
        self._hacks += hacks
        return hacks, mark

    def _forked(self, mark, count):
        found = [Hack(int(s), c, int(p), int(w, 16)) for s, c, p, w in FORKED.findall(self.log()[mark:])]
        return sorted(found) if len(found) >= count else None

    def deactivate(self, timeout=10):
        """Un-blanks; the seconds from the command until every hack is gone,
        None when one is still there after `timeout`."""
        pids = [hack.pid for hack in self._hacks if alive(hack.pid)]
        started = time.monotonic()
        self.command("-deactivate")
        if not wait_for(lambda: not any(alive(pid) for pid in pids), timeout, 0.01):
            return None
        return time.monotonic() - started

    # What shows and sounds ----------------------------------------------------
    def grab(self, window=None):
        return self._xvfb.grab(window)

    def geometry(self, window):
        return self._xvfb.geometry(window)

    def settled(self, window, before, timeout=20):
        return self._xvfb.settled(window, before, timeout)

    def xdotool(self, *args):
        return self._xvfb.xdotool(*args)

    def stars(self, grabbed=None):
        """The middles of the plus-shaped stars on each monitor, as sets."""
        width, height = max(b[2] for b in self.boxes), max(b[3] for b in self.boxes)
        raw = screen.rgb(grabbed or self.grab(), width, height)
        return [set(screen.stars(raw, width, b)[1]) for b in self.boxes]

    # XScreenSaver's settings program ------------------------------------------
    def settings_dialog(self, page, timeout=30):
        """xscreensaver-settings with the first programs: entry's settings dialog
        open, made from `page` (the program's XML file); the dialog's window.
        The settings program finds the page among the stock ones: a folder of
        them all is mounted over theirs, for its eyes only."""
        pages = self.tmp / "pages"
        shutil.copytree(PAGE_FOLDER, pages)
        shutil.copy(page, pages)
        self._mounts = MountNamespace()
        subprocess.run([*self._mounts.enter, "mount", "--bind", str(pages), str(PAGE_FOLDER)], check=True)
        # Its list then opens on that entry, and the dialog on the screen, not
        # beside the main window, which fills a small screen.
        with open(self.home / ".xscreensaver", "a") as resources:
            resources.write("selected:\t0\nsettingsGeom:\t0,0 16,16\n")
        # With no session bus to reach, GTK starts none (one that would outlive
        # the program) and the program runs on without.
        self._settings_app = subprocess.Popen(
            [*self._mounts.enter, *self._as_user("env", "NO_AT_BRIDGE=1", "DBUS_SESSION_BUS_ADDRESS=disabled:",
                                                 "xscreensaver-settings")],
            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        main = wait_for(lambda: self.xdotool("search", "--onlyvisible", "--name", "^XScreenSaver"), timeout, 0.1)
        if not main:
            raise RuntimeError("xscreensaver-settings showed no window")
        self.xdotool("windowfocus", "--sync", main[0], "key", "alt+s")  # its Settings... button
        dialog = wait_for(lambda: [w for w in self.xdotool("search", "--onlyvisible", "--name", " Settings$")
                                   if w not in main], timeout, 0.1)
        if not dialog:
            raise RuntimeError("xscreensaver-settings opened no settings dialog")
        return int(dialog[0])

    # End ----------------------------------------------------------------------
    def close(self):
        if self._settings_app is not None:
            self._settings_app.terminate()
            self._settings_app.wait()
        if self._mounts is not None:
            self._mounts.close()
        if self.proc.poll() is None:
            self.command("-exit")
            try:
                self.proc.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self.proc.terminate()
                self.proc.wait()
        for hack in self._hacks:
            if alive(hack.pid):
                os.kill(hack.pid, signal.SIGKILL)
        self._xvfb.close()
        super().close()


class Mate:
    """mate-screensaver running lumora as its one theme, on a display and a
    session bus of its own, as root. MATE runs only programs from
    XScreenSaver's hack folder: in a private mount namespace that folder is
    replaced by one holding lumora alone, for mate-screensaver's eyes only."""

    def __init__(self, name, options="-root"):
        self.tmp = Path(tempfile.mkdtemp(prefix=f"lumora-{name}-"))
        hacks = self.tmp / "hacks"
        hacks.mkdir()
        shutil.copy(PROGRAM, hacks / "lumora")
        themes = self.tmp / "share" / "applications" / "screensavers"
        themes.mkdir(parents=True)
        (themes / "lumora.desktop").write_text(
            f"[Desktop Entry]\nName=Lumora\nExec={HACK_FOLDER / 'lumora'} {options}\n"
            f"TryExec={HACK_FOLDER / 'lumora'}\nType=Application\nCategories=Screensaver;\n")
        self.settings_file = self.tmp / "home" / ".config" / "lumora" / "lumora.ini"
        self.settings_file.parent.mkdir(parents=True)
        self._xvfb = Xvfb("800x600x24")
        self.boxes = [(0, 0, 800, 600)]
        self._mounts = MountNamespace()
        subprocess.run([*self._mounts.enter, "mount", "--bind", str(hacks), str(HACK_FOLDER)], check=True)
        # The user's (root's) runtime folder, where the system would make it
        # at login; MATE does not tell its hacks where it is.
        subprocess.run([*self._mounts.enter, "sh", "-c", "mkdir -p /run/user && mount -t tmpfs -o mode=755 tmpfs /run/user && "
                        "mkdir -m 700 /run/user/0"], check=True)
        self.env = {"PATH": "/usr/local/bin:/usr/bin:/bin", "HOME": str(self.tmp / "home"), "LANG": "C.UTF-8",
                    "XDG_RUNTIME_DIR": str(self.tmp), "XDG_DATA_HOME": str(self.tmp / "share"),
                    "DISPLAY": self._xvfb.display, "NO_AT_BRIDGE": "1", "GSETTINGS_BACKEND": "keyfile"}
        # The settings in a file of this home's, so that the bus starts no
        # settings service; any service it does start gets this home, not ours.
        self._bus = subprocess.Popen(["dbus-daemon", "--session", "--nofork", "--print-address=1"], env=self.env,
                                     stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        self.env["DBUS_SESSION_BUS_ADDRESS"] = self._bus.stdout.readline().strip()
        for key, value in (("mode", "single"), ("themes", "['screensavers-lumora']"), ("lock-enabled", "false")):
            self._run("gsettings", "set", "org.mate.screensaver", key, value)
        with open(self.tmp / "mate.log", "wb") as log:
            self.proc = subprocess.Popen([*self._mounts.enter, "mate-screensaver", "--no-daemon", "--debug"], env=self.env,
                                         stdin=subprocess.DEVNULL, stdout=log, stderr=subprocess.STDOUT)
        if not wait_for(lambda: self._run("mate-screensaver-command", "--query").returncode == 0, 20, 0.2):
            self.close()
            raise RuntimeError("mate-screensaver did not start")

    def _run(self, *command):
        return subprocess.run(command, env=self.env, capture_output=True, text=True, timeout=30)

    def sound_server(self):
        """The sound server of the user's runtime folder, /run/user/0 as MATE's hacks see it."""
        return sound.SoundServer(lambda *command: [*self._mounts.enter, "env", "-i", f"HOME={self.tmp / 'home'}",
                                                   "XDG_RUNTIME_DIR=/run/user/0", f"PATH={self.env['PATH']}",
                                                   *command], self.tmp / "served.raw")

    def hacks(self):
        """The programs mate-screensaver runs now."""
        children = []
        for stat in Path("/proc").glob("[0-9]*/stat"):
            try:
                fields = stat.read_text().rsplit(")", 1)[1].split()
            except (FileNotFoundError, ProcessLookupError):
                continue
            if int(fields[1]) == self.proc.pid and fields[0] != "Z":
                children.append(int(stat.parent.name))
        return children

    def activate(self, timeout=20):
        self._run("mate-screensaver-command", "--activate")
        return wait_for(self.hacks, timeout)

    def deactivate(self, timeout=10):
        """Seconds until its programs are gone, None when one is still there after `timeout`."""
        pids = self.hacks()
        started = time.monotonic()
        self._run("mate-screensaver-command", "--deactivate")
        if not wait_for(lambda: not any(alive(pid) for pid in pids), timeout, 0.01):
            return None
        return time.monotonic() - started

    def stars(self):
        return [set(screen.stars(screen.rgb(self._xvfb.grab(), 800, 600), 800)[1])]

    def close(self):
        if self.proc.poll() is None:
            stop(self.proc)
        self._bus.terminate()
        self._bus.wait()
        self._bus.stdout.close()
        self._mounts.close()
        self._xvfb.close()
        shutil.rmtree(self.tmp, ignore_errors=True)
