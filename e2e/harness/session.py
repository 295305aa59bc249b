"""A Session: its own Wine prefix (a hard-linked copy of the template), its own
Xvfb, and one warm Wine server that the programs it starts share. It ends only
the processes it started."""
import os
import pwd
import re
import shutil
import subprocess
import tempfile
import time
from pathlib import Path

from .prepare import prepare, ready
from . import sound
from .wine import CACHE, INSTALLED, WINE, WINESERVER, base_env, built, wine
from .xserver import Xvfb


def copy_template(prefix, linked=True):
    """The template prefix copied to `prefix`: hard links make the copy instant,
    and the registry files, the only ones Wine rewrites in place, get copies of
    their own. Unlinked for a prefix that will change owner."""
    subprocess.run(["cp", "-al" if linked else "-a", str(CACHE / "prefix"), str(prefix)], check=True)
    if linked:
        for reg in Path(prefix).glob("*.reg"):
            data = reg.read_bytes()
            reg.unlink()
            reg.write_bytes(data)


class Place:
    """What a session and a sandbox have alike: a prefix with a user, and a
    folder that the sound of their programs is captured into."""

    @property
    def appdata(self):
        """%APPDATA% as a Unix path."""
        return self.prefix / "drive_c" / "users" / self.user_name / "AppData" / "Roaming"

    @property
    def local_appdata(self):
        return self.appdata.parent / "Local"

    def captured(self, name):
        """Everything captured under `name`, the files of every device open joined."""
        return sound.captured(self.capture_folder, name)


class Result:
    def __init__(self, code, out, timed_out):
        self.code, self.out, self.timed_out = code, out, timed_out


