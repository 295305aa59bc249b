#!/usr/bin/env python3
"""The end-to-end harness: Lumora.scr and its helpers under Wine, on a private
Xvfb display, in a Japanese (code page 932) locale with Japanese fonts.

`harness.py prepare` builds what every test run shares and nobody changes: a
compiled ja_JP.UTF-8 locale and a template Wine prefix. Each test file then opens
one Session: its own prefix (a hard-linked copy of the template), its own Xvfb,
and one warm Wine server that its cases share. Every case installs the program
into a folder of its own. A Session ends only the processes it started.
"""
import array
import math
import os
import pwd
import re
import shutil
import subprocess
import sys
import tempfile
import time
import unittest
from pathlib import Path

WINE = "/usr/lib/wine/wine64"
WINESERVER = "/usr/lib/wine/wineserver64" if os.path.exists("/usr/lib/wine/wineserver64") else "wineserver"
TEMPLATE_VERSION = "4"

BIN = Path(os.environ.get("LUMORA_BIN", Path(__file__).resolve().parent.parent / "build" / "win64")).resolve()
CACHE = Path(os.environ.get("LUMORA_E2E_CACHE", BIN / "e2e-cache"))
# What Session.install puts in a program folder.
INSTALLED = ("Lumora.scr", "settings_probe.exe", "window_holder.exe", "pane_host.exe", "double_start.exe",
             "accessible_walk.exe")


def _base_env(prefix, lang="ja_JP.UTF-8"):
    env = {k: v for k, v in os.environ.items() if not k.startswith("LC_")}
    env.update(
        WINEPREFIX=str(prefix),
        WINEDEBUG="-all",
        WINEDLLOVERRIDES="mscoree,mshtml=",
        LOCPATH=str(CACHE / "locale"),
        LANG=lang,
        LANGUAGE="",
    )
    env.pop("DISPLAY", None)
    return env


def _wine(env, *args, timeout=120):
    subprocess.run([WINE, *args], env=env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL, timeout=timeout, check=False)


def prepare():
    """Builds the locale and the template prefix once per build folder."""
    CACHE.mkdir(parents=True, exist_ok=True)
    locale_dir = CACHE / "locale"
    if not (locale_dir / "ja_JP.UTF-8" / "LC_CTYPE").exists():
        locale_dir.mkdir(parents=True, exist_ok=True)
        # localedef warns about the charmap yet writes a working locale; judge by the file.
        subprocess.run(["localedef", "-i", "ja_JP", "-f", "UTF-8", str(locale_dir / "ja_JP.UTF-8")],
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=False)
        if not (locale_dir / "ja_JP.UTF-8" / "LC_CTYPE").exists():
            sys.exit("localedef could not build ja_JP.UTF-8 (is the 'locales' package installed?)")

    template = CACHE / "prefix"
    stamp = CACHE / "prefix.ready"
    if stamp.exists() and stamp.read_text() == TEMPLATE_VERSION:
        return
    shutil.rmtree(template, ignore_errors=True)
    env = _base_env(template)
    _wine(env, "wineboot", "-i", timeout=240)
    registry = [
        (r"HKCU\Software\Wine\Fonts\Replacements", "ＭＳ Ｐゴシック", "IPAPGothic"),
        (r"HKCU\Software\Wine\Fonts\Replacements", "ＭＳ ゴシック", "IPAGothic"),
        (r"HKCU\Software\Wine\Fonts\Replacements", "MS UI Gothic", "IPAPGothic"),
        (r"HKCU\Software\Wine\X11 Driver", "Decorated", "N"),
        # With no window manager to withdraw a managed window, Wine waits 2 s for
        # one on every exit; unmanaged windows end at once.
        (r"HKCU\Software\Wine\X11 Driver", "Managed", "N"),
        (r"HKCU\Software\Wine\Drivers", "Audio", "alsa"),
    ]
    for key, name, value in registry:
        _wine(env, "reg", "add", key, "/v", name, "/t", "REG_SZ", "/d", value, "/f")
    # Wine 8 does not find fonts-wine's Marlett by itself: without it the caption
    # buttons draw as letters.
    for marlett in (Path("/usr/share/wine/fonts/marlett.ttf"),
                    Path("/usr/share/fonts/truetype/wine/marlett.ttf")):
        if marlett.exists():
            shutil.copy(marlett, template / "drive_c" / "windows" / "Fonts" / "marlett.ttf")
            break
    # The first use of the sound system in a prefix sets up its devices, which can
    # take long enough on a busy machine to hold up a test; do it once, here.
    conf = CACHE / "asound.conf"
    conf.write_text(Session.ASOUND)
    probe = BIN / "e2e" / "settings_probe.exe"
    if probe.exists():
        _wine({**env, "ALSA_CONFIG_PATH": f"/usr/share/alsa/alsa.conf:{conf}"}, str(probe), "sound")
    subprocess.run([WINESERVER, "-w"], env=env, timeout=120, check=False)
    if not (template / "system.reg").exists():
        sys.exit("wineboot did not create a prefix")
    stamp.write_text(TEMPLATE_VERSION)


