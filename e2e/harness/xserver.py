"""A private X server: Xvfb on a display number of its own, its one screen split
into RandR monitors when asked, and what it shows."""
import ctypes
import os
import signal
import subprocess
import time

PR_SET_PDEATHSIG = 1


def _end_with_parent():
    # A run killed from outside (a test's time-out) takes its X server along,
    # and with it every client left on it: nothing runs on unseen.
    ctypes.CDLL(None, use_errno=True).prctl(PR_SET_PDEATHSIG, signal.SIGTERM)


class Xvfb:
    def __init__(self, screen="1024x768x24", monitors=()):
        """`monitors`: xrandr --setmonitor arguments, one tuple a monitor."""
        read_fd, write_fd = os.pipe()
        # -noreset: the monitors set below would vanish with the last client.
        self.proc = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_fd), "-noreset", "-screen", "0", screen, "-nolisten", "tcp"],
            pass_fds=(write_fd,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
            preexec_fn=_end_with_parent)
        os.close(write_fd)
        with os.fdopen(read_fd) as pipe:
            number = pipe.readline().strip()
        if not number:
            raise RuntimeError("Xvfb did not start")
        self.display = ":" + number
        for monitor in monitors:
            self.run("xrandr", "--setmonitor", *monitor)

    def run(self, *command, timeout=20):
        """An X client on this display; its output."""
        return subprocess.run(command, env={**os.environ, "DISPLAY": self.display}, capture_output=True,
                              text=True, timeout=timeout, check=True).stdout

    def xdotool(self, *args, timeout=10):
        """xdotool on this display; the words it printed."""
        for _ in range(3):
            done = subprocess.run(["xdotool", *args], env={**os.environ, "DISPLAY": self.display},
                                  capture_output=True, text=True, timeout=timeout, check=False)
            # Debian's xdotool (3.20160805) ends a search with an X error and no
            # answer when any window goes away while it walks them (a chooser
            # closing); upstream mended that later. Asking again is safe for the
            # commands that only look.
            looks = args[0] == "search" or args[0].startswith("get")
            if not (looks and done.returncode != 0 and "X Error" in done.stderr):
                break
            time.sleep(0.1)
        return done.stdout.split()

    def settled(self, window, before, timeout=20):
        """The window's grab once it differs from `before` (a grab) and holds
        still: what a program shows once it has answered, not half drawn."""
        deadline = time.monotonic() + timeout
        last = self.grab(window)
        while time.monotonic() < deadline:
            time.sleep(0.1)
            now = self.grab(window)
            if now == last and now != before:
                return now
            last = now
        raise RuntimeError(f"window {window} did not settle within {timeout} s")

    def grab(self, window=None):
        """The whole screen (or one window) now, as xwd bytes: quick, convert later."""
        target = ["-id", str(window)] if window else ["-root"]
        return subprocess.run(["xwd", *target, "-silent", "-display", self.display],
                              capture_output=True, check=True, timeout=30).stdout

    def geometry(self, window):
        """(left, top, width, height) of a window on the screen."""
        info = self.run("xwininfo", "-id", str(window))
        field = lambda name: int(info.split(name + ":", 1)[1].split()[0])  # noqa: E731
        return (field("Absolute upper-left X"), field("Absolute upper-left Y"), field("Width"), field("Height"))

    def close(self):
        stop(self.proc)


def stop(proc, timeout=10):
    """Ends a process the polite way (SIGTERM), and the hard way once `timeout` is over."""
    proc.terminate()
    try:
        proc.wait(timeout=timeout)
    except subprocess.TimeoutExpired:
        proc.kill()
        proc.wait()
