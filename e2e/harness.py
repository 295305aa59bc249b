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

BIN = Path(os.environ.get("LUMORA_BIN", Path(__file__).resolve().parent.parent / "build" / "win64"))
CACHE = Path(os.environ.get("LUMORA_E2E_CACHE", BIN / "e2e-cache"))


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
        for name in ("Lumora.scr", "settings_probe.exe", "window_holder.exe", "pane_host.exe", "accessible_walk.exe"):
            shutil.copy(BIN / name if name == "Lumora.scr" else BIN / "e2e" / name, folder / name)
        return folder

    def start(self, exe, *args, env=None):
        """Starts a Windows program; its output goes to files, never pipes."""
        self._count += 1
        out = self.tmp / f"out-{self._count}.txt"
        with open(out, "wb") as sink:
            proc = subprocess.Popen([WINE, str(exe), *args], env={**self.env, **(env or {})},
                                    stdin=subprocess.DEVNULL, stdout=sink, stderr=subprocess.STDOUT)
        proc.out_path = out
        self._procs.append(proc)
        return proc

    def run(self, exe, *args, timeout=20, env=None):
        proc = self.start(exe, *args, env=env)
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
        done = subprocess.run(["xdotool", *args], env=self.env, capture_output=True, text=True,
                              timeout=timeout, check=False)
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

    # End ----------------------------------------------------------------------
    def stop(self, proc):
        if proc.poll() is None:
            proc.kill()
        proc.wait()

    def close(self):
        for proc in self._procs:
            self.stop(proc)
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
    # A case whose sub-tests fail several times still counts once.
    failed = len({test.id().split(" ")[0] for test, _ in result.failures + result.errors})
    print(f"e2e: {result.testsRun - failed - len(result.skipped)} passed, {failed} failed"
          + (f", {len(result.skipped)} skipped" if result.skipped else ""))
    sys.exit(1 if failed or result.testsRun == 0 else 0)


if __name__ == "__main__":
    if sys.argv[1:] == ["prepare"]:
        prepare()
    else:
        sys.exit("usage: harness.py prepare")
