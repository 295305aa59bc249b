"""The settings dialog (Lumora.scr /c) on screen, driven with the pointer and keys."""
import re
import subprocess
import time

from .titles import CHOOSER, DIALOG

SETTLE_S = 0.8  # the opening zoom and the first frames


class Dialog:
    """Runs in the session or in a sandbox (`place`); `folder` holds the helpers
    and, unless `program` names another, Lumora.scr. Coordinates are the client
    area's; the marks and buttons of the music choice are the inner panel's."""
    PANEL = (12, 16)            # the inner panel, inside the client area
    CD_MARK = (50, 46)          # "音楽CD", inside the panel
    REPEAT_BOX = (110, 46)      # the repeat box's text
    NO_MUSIC_MARK = (40, 66)    # "無し"
    SOUND_FILE_MARK = (40, 86)  # "MP3、WAV"
    CHOOSE_BUTTON = (110, 86)   # "..."
    SAVE_BUTTON = (400, 192)    # "設定", in the client area
    CANCEL_BUTTON = (310, 192)  # "ｷｬﾝｾﾙ"

    def __init__(self, session, folder, place=None, program=None, args=("/c",), env=None, timeout=40):
        self.session, self.folder = session, folder
        self.place = place or session
        found = []
        for _ in range(3):
            self.proc = self.place.start(program or folder / "Lumora.scr", *args, env=env)
            found = self._wait_shown(timeout)
            if found or self.proc.poll() != 0:
                break
            # Turned away at once: the dialog of an earlier case, killed, can
            # still stand in Wine's list of windows for a moment, and a start
            # that sees it ends, as it must. Once it is gone, start again.
            session.wait_gone(DIALOG, timeout=timeout)
        if not found:
            session.stop(self.proc)
            raise AssertionError("no settings dialog")
        self.window = found[0]
        self.shown = time.monotonic()
        self._origin = None

    def _wait_shown(self, timeout):
        """The dialog's window, or nothing once the program has ended without one."""
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            found = self.session.windows(DIALOG)
            if found or self.proc.poll() is not None:
                return found
            time.sleep(0.1)
        return []

    def settle(self):
        """Waits out the opening, before the dialog is looked at or clicked."""
        time.sleep(max(0.0, self.shown + SETTLE_S - time.monotonic()))

    def helper(self, *args, timeout=20):
        """window_holder.exe of the folder, run where the dialog runs."""
        return self.place.run(self.folder / "window_holder.exe", *args, timeout=timeout)

    def where(self, title=DIALOG):
        """window, client and origin of a top-level window of this place."""
        self.settle()
        return {k: tuple(int(v) for v in value.split(","))
                for k, value in re.findall(r"(\w+)=([-\d,]+)", self.helper("--probe", title).out)}

    @property
    def origin(self):
        if self._origin is None:
            self._origin = self.where()["origin"]
        return self._origin

    def screenshot(self, path):
        self.settle()
        return self.session.screenshot(path)

    def focus(self):
        """Without a window manager keys go to the window under the pointer, or
        to the one given X's focus."""
        self.settle()
        self.session.xdotool("windowfocus", "--sync", self.window)

    def click(self, x, y, button="1"):
        self.session.pointer(self.origin[0] + x, self.origin[1] + y)
        self.session.xdotool("click", button)
        time.sleep(0.3)

    def click_panel(self, spot):
        self.click(self.PANEL[0] + spot[0], self.PANEL[1] + spot[1])

    def type_repeat(self, text):
        """Replaces what the repeat box holds with `text`, typed."""
        self.click_panel(self.REPEAT_BOX)
        self.session.xdotool("key", "ctrl+a", "BackSpace")
        if text:
            self.session.xdotool("type", "--delay", "30", text)

    def open_chooser(self):
        """Chooses MP3/WAV and opens the file chooser; returns its X window."""
        self.click_panel(self.SOUND_FILE_MARK)
        self.click_panel(self.CHOOSE_BUTTON)
        found = self.session.wait_window(CHOOSER)
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
                self.helper("--type", CHOOSER, path)
            deadline = time.monotonic() + 3
            while True:
                texts = self.helper("--texts", CHOOSER).out
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
            if self.session.wait_gone(CHOOSER, timeout=8):
                return
        raise AssertionError(f"the chooser did not take {path}")

    def save(self):
        self.click(*self.SAVE_BUTTON)

    def cancel(self):
        self.click(*self.CANCEL_BUTTON)

    def close_box(self):
        """Closes it as its close box does: WM_CLOSE."""
        self.helper("--close", DIALOG)

    def wait_closed(self, timeout=10):
        """The window gone and the program ended: one that is still ending holds
        the one-instance claim, and a start meanwhile ends at once."""
        if not self.session.wait_gone(DIALOG, timeout=timeout):
            return False
        try:
            self.proc.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            return False
        return True

    def close(self):
        self.session.stop(self.proc)
        # Gone from the screen too, so that the next case's start is not turned away.
        self.session.wait_gone(DIALOG)
