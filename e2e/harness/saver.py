"""The screen saver's run: Lumora.scr /s started under a resting pointer, its
window, its end by a key, a click or a move, and what it played."""
import re
import time

from . import titles
from .session import output
from .sound import tone
from .wine import win_path

KEY = ("key", "a")


class Saver:
    """One run of Lumora.scr with `args`, in the session or a sandbox (`place`).

    `sound`: the name its sound is captured under. `rest`: where the pointer
    rests before the start, so that only the test's own input ends it (None
    leaves it where it is). `launcher`: started through the folder's
    launcher.exe, which reports the exit code Windows gives its parent (a
    process that ends with an MP3 device open dies afterwards in GStreamer's
    clean-up with a Unix signal that no Windows program ever sees). `wait`:
    seconds to wait for its window, or 0 not to wait. `times` holds, from the
    start, when its window and its stars showed, and from the last input, when
    its window and its process were gone."""

    def __init__(self, session, folder, args=("/s",), place=None, sound=None, env=None, rest=(5, 5),
                 program=None, launcher=False, title=titles.DISPLAY, wait=40):
        self.session, self.place, self.title = session, place or session, title
        self.capture, self.launcher = sound, launcher
        self.times = {}
        self.window = None
        if rest:
            session.pointer(*rest)
        env = {**(self.place.capture(sound) if sound else {}), **(env or {})}
        program = program or folder / "Lumora.scr"
        self.started = time.monotonic()
        if launcher:
            line = " ".join([win_path(program), *args])
            self.proc = self.place.start(folder / "launcher.exe", line, "120000", env=env)
        else:
            self.proc = self.place.start(program, *args, env=env)
        if wait and not self.wait_window(wait):
            self.stop()
            raise AssertionError(f"no window titled {title}")

    def wait_window(self, timeout=40):
        found = self.session.wait_window(self.title, timeout=timeout)
        self.window = found[0] if found else None
        return found

    # State --------------------------------------------------------------------
    def output(self):
        return output(self.proc)

    def ended(self):
        return "exit=" in self.output() if self.launcher else self.proc.poll() is not None

    def code(self):
        """The exit code once it has ended, else None."""
        return launched_code(self.proc) if self.launcher else self.proc.poll()

    def running(self):
        return not self.ended() and bool(self.session.windows(self.title, visible=True))

    def wait_covered(self, timeout=20):
        """Waits until the screen shows the first frame: a thousand stars with
        white cores over black (the bare desktop here is black too, so white
        pixels tell them apart)."""
        deadline = self.started + timeout
        while time.monotonic() < deadline and "frame" not in self.times:
            if "window" not in self.times and self.session.windows(self.title, visible=True):
                self.times["window"] = time.monotonic() - self.started
            if "window" in self.times and self.session.grab().count(b"\xff\xff\xff") >= 400:
                self.times["frame"] = time.monotonic() - self.started
            time.sleep(0.01)
        if "frame" not in self.times:
            raise AssertionError("the saver never covered the screen with stars")
        return self

    # Sound --------------------------------------------------------------------
    def heard(self):
        """What it played so far, as `tone` tells it."""
        return tone(self.place.captured(self.capture)) if self.capture else (0.0, 0.0, 0.0)

    def wait_heard(self, timeout=10, seconds=0.3):
        """Waits until `seconds` of sound were heard."""
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            if self.heard()[0] >= seconds:
                return True
            time.sleep(0.1)
        return False

    def quiet_after_end(self, seconds=1.0):
        """Nothing more arrives for a while after the end."""
        at_end = len(self.place.captured(self.capture))
        time.sleep(seconds)
        return len(self.place.captured(self.capture)) == at_end

    # End ----------------------------------------------------------------------
    def input(self, *actions):
        """xdotool commands, one a tuple: ("key", "a"), ("click", "1"), ..."""
        for action in actions:
            self.session.xdotool(*action)

    def wait_end(self, timeout=10):
        """Waits until the process has ended and its window is gone; the exit
        code, or None when it has not ended within `timeout` seconds."""
        since = time.monotonic()
        self.times.pop("gone", None)
        self.times.pop("exit", None)
        while time.monotonic() - since < timeout and ("gone" not in self.times or "exit" not in self.times):
            if "exit" not in self.times and self.ended():
                self.times["exit"] = time.monotonic() - since
            if "gone" not in self.times and not self.session.windows(self.title):
                self.times["gone"] = time.monotonic() - since
            time.sleep(0.01)
        return self.code()

    def end(self, *actions, timeout=10):
        """Ends it with `actions` (a key unless told) and waits: the exit code."""
        self.input(*(actions or (KEY,)))
        return self.wait_end(timeout)

    def stop(self):
        self.session.stop(self.proc)


def play(session, folder, name, seconds=3.0, place=None, env=None, enough=None, quiet_after=0.0):
    """Runs /s for `seconds` with its sound captured under `name`, or only until
    `enough` seconds of sound were heard, ends it with a key and returns what it
    played, as `tone` tells it. `quiet_after`: seconds in which nothing more may
    arrive after the end."""
    saver = Saver(session, folder, place=place, sound=name, env=env)
    try:
        if enough is None:
            time.sleep(seconds)
        else:
            saver.wait_heard(seconds, enough)
        if not saver.running():
            raise AssertionError("the display ended by itself")
        code = saver.end()
        if code != 0:
            raise AssertionError(f"the display ended with {code}")
        heard = saver.heard()
        if quiet_after and not saver.quiet_after_end(quiet_after):
            raise AssertionError("sound went on after the end")
    finally:
        saver.stop()
    return heard


def launched_code(proc):
    """The exit code launcher.exe reports for the program it started, or None."""
    found = re.search(r"^exit=(\d+)", output(proc), re.M)
    return int(found.group(1)) if found else None