class Session(Place):
    def __init__(self, name, screen="1024x768x24", registry=(), monitors=None, hold_pointer=False):
        """`registry`: (key, value name, type, data) entries set in this session's
        prefix before its Wine server starts (LogPixels and the like are read
        only then). `monitors`: xrandr --setmonitor arguments, which split the
        one Xvfb screen into monitors as Wine's Xinerama view sees them.
        `hold_pointer`: keeps an X client connected for the session's life, as
        Xvfb puts the pointer back in the middle whenever its last client leaves,
        which happens between two runs of a program."""
        if not ready():
            prepare()
        self.tmp = Path(tempfile.mkdtemp(prefix=f"lumora-{name}-"))
        self.prefix = self.tmp / "prefix"
        self.user_name = pwd.getpwuid(os.getuid()).pw_name
        self.capture_folder = self.tmp / "capture"
        self._procs = []
        self._sandboxes = []
        self._count = 0
        copy_template(self.prefix)
        if monitors:
            # Wine takes the monitors from Xinerama, which follows RandR's
            # monitor list, only when it does not use RandR itself.
            registry = [*registry, (r"HKCU\Software\Wine\X11 Driver", "UseXRandR", "REG_SZ", "N")]
        if registry:
            setup = base_env(self.prefix)
            for key, value_name, kind, data in registry:
                wine(setup, "reg", "add", key, "/v", value_name, "/t", kind, "/d", str(data), "/f")
            subprocess.run([WINESERVER, "-w"], env=setup, timeout=120, check=False)
        self._xvfb = Xvfb(screen, monitors or ())
        self.display = self._xvfb.display
        self.env = base_env(self.prefix)
        self.env["DISPLAY"] = self.display
        self._keeper = None
        if hold_pointer:
            # A client that stays: xdotool waiting for a window that never comes.
            self._keeper = subprocess.Popen(["xdotool", "search", "--sync", "--name", "^no window has this title$"],
                                            env=self.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self._server = subprocess.Popen([WINESERVER, "-f", "-p", "300"], env=self.env,
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        # The first start is slow and moves the pointer; get it over with.
        wine(self.env, "cmd", "/c", "exit")

    def reg_add(self, key, value_name, data, kind="REG_SZ", default=False):
        """Sets a registry value through the running server (`default`: the key's
        unnamed value)."""
        name = ["/ve"] if default else ["/v", value_name]
        wine(self.env, "reg", "add", key, *name, "/t", kind, "/d", str(data), "/f")

    def report_crashes(self):
        """A crash ends the program with a report on its output rather than leave
        a dialog on the screen that later runs would see."""
        self.reg_add(r"HKCU\Software\Wine\WineDbg", "ShowCrashDialog", 0, kind="REG_DWORD")

    # Sound ----------------------------------------------------------------------
    def capture(self, name):
        """Environment for a program whose sound goes into files named `name`*:
        one sound device, ALSA's file plugin over the null device."""
        self.capture_folder.mkdir(exist_ok=True)
        return sound.capture_env(self.tmp, self.capture_folder / name)

    def no_sound(self):
        """Environment for a program that finds no sound device at all."""
        empty = self.tmp / "no-asound.conf"
        empty.write_text("")
        return {"ALSA_CONFIG_PATH": str(empty)}

    @property
    def system32(self):
        return self.prefix / "drive_c" / "windows" / "system32"

    # Programs -----------------------------------------------------------------
    def install(self, folder_name="Lumora", extra=()):
        """A fresh program folder holding Lumora.scr and the helpers, and the
        `extra` helpers asked for."""
        self._count += 1
        folder = self.tmp / "programs" / f"{self._count:02d}" / folder_name
        folder.mkdir(parents=True)
        for name in (*INSTALLED, *extra):
            shutil.copy(built(name), folder / name)
        return folder

    def start(self, exe, *args, env=None, wrap=()):
        """Starts a Windows program; its output goes to files, never pipes. `wrap`
        goes in front of the Wine command (another user, another mount namespace)."""
        self._count += 1
        out = self.tmp / f"out-{self._count}.txt"
        with open(out, "wb") as sink:
            proc = subprocess.Popen([*wrap, WINE, str(exe), *args], env={**self.env, **(env or {})},
                                    stdin=subprocess.DEVNULL, stdout=sink, stderr=subprocess.STDOUT)
        proc.out_path = out
        self._procs.append(proc)
        return proc

    def run(self, exe, *args, timeout=20, env=None, wrap=()):
        proc = self.start(exe, *args, env=env, wrap=wrap)
        try:
            code = proc.wait(timeout=timeout)
            timed_out = False
        except subprocess.TimeoutExpired:
            proc.kill()
            proc.wait()
            code, timed_out = None, True
        return Result(code, output(proc), timed_out)

    def wait_output(self, proc, text, timeout=20):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            if text in output(proc):
                return True
            if proc.poll() is not None:
                return False
            time.sleep(0.05)
        return False

    # X ------------------------------------------------------------------------
    def xdotool(self, *args, timeout=10):
        return self._xvfb.xdotool(*args, timeout=timeout)

    def windows(self, title, visible=False):
        """X windows whose title is exactly this one (shown ones only, if `visible`)."""
        return self.xdotool("search", *(["--onlyvisible"] if visible else []),
                            "--name", "^" + re.escape(title) + "$")

    def wait_window(self, title, timeout=20):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            found = self.windows(title)
            if found:
                return found
            time.sleep(0.1)
        return []

    def wait_gone(self, title, timeout=10):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            if not self.windows(title):
                return True
            time.sleep(0.1)
        return False

    def geometry(self, window):
        """X, Y, WIDTH and HEIGHT of an X window, as numbers."""
        shell = dict(kv.split("=", 1) for kv in self.xdotool("getwindowgeometry", "--shell", window) if "=" in kv)
        return {k: int(shell[k]) for k in ("X", "Y", "WIDTH", "HEIGHT") if k in shell}

    def grab(self):
        """The whole screen now, as xwd bytes (quick; convert later)."""
        return self._xvfb.grab()

    def screenshot(self, path, grabbed=None):
        grabbed = self.grab() if grabbed is None else grabbed
        subprocess.run(["convert", "xwd:-", str(path)], input=grabbed, check=True, timeout=60)
        return path

    def pointer(self, x, y):
        """Puts the pointer at (x, y) and waits until it is there."""
        self.xdotool("mousemove", str(x), str(y))
        deadline = time.monotonic() + 5
        while time.monotonic() < deadline:
            where = dict(kv.split("=") for kv in self.xdotool("getmouselocation", "--shell") if "=" in kv)
            if (where.get("X"), where.get("Y")) == (str(x), str(y)):
                return
            time.sleep(0.02)
        raise AssertionError(f"the pointer did not reach {x}, {y}")

    def activate(self, window):
        """Makes a Wine window active again, with the keyboard's focus, by a click
        on its caption, as a user would. Without a window manager, on a busy
        machine, Wine now and then drops a window's activation just after another
        window of the program opened or closed: the caption turns grey and keys
        reach nothing, even with X's input focus on the window and even when the
        program makes the window active itself. Clicking an active window's
        caption is harmless."""
        geometry = self.geometry(window)
        self.pointer(geometry["X"] + 60, geometry["Y"] + 10)
        self.xdotool("click", "1")
        time.sleep(0.3)
        self.xdotool("windowfocus", "--sync", window)

    # End ----------------------------------------------------------------------
    def stop(self, proc):
        if proc.poll() is None:
            proc.kill()
        proc.wait()

    def close(self):
        for proc in self._procs:
            self.stop(proc)
        for sandbox in reversed(self._sandboxes):
            sandbox.close()
        subprocess.run([WINESERVER, "-k"], env=self.env, timeout=60, check=False,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            self._server.wait(timeout=30)
        except subprocess.TimeoutExpired:
            self._server.kill()
        if self._keeper is not None:
            self._keeper.kill()
            self._keeper.wait()
        self._xvfb.close()
        shutil.rmtree(self.tmp, ignore_errors=True)


def output(proc):
    """What a program started by a Session wrote so far."""
    return Path(proc.out_path).read_bytes().decode("utf-8", "replace")
