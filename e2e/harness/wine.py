"""Where the build, the prepared cache and Wine are, and how a Wine command is run."""
import os
import subprocess
from pathlib import Path

WINE = "/usr/lib/wine/wine64"
WINESERVER = "/usr/lib/wine/wineserver64" if os.path.exists("/usr/lib/wine/wineserver64") else "wineserver"

E2E = Path(__file__).resolve().parent.parent
BIN = Path(os.environ.get("LUMORA_BIN", E2E.parent / "build" / "win64")).resolve()
CACHE = Path(os.environ.get("LUMORA_E2E_CACHE", BIN / "e2e-cache"))
HELPERS = BIN / "e2e"
# What Session.install puts in a program folder.
INSTALLED = ("Lumora.scr", "settings_probe.exe", "window_holder.exe", "pane_host.exe", "double_start.exe",
             "accessible_walk.exe")


def built(name):
    """A file the build made: Lumora.scr at the top, the helpers under e2e/."""
    return BIN / name if name == "Lumora.scr" else HELPERS / name


def screenshots():
    """The build's folder for pictures that tests and tools leave to be looked at."""
    folder = BIN / "screenshots"
    folder.mkdir(exist_ok=True)
    return folder


def base_env(prefix, lang="ja_JP.UTF-8"):
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


def wine(env, *args, timeout=120):
    # Output to nowhere, never a pipe: Wine's background services keep a pipe open.
    subprocess.run([WINE, *args], env=env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL, timeout=timeout, check=False)


def win_path(path):
    """The Windows name of a Unix path under Wine's Z: drive."""
    return "Z:" + str(path).replace("/", "\\")
