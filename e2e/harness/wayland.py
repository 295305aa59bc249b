"""Wayland compositors running the Linux edition's `lumora` as a desktop runs
it: headless, as the saver's user (sway refuses root), each with a runtime
folder of its own. Sway 1.7 stands for the wlroots desktops (layer shell, two
outputs side by side, the second at scale 2; swayidle, grim, wtype and the
virtual pointer helper), cage for those without a layer shell, weston's
fullscreen shell for those without any shell lumora knows. A compositor's
clients, and what they started, end with it."""
import contextlib
import json
import os
import re
import select
import signal
import subprocess
from pathlib import Path

from . import screen
from .daemon import BUILD, SaverUser, alive, wait_for
from .xserver import stop

POINTER = BUILD / "e2e" / "virtual_pointer"
# Name, mode (the output's pixels), place in the layout, scale.
SWAY_OUTPUTS = (("HEADLESS-1", "1280x720", "0 0", 1), ("HEADLESS-2", "1600x1200", "1280 0", 2))
# A sway inside another: its outputs are windows there, sized by it.
NESTED_OUTPUTS = (("WL-1", "640x480", "0 0", 1), ("WL-2", "640x480", "640 0", 1))
PPM = re.compile(rb"P6\s(\d+)\s(\d+)\s255\s")
HEADLESS = {"WLR_BACKENDS": "headless", "WLR_RENDERER": "pixman", "WLR_LIBINPUT_NO_DEVICES": "1"}


def descendants(pids):
    """The living processes that `pids` started, and theirs."""
    parents = {}
    for stat in Path("/proc").glob("[0-9]*/stat"):
        try:
            fields = stat.read_text().rsplit(")", 1)[1].split()
        except (FileNotFoundError, ProcessLookupError):
            continue
        parents.setdefault(int(fields[1]), []).append(int(stat.parent.name))
    found, todo = set(), list(pids)
    while todo:
        for child in parents.get(todo.pop(), ()):
            if child not in found and alive(child):
                found.add(child)
                todo.append(child)
    return found


def signal_all(pids, number):
    for pid in pids:
        with contextlib.suppress(ProcessLookupError):  # gone meanwhile
            os.kill(pid, number)


class Compositor(SaverUser):
    """A compositor run as the saver's user (`launch` starts it), its clients,
    and what its outputs show through wlroots' screencopy."""

    def __init__(self, name):
        super().__init__(name)
        self.proc = None
        self._clients = []
        self.log_path = self.tmp / f"{name}.log"

    def launch(self, command, env):
        """Starts `command` with `env` added, its output in `log_path`, and
        waits for its Wayland socket."""
        with open(self.log_path, "wb") as log:
            self.proc = subprocess.Popen(self._as_user("env", *(f"{k}={v}" for k, v in env.items()), *command),
                                         stdin=subprocess.DEVNULL, stdout=log, stderr=subprocess.STDOUT)
        socket = wait_for(lambda: self.proc.poll() is None and [
            p for p in self.runtime.glob("wayland-*") if not p.name.endswith(".lock")], 20)
        if not socket:
            self.close()
            raise RuntimeError(f"{command[0]} made no Wayland socket:\n{self.log()}")
        self._env["WAYLAND_DISPLAY"] = socket[0].name

    def log(self):
        return self.log_path.read_text(errors="replace")

    def env_of(self, name):
        return self._env[name]

    def start(self, *command, env=None, **options):
        """A client, its standard error in the file `.err` of the process."""
        err = self.tmp / f"client-{len(self._clients)}.err"
        with open(err, "wb") as out:
            proc = subprocess.Popen(self._as_user("env", *(f"{k}={v}" for k, v in (env or {}).items()), *command),
                                    **{"stdin": subprocess.DEVNULL, "stdout": subprocess.DEVNULL, "stderr": out,
                                       **options})
        proc.err = err
        self._clients.append(proc)
        return proc

    def lumora(self, *options, debug=False):
        """lumora with `options`; `debug`: with the protocol's messages on its standard error."""
        return self.start(self.program, *options, env={"WAYLAND_DEBUG": "1"} if debug else None)

    def run(self, *command, text=True, timeout=30):
        """A client run to its end; its standard output."""
        return subprocess.run(self._as_user(*command), capture_output=True, text=text, timeout=timeout,
                              check=True).stdout

    def signal(self, number):
        """Kills, stops or continues the compositor."""
        os.kill(self.proc.pid, number)

    def stars(self):
        """The middles of the plus-shaped stars on each output, as sets."""
        return [set(screen.stars(raw, width)[1]) for width, _, raw in map(self.grab, self.output_names())]

    def grab(self, output=None):
        """(width, height, pixels as RGB bytes) of an output (of all unless
        named), at its own pixels."""
        data = self.run("grim", "-t", "ppm", *(["-o", output] if output else []), "-", text=False)
        header = PPM.match(data)
        return int(header[1]), int(header[2]), data[header.end():]

    def screenshot(self, path, output=None):
        """A PNG of one output, or of all of them."""
        Path(path).write_bytes(self.run("grim", *(["-o", output] if output else []), "-", text=False))

    def close(self):
        # What the clients started first: swayidle waiting for its command
        # takes no signal until that has ended.
        left = descendants(p.pid for p in (self.proc, *self._clients) if p is not None)
        signal_all(left, signal.SIGTERM)
        wait_for(lambda: not any(map(alive, left)), 5)
        for proc in self._clients:
            if proc.poll() is None:
                stop(proc, 5)
        if self.proc is not None and self.proc.poll() is None:
            self.signal(signal.SIGCONT)
            stop(self.proc)
        signal_all(filter(alive, left), signal.SIGKILL)
        super().close()

    def __enter__(self):
        return self

    def __exit__(self, *_):
        self.close()


