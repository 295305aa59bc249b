"""A Wine prefix of its own beside a session's, for what the session's cannot
show: a user without privileges (root writes through every permission) and a
private mount namespace (a small file system that only this prefix's
processes see)."""
import os
import pwd
import shutil
import subprocess
import tempfile
import time
from pathlib import Path

from .session import Place, copy_template
from .wine import WINESERVER

NOBODY = 65534


class MountNamespace:
    """A private mount namespace: what is mounted in it only its processes see."""

    def __init__(self):
        # unshare makes the namespace and then becomes `sleep`: its id is the
        # namespace's handle once the namespace differs from ours.
        self._holder = subprocess.Popen(["unshare", "--mount", "--propagation", "private",
                                         "sleep", "infinity"], stdin=subprocess.DEVNULL)
        deadline = time.monotonic() + 10
        while os.readlink(f"/proc/{self._holder.pid}/ns/mnt") == os.readlink("/proc/self/ns/mnt"):
            if time.monotonic() > deadline:
                raise RuntimeError("unshare made no mount namespace")
            time.sleep(0.01)
        self.enter = ["nsenter", "-t", str(self._holder.pid), "-m", "--"]

    def seen(self, path):
        """The path as the namespace's processes see it, readable from outside."""
        return Path(f"/proc/{self._holder.pid}/root") / Path(path).relative_to("/")

    def close(self):
        self._holder.kill()
        self._holder.wait()


class Sandbox(Place):
    """Its own Wine server lives here too, as the server opens files for its
    programs. Runs on the session's display; the session closes it."""

    def __init__(self, session, name, user=None, private_mounts=False):
        self.session = session
        self.user = user
        self.root = session.tmp / "sandboxes" / name
        self.root.mkdir(parents=True)
        self.prefix = self.root / "prefix"
        self.home = self.root / "home"
        self.home.mkdir()
        self.capture_folder = self.root / "capture"
        self._holder = None
        self._server = None
        # Another user gets a copy of its own, since ownership would pass to the
        # template's files through hard links. The user reaches it through the
        # session's folder, which Wine's file chooser must be able to list as well.
        copy_template(self.prefix, linked=user is None)
        if user is not None:
            os.chmod(session.tmp, 0o755)
        # The file names the template server's socket folder, which is not ours.
        (self.prefix / "wineserver").unlink(missing_ok=True)
        if user is not None:
            subprocess.run(["chown", "-R", f"{user}:{user}", str(self.root)], check=True)
        self.user_name = pwd.getpwuid(user if user is not None else os.getuid()).pw_name
        self.env = {"WINEPREFIX": str(self.prefix), "HOME": str(self.home),
                    "USER": self.user_name, "LOGNAME": self.user_name}
        if private_mounts:
            self._holder = MountNamespace()
        if user is not None:
            # Wine makes a new user's profile with AppData alone; without a desktop
            # folder the file chooser's shell namespace is empty and it opens nothing.
            profile = self.prefix / "drive_c" / "users" / self.user_name
            for folder in ("Desktop", "Documents", "Downloads", "Music", "Pictures", "Videos", "Temp"):
                (profile / folder).mkdir(parents=True, exist_ok=True)
            self.give(profile)
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
            around += self._holder.enter
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
        around = self._holder.enter if self._holder else []
        return subprocess.run([*around, "sh", "-ec", script], capture_output=True, text=True,
                              timeout=60, check=True).stdout

    def seen(self, path):
        """The path as the sandbox's programs see it, readable from here: a
        mount made in the namespace shows only through its processes."""
        if self._holder is None:
            return Path(path)
        return self._holder.seen(path)

    def folder(self, name="Lumora"):
        """A program folder for this sandbox's user, like Session.install."""
        folder = self.session.install(name)
        self.give(folder)
        return folder

    def give(self, *paths):
        """Hands files or folders to the sandbox's user."""
        if self.user is not None:
            subprocess.run(["chown", "-R", f"{self.user}:{self.user}", *map(str, paths)], check=True)

    def capture(self, name):
        """Like Session.capture, in a folder this sandbox's user can write."""
        self.capture_folder.mkdir(exist_ok=True)
        self.give(self.capture_folder)
        return {**self.session.capture(name), "AUDIO_CAPTURE": str(self.capture_folder / name)}

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
            self._holder.close()