def tone(raw, rate=44100):
    """What 16-bit stereo samples at 44.1 kHz hold: (seconds with sound, the
    frequency of that sound from its zero crossings, RMS level of those parts
    as a share of full scale)."""
    left = array.array("h", raw[: len(raw) // 4 * 4])[::2]
    if sys.byteorder != "little":
        left.byteswap()
    window = 2048
    levels = []
    for start in range(0, len(left) - window + 1, window):
        chunk = left[start:start + window]
        levels.append((math.sqrt(sum(v * v for v in chunk) / window) / 32768, chunk))
    loud = [(rms, chunk) for rms, chunk in levels if rms >= 0.02]
    if not loud:
        return 0.0, 0.0, 0.0
    # The frequency from the windows that are sound all through, not the edges
    # of a play where part of the window is silence.
    top = max(rms for rms, _ in loud)
    steady = [chunk for rms, chunk in loud if rms >= 0.9 * top]
    crossings = sum(sum((a < 0) != (b < 0) for a, b in zip(c, c[1:])) for c in steady)
    frequency = crossings / 2 / (len(steady) * (window - 1) / rate)
    level = math.sqrt(sum(rms * rms for rms, _ in loud) / len(loud))
    return len(loud) * window / rate, frequency, level


def make_tones(wav, mp3):
    """The test sounds: a WAV of 440 Hz for a second and an MP3 of 1000 Hz for two,
    so that what is heard tells which one played."""
    subprocess.run(["sox", "-n", "-r", "22050", "-c", "1", "-b", "16", str(wav),
                    "synth", "1", "sine", "440", "vol", "0.5"], check=True)
    wave = subprocess.run(["sox", "-n", "-r", "44100", "-c", "2", "-b", "16", "-t", "wav", "-",
                           "synth", "2", "sine", "1000", "vol", "0.5"],
                          capture_output=True, check=True).stdout
    subprocess.run(["lame", "--quiet", "-b", "128", "-", str(mp3)], input=wave, check=True)


def win_path(path):
    """The Windows name of a Unix path under Wine's Z: drive."""
    return "Z:" + str(path).replace("/", "\\")


class Result:
    def __init__(self, code, out, timed_out):
        self.code, self.out, self.timed_out = code, out, timed_out


class Session:
    def __init__(self, name, screen="1024x768x24", registry=(), monitors=None):
        """`registry`: (key, value name, type, data) entries set in this session's
        prefix before its Wine server starts (LogPixels and the like are read
        only then). `monitors`: xrandr --setmonitor arguments, which split the
        one Xvfb screen into monitors as Wine's Xinerama view sees them."""
        if not (CACHE / "prefix.ready").exists():
            prepare()
        self.tmp = Path(tempfile.mkdtemp(prefix=f"lumora-{name}-"))
        self.prefix = self.tmp / "prefix"
        self._procs = []
        self._sandboxes = []
        self._count = 0
        # Hard links make the copy instant; the registry files are the only ones
        # Wine rewrites in place of the template's, so they get copies of their own.
        subprocess.run(["cp", "-al", str(CACHE / "prefix"), str(self.prefix)], check=True)
        for reg in self.prefix.glob("*.reg"):
            data = reg.read_bytes()
            reg.unlink()
            reg.write_bytes(data)
        if monitors:
            # Wine takes the monitors from Xinerama, which follows RandR's
            # monitor list, only when it does not use RandR itself.
            registry = [*registry, (r"HKCU\Software\Wine\X11 Driver", "UseXRandR", "REG_SZ", "N")]
        if registry:
            setup = _base_env(self.prefix)
            for key, name, kind, data in registry:
                _wine(setup, "reg", "add", key, "/v", name, "/t", kind, "/d", str(data), "/f")
            subprocess.run([WINESERVER, "-w"], env=setup, timeout=120, check=False)
        read_fd, write_fd = os.pipe()
        # -noreset: the monitors set below would vanish with the last client.
        self._xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_fd), "-noreset", "-screen", "0", screen, "-nolisten", "tcp"],
            pass_fds=(write_fd,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_fd)
        with os.fdopen(read_fd) as pipe:
            number = pipe.readline().strip()
        if not number:
            raise RuntimeError("Xvfb did not start")
        self.display = ":" + number
        self.env = _base_env(self.prefix)
        self.env["DISPLAY"] = self.display
        for monitor in monitors or ():
            subprocess.run(["xrandr", "--setmonitor", *monitor], env=self.env, stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL, timeout=20, check=True)
        self._server = subprocess.Popen([WINESERVER, "-f", "-p", "300"], env=self.env,
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        # The first start is slow and moves the pointer; get it over with.
        _wine(self.env, "cmd", "/c", "exit")

    # Sound ----------------------------------------------------------------------
    ASOUND = """pcm.!default {
    type plug
    slave { pcm "capture" format S16_LE rate 44100 channels 2 }
}
pcm.capture {
    type file
    slave.pcm "null"
    file { @func getenv vars [ AUDIO_CAPTURE ] default "/dev/null" }
    format "raw"
    truncate false
}
"""

    def capture(self, name):
        """Environment for a program whose sound goes into files named `name`*:
        one sound device, ALSA's file plugin over the null device."""
        conf = self.tmp / "asound.conf"
        if not conf.exists():
            conf.write_text(self.ASOUND)
        folder = self.tmp / "capture"
        folder.mkdir(exist_ok=True)
        return {"ALSA_CONFIG_PATH": f"/usr/share/alsa/alsa.conf:{conf}",
                "AUDIO_CAPTURE": str(folder / name)}

    def captured(self, name):
        """Everything captured under `name`, the files of every device open joined."""
        files = sorted((self.tmp / "capture").glob(name + "*"))
        return b"".join(f.read_bytes() for f in files)

    @property
    def appdata(self):
        """%APPDATA% of the session's prefix, as a Unix path."""
        return self.prefix / "drive_c" / "users" / pwd.getpwuid(os.getuid()).pw_name / "AppData" / "Roaming"

    @property
    def local_appdata(self):
        return self.appdata.parent / "Local"

    def no_sound(self):
        """Environment for a program that finds no sound device at all."""
        empty = self.tmp / "no-asound.conf"
        empty.write_text("")
        return {"ALSA_CONFIG_PATH": str(empty)}

    # Programs -----------------------------------------------------------------
    def install(self, folder_name="Lumora"):
        """A fresh program folder holding Lumora.scr and the helpers."""
        self._count += 1
        folder = self.tmp / "programs" / f"{self._count:02d}" / folder_name
        folder.mkdir(parents=True)
        for name in INSTALLED:
            shutil.copy(BIN / name if name == "Lumora.scr" else BIN / "e2e" / name, folder / name)
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
        return Result(code, Path(proc.out_path).read_bytes().decode("utf-8", "replace"), timed_out)

    def wait_output(self, proc, text, timeout=20):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            if text in Path(proc.out_path).read_text("utf-8", "replace"):
                return True
            if proc.poll() is not None:
                return False
            time.sleep(0.05)
        return False

    # X ------------------------------------------------------------------------
    def xdotool(self, *args, timeout=10):
        for _ in range(3):
            done = subprocess.run(["xdotool", *args], env=self.env, capture_output=True, text=True,
                                  timeout=timeout, check=False)
            # Debian's xdotool (3.20160805) ends a search with an X error and no
            # answer when any window goes away while it walks them (a chooser
            # closing); upstream mended that later. Asking again is safe for the
            # commands that only look.
            looks = args[0] == "search" or args[0].startswith("get")
            if not (looks and done.returncode != 0 and "X Error" in done.stderr):
                break
            time.sleep(0.1)
        return done.stdout.split()

    def windows(self, title):
        """X windows whose title is exactly this one (visible or not)."""
        return self.xdotool("search", "--name", "^" + re.escape(title) + "$")

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

    def grab(self):
        """The whole screen now, as xwd bytes (quick; convert later)."""
        return subprocess.run(["xwd", "-root", "-silent", "-display", self.display],
                              capture_output=True, check=True, timeout=30).stdout

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
        geometry = dict(kv.split("=") for kv in self.xdotool("getwindowgeometry", "--shell", window)
                        if "=" in kv)
        self.pointer(int(geometry["X"]) + 60, int(geometry["Y"]) + 10)
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
        self._xvfb.terminate()
        try:
            self._xvfb.wait(timeout=10)
        except subprocess.TimeoutExpired:
            self._xvfb.kill()
        shutil.rmtree(self.tmp, ignore_errors=True)


NOBODY = 65534


class Sandbox:
    """A Wine prefix of its own beside the session's, for what the session's
    cannot show: a user without privileges (root writes through every
    permission) and a private mount namespace (a small file system that only
    this prefix's processes see). Its own Wine server lives there too, as the
    server opens files for its programs. Runs on the session's display."""

    def __init__(self, session, name, user=None, private_mounts=False):
        self.session = session
        self.user = user
        self.root = session.tmp / "sandboxes" / name
        self.root.mkdir(parents=True)
        self.prefix = self.root / "prefix"
        self.home = self.root / "home"
        self.home.mkdir()
        self._holder = None
        self._server = None
        if user is None:
            subprocess.run(["cp", "-al", str(CACHE / "prefix"), str(self.prefix)], check=True)
            for reg in self.prefix.glob("*.reg"):
                data = reg.read_bytes()
                reg.unlink()
                reg.write_bytes(data)
        else:
            # A copy of its own, since ownership would pass to the template's files
            # through hard links. The user reaches it through the session's folder,
            # which Wine's file chooser must be able to list as well.
            subprocess.run(["cp", "-a", str(CACHE / "prefix"), str(self.prefix)], check=True)
            os.chmod(session.tmp, 0o755)
        # The file names the template server's socket folder, which is not ours.
        (self.prefix / "wineserver").unlink(missing_ok=True)
        if user is not None:
            subprocess.run(["chown", "-R", f"{user}:{user}", str(self.root)], check=True)
        self.user_name = pwd.getpwuid(user if user is not None else os.getuid()).pw_name
        self.env = {"WINEPREFIX": str(self.prefix), "HOME": str(self.home),
                    "USER": self.user_name, "LOGNAME": self.user_name}
        if private_mounts:
            # unshare makes the namespace and then becomes `sleep`: its id is the
            # namespace's handle once the namespace differs from ours.
            self._holder = subprocess.Popen(["unshare", "--mount", "--propagation", "private",
                                             "sleep", "infinity"], stdin=subprocess.DEVNULL)
            deadline = time.monotonic() + 10
            while os.readlink(f"/proc/{self._holder.pid}/ns/mnt") == os.readlink("/proc/self/ns/mnt"):
                if time.monotonic() > deadline:
                    raise RuntimeError("unshare made no mount namespace")
                time.sleep(0.01)
        if user is not None:
            # Wine makes a new user's profile with AppData alone; without a desktop
            # folder the file chooser's shell namespace is empty and it opens nothing.
            profile = self.prefix / "drive_c" / "users" / self.user_name
            for name in ("Desktop", "Documents", "Downloads", "Music", "Pictures", "Videos", "Temp"):
                (profile / name).mkdir(parents=True, exist_ok=True)
            subprocess.run(["chown", "-R", f"{user}:{user}", str(profile)], check=True)
        session._sandboxes.append(self)
        self._server = subprocess.Popen([*self.wrap, WINESERVER, "-f", "-p", "300"],
                                        env={**session.env, **self.env},
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.run("cmd", "/c", "exit", timeout=120)

    @property
    def wrap(self):
        """What goes in front of a command to run it in here."""
        around = []
        if self._holder is not None:
            around += ["nsenter", "-t", str(self._holder.pid), "-m", "--"]
        if self.user is not None:
            around += ["setpriv", f"--reuid={self.user}", f"--regid={self.user}", "--clear-groups"]
        return around

    def start(self, exe, *args, env=None):
        return self.session.start(exe, *args, env={**self.env, **(env or {})}, wrap=self.wrap)

    def run(self, exe, *args, timeout=20, env=None):
        return self.session.run(exe, *args, timeout=timeout, env={**self.env, **(env or {})},
                                wrap=self.wrap)

    def shell(self, script):
        """A root shell command in here (in the namespace, not as the user)."""
        around = ["nsenter", "-t", str(self._holder.pid), "-m", "--"] if self._holder else []
        return subprocess.run([*around, "sh", "-ec", script], capture_output=True, text=True,
                              timeout=60, check=True).stdout

    def seen(self, path):
        """The path as the sandbox's programs see it, readable from here: a
        mount made in the namespace shows only through its processes."""
        if self._holder is None:
            return Path(path)
        return Path(f"/proc/{self._holder.pid}/root") / Path(path).relative_to("/")

    def folder(self, name="Lumora"):
        """A program folder for this sandbox's user, like Session.install."""
        folder = self.session.install(name)
        if self.user is not None:
            subprocess.run(["chown", "-R", f"{self.user}:{self.user}", str(folder)], check=True)
        return folder

    def give(self, *paths):
        """Hands files or folders to the sandbox's user."""
        if self.user is not None:
            subprocess.run(["chown", "-R", f"{self.user}:{self.user}", *map(str, paths)], check=True)

    @property
    def appdata(self):
        """%APPDATA% as a Unix path."""
        return self.prefix / "drive_c" / "users" / self.user_name / "AppData" / "Roaming"

    @property
    def local_appdata(self):
        return self.appdata.parent / "Local"

    def capture(self, name):
        """Like Session.capture, in a folder this sandbox's user can write."""
        env = self.session.capture(name)
        folder = self.root / "capture"
        folder.mkdir(exist_ok=True)
        self.give(folder)
        env["AUDIO_CAPTURE"] = str(folder / name)
        return env

    def captured(self, name):
        return b"".join(f.read_bytes() for f in sorted((self.root / "capture").glob(name + "*")))

    def close(self):
        if self._server is None:
            return
        subprocess.run([*self.wrap, WINESERVER, "-k"], env={**self.session.env, **self.env},
                       timeout=60, check=False, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            self._server.wait(timeout=30)
        except subprocess.TimeoutExpired:
            self._server.kill()
            self._server.wait()
        self._server = None
        socket_folder = self.prefix / "wineserver"
        if socket_folder.exists():
            name = socket_folder.read_text().strip()
            if name.startswith("wine-") and "/" not in name:
                shutil.rmtree(Path(tempfile.gettempdir()) / name, ignore_errors=True)
        if self._holder is not None:
            self._holder.kill()
            self._holder.wait()


DIALOG_TITLE = "ルモラの設定"
DISPLAY_TITLE = "Lumora_Main"
CHOOSER_TITLE = "ﾌｧｲﾙを開く"


class Dialog:
    """Lumora.scr /c on screen, driven with the pointer and keys, in the session
    or in a sandbox (`place`). Coordinates are the client area's."""
    PANEL = (12, 16)            # the inner panel, inside the client area
    SOUND_FILE_MARK = (40, 86)  # "MP3、WAV", inside the panel
    NO_MUSIC_MARK = (40, 66)    # "無し"
    CHOOSE_BUTTON = (110, 86)   # "...", inside the panel
    SAVE_BUTTON = (400, 192)
    CANCEL_BUTTON = (310, 192)

    def __init__(self, session, folder, place=None):
        self.session, self.folder = session, folder
        self.place = place or session
        self.proc = self.place.start(folder / "Lumora.scr", "/c")
        if not session.wait_window(DIALOG_TITLE, timeout=40):
            session.stop(self.proc)
            raise AssertionError("no settings dialog")
        time.sleep(0.8)  # the opening zoom and the first frames
        self.origin = self.where(DIALOG_TITLE)["origin"]

    def where(self, title):
        """window, client and origin of a top-level window of this place."""
        out = self.place.run(self.folder / "window_holder.exe", "--probe", title).out
        return {k: tuple(int(v) for v in value.split(","))
                for k, value in re.findall(r"(\w+)=([-\d,]+)", out)}

    def click(self, x, y):
        self.session.pointer(self.origin[0] + x, self.origin[1] + y)
        self.session.xdotool("click", "1")
        time.sleep(0.3)

    def click_panel(self, spot):
        self.click(self.PANEL[0] + spot[0], self.PANEL[1] + spot[1])

    def open_chooser(self):
        """Chooses MP3/WAV and opens the file chooser; returns its X window."""
        self.click_panel(self.SOUND_FILE_MARK)
        self.click_panel(self.CHOOSE_BUTTON)
        found = self.session.wait_window(CHOOSER_TITLE)
        if not found:
            raise AssertionError("no file chooser")
        return found[0]

    def type_into_chooser(self, chooser, path):
        """Puts a path into the chooser's name box: typed on the keyboard when it is
        ASCII; otherwise set in the box, as xdotool, which types such characters
        through a remapped key each, loses their order on a busy machine. When
        typed keys were lost (Wine now and then drops the chooser's activation as
        it opens: Session.activate), the path is set in the box instead."""
        for typed in (path.isascii(), False):
            if typed:
                self.session.xdotool("windowfocus", "--sync", chooser)
                self.session.xdotool("key", "ctrl+a", "BackSpace")
                self.session.xdotool("type", "--delay", "20", path, timeout=60)
            else:
                self.place.run(self.folder / "window_holder.exe", "--type", CHOOSER_TITLE, path)
            deadline = time.monotonic() + 3
            while True:
                texts = self.place.run(self.folder / "window_holder.exe", "--texts", CHOOSER_TITLE).out
                if "text=" + path in texts.splitlines():
                    return
                if time.monotonic() > deadline:
                    break
                time.sleep(0.3)
            if typed:
                print("keys typed into the chooser were lost; the path is set in its box instead", flush=True)
        raise AssertionError(f"the chooser's name box does not hold {path}: {texts}")

    def press_return_in_chooser(self, chooser):
        """Return in the chooser, made active first: a chooser that has only just
        opened now and then misses a key (Session.activate)."""
        self.session.activate(chooser)
        self.session.xdotool("key", "Return")

    def choose_file(self, path):
        """Chooses the sound file `path` through the chooser, to its end."""
        chooser = self.open_chooser()
        self.type_into_chooser(chooser, path)
        for _ in range(3):
            self.press_return_in_chooser(chooser)
            if self.session.wait_gone(CHOOSER_TITLE, timeout=8):
                return
        raise AssertionError(f"the chooser did not take {path}")

    def save(self):
        self.click(*self.SAVE_BUTTON)

    def cancel(self):
        self.click(*self.CANCEL_BUTTON)

    def wait_closed(self, timeout=10):
        """The window gone and the program ended: one that is still ending holds
        the one-instance claim, and a start meanwhile ends at once."""
        if not self.session.wait_gone(DIALOG_TITLE, timeout=timeout):
            return False
        try:
            self.proc.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            return False
        return True

    def close(self):
        self.session.stop(self.proc)


def play_saver(session, folder, name, seconds=3.0, place=None):
    """Runs /s for a while with its sound captured under `name`, ends it with a
    key and returns what it played, as `tone` tells it."""
    place = place or session
    saver = place.start(folder / "Lumora.scr", "/s", env=place.capture(name))
    try:
        if not session.wait_window(DISPLAY_TITLE, timeout=40):
            raise AssertionError("the display did not open")
        time.sleep(seconds)
        if saver.poll() is not None:
            raise AssertionError("the display ended by itself")
        session.pointer(5, 5)
        session.xdotool("key", "a")
        if saver.wait(timeout=10) != 0:
            raise AssertionError(f"the display ended with {saver.returncode}")
    finally:
        session.stop(saver)
    return tone(place.captured(name))


class WineTestCase(unittest.TestCase):
    """One Session per test file, shared by its cases."""
    session = None

    @classmethod
    def setUpClass(cls):
        cls.session = Session(cls.__name__)

    @classmethod
    def tearDownClass(cls):
        if cls.session is not None:
            cls.session.close()


def main():
    """Runs a test file's cases; ends with the usual 'N passed, N failed' line."""
    program = unittest.main(exit=False, verbosity=2)
    result = program.result
    # A case counts once however many of its subtests failed or were skipped.
    def cases(entries):
        return {getattr(test, "test_case", test).id() for test, _ in entries}
    failed = cases(result.failures + result.errors)
    skipped = {test.id() for test, _ in result.skipped if not hasattr(test, "test_case")} - failed
    partly = len([test for test, _ in result.skipped if hasattr(test, "test_case")])
    print(f"e2e: {result.testsRun - len(failed) - len(skipped)} passed, {len(failed)} failed"
          + (f", {len(skipped)} skipped" if skipped else "")
          + (f" ({partly} subtests skipped)" if partly else ""))
    sys.exit(1 if failed or result.testsRun == 0 else 0)


if __name__ == "__main__":
    if sys.argv[1:] == ["prepare"]:
        prepare()
    else:
        sys.exit("usage: harness.py prepare")