class Sway(Compositor):
    """`outputs`: name, mode (the output's pixels), place in the layout and
    scale of each headless output."""

    def __init__(self, name="sway", outputs=SWAY_OUTPUTS, xwayland=False, inside=None):
        """`inside`: a sway whose windows are this one's outputs (wlroots'
        Wayland backend), so that an output can be taken away by closing its
        window, which sway 1.7's headless outputs cannot be."""
        super().__init__(name)
        config = self.tmp / "sway.config"
        config.write_text("".join([f"xwayland {'enable' if xwayland else 'disable'}\n"] + [
            f"output {o} resolution {mode} position {place} scale {scale}\n" for o, mode, place, scale in outputs]))
        backend = {**HEADLESS, "WLR_HEADLESS_OUTPUTS": str(len(outputs))}
        if inside is not None:
            backend = {**HEADLESS, "WLR_BACKENDS": "wayland", "WLR_WL_OUTPUTS": str(len(outputs)),
                       "WAYLAND_DISPLAY": str(inside.runtime / inside.env_of("WAYLAND_DISPLAY"))}
        # -d: its log tells the layer surfaces, which its IPC does not.
        self.launch(["sway", "-d", "-c", str(config)], backend)
        ipc = wait_for(lambda: list(self.runtime.glob("sway-ipc.*.sock")), 20)
        self._env["SWAYSOCK"] = str(ipc[0]) if ipc else ""
        scales = {o: scale for o, _, _, scale in outputs}
        if not (ipc and wait_for(lambda: self._ready(scales), 20)):
            self.close()
            raise RuntimeError(f"sway did not set up its outputs:\n{self.log()}")

    def _ready(self, scales):
        try:
            return {o["name"]: o["scale"] for o in self.outputs()} == scales
        except subprocess.CalledProcessError:
            return False

    def msg(self, *args):
        """swaymsg's answer, from JSON; a command's failure raises."""
        answer = json.loads(self.run("swaymsg", "-r", *args))
        failed = [a for a in answer if isinstance(a, dict) and a.get("success") is False] \
            if isinstance(answer, list) else []
        if failed:
            raise RuntimeError(f"swaymsg {args}: {failed}")
        return answer

    def outputs(self):
        return self.msg("-t", "get_outputs")

    def output_names(self):
        return [o["name"] for o in self.outputs()]

    def create_output(self):
        """A new headless output's name, once sway lists it."""
        before = set(self.output_names())
        self.msg("create_output")
        added = wait_for(lambda: set(self.output_names()) - before, 10)
        if not added:
            raise RuntimeError("create_output added no output")
        return added.pop()

    def layer_surfaces(self):
        """(namespace, layer) of each layer surface made, in order."""
        made = re.findall(r"new layer surface: namespace (\S*) layer (\d+)", self.log())
        return [(namespace, int(layer)) for namespace, layer in made]

    def swayidle(self, command, timeout=1):
        """swayidle running `command` once the seat has been idle `timeout` seconds, as a session would."""
        return self.start("swayidle", "-w", "timeout", str(timeout), command)

    def pointer(self):
        return Pointer(self)


class Pointer:
    """The virtual pointer helper, reading commands ("move DX DY", "click"):
    `send` returns once one has reached sway."""

    def __init__(self, sway):
        self.proc = sway.start(POINTER, stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
        self._answer()

    def _answer(self, timeout=10):
        if not select.select([self.proc.stdout], [], [], timeout)[0]:
            raise RuntimeError("the virtual pointer does not answer")
        line = self.proc.stdout.readline().strip()
        if line != "ok":
            raise RuntimeError(f"the virtual pointer says {line!r}: {self.proc.err.read_text()}")

    def send(self, command):
        self.proc.stdin.write(command + "\n")
        self.proc.stdin.flush()
        self._answer()

    def close(self):
        self.proc.stdin.close()
        self.proc.wait(timeout=10)
        self.proc.stdout.close()


class Cage(Compositor):
    """Headless cage running lumora with `options` as its one application, on
    one output: a kiosk with no layer shell, that ends with its application.
    `proc` is cage's; lumora's standard error goes to cage's log."""

    def __init__(self, *options, name="cage", debug=False):
        super().__init__(name)
        self.launch(["cage", "--", "env", *(["WAYLAND_DEBUG=1"] if debug else []), str(self.program), *options],
                    HEADLESS)
        self.proc.err = self.log_path

    def output_names(self):
        return [None]


class Weston(Compositor):
    """Headless weston with its fullscreen shell: neither a layer shell nor
    xdg_wm_base for a client to ask for a surface with."""

    def __init__(self, name="weston"):
        super().__init__(name)
        self.launch(["weston", "--backend=headless-backend.so", "--socket=wayland-1", "--shell=fullscreen-shell.so"],
                    {})
