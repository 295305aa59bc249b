"""What every test run shares and nobody changes, built once per build folder: a
compiled ja_JP.UTF-8 locale and a template Wine prefix."""
import shutil
import subprocess
import sys
from pathlib import Path

from .sound import ASOUND
from .wine import CACHE, WINESERVER, base_env, built, wine

TEMPLATE_VERSION = "4"


def ready():
    stamp = CACHE / "prefix.ready"
    return stamp.exists() and stamp.read_text() == TEMPLATE_VERSION


def prepare():
    CACHE.mkdir(parents=True, exist_ok=True)
    locale_dir = CACHE / "locale"
    if not (locale_dir / "ja_JP.UTF-8" / "LC_CTYPE").exists():
        locale_dir.mkdir(parents=True, exist_ok=True)
        # localedef warns about the charmap yet writes a working locale; judge by the file.
        subprocess.run(["localedef", "-i", "ja_JP", "-f", "UTF-8", str(locale_dir / "ja_JP.UTF-8")],
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=False)
        if not (locale_dir / "ja_JP.UTF-8" / "LC_CTYPE").exists():
            sys.exit("localedef could not build ja_JP.UTF-8 (is the 'locales' package installed?)")
    if ready():
        return

    template = CACHE / "prefix"
    shutil.rmtree(template, ignore_errors=True)
    env = base_env(template)
    wine(env, "wineboot", "-i", timeout=240)
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
        wine(env, "reg", "add", key, "/v", name, "/t", "REG_SZ", "/d", value, "/f")
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
    conf.write_text(ASOUND)
    probe = built("settings_probe.exe")
    if probe.exists():
        wine({**env, "ALSA_CONFIG_PATH": f"/usr/share/alsa/alsa.conf:{conf}"}, str(probe), "sound")
    subprocess.run([WINESERVER, "-w"], env=env, timeout=120, check=False)
    if not (template / "system.reg").exists():
        sys.exit("wineboot did not create a prefix")
    (CACHE / "prefix.ready").write_text(TEMPLATE_VERSION)
