#!/usr/bin/env python3
"""The 64-bit installer under Wine: a silent installation puts Lumora.scr into
the system folder, registers it with Apps & features and makes it the screen
saver; the installed saver runs and saves its settings from there; a silent
uninstallation takes all of it away again, the user's settings only when asked;
an installation over an older version, or over a running one, replaces it
whole."""
import os
import re
import shutil
import subprocess
import tempfile
import time
from pathlib import Path

import harness
from harness import ini
from harness.titles import DIALOG, DISPLAY, SETUP_ENGLISH, SETUP_JAPANESE

SOURCE = Path(__file__).resolve().parent.parent
VERSION = re.search(r"project\(Lumora VERSION ([0-9.]+)", (SOURCE / "CMakeLists.txt").read_text()).group(1)
SETUP = harness.BIN / f"Lumora-{VERSION}-setup-x64.exe"
UNINSTALL_KEY = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Lumora"
DESKTOP_KEY = r"HKCU\Control Panel\Desktop"
INSTALLED = r"C:\windows\system32\Lumora.scr"
UNINSTALLER = r"C:\Program Files\Lumora\uninstall.exe"
# Wine's own processes, which live as long as the session's server.
SERVICES = {"services.exe", "explorer.exe", "winedevice.exe", "plugplay.exe", "rpcss.exe", "svchost.exe",
            "conhost.exe", "wineserver64", "wineserver"}


def make_installer(out, version, scr):
    """An installer of another version, made from the same script."""
    subprocess.run(["makensis", "-V1", "-WX", "-INPUTCHARSET", "UTF8", f"-DVERSION={version}", "-DARCH=x64",
                    f"-DSCR={scr}", f"-DLICENSE_FILE={SOURCE / 'LICENSE'}",
                    f"-DICON={SOURCE / 'pictures' / 'lumora.ico'}", f"-DOUTFILE={out}",
                    str(SOURCE / "installer" / "lumora.nsi")], check=True, timeout=300)
    return out


class Installer(harness.WineTestCase):
    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.drive = cls.session.prefix / "drive_c"
        cls.system = cls.session.system32
        cls.program_files = cls.drive / "Program Files" / "Lumora"
        cls.appdata = cls.session.appdata / "Lumora"
        cls.helpers = cls.session.install()
        # An older release: a lower version number and a Lumora.scr of other bytes.
        cls.work = Path(tempfile.mkdtemp(prefix="lumora-installer-"))
        older = cls.work / "Lumora.scr"
        older.write_bytes((harness.BIN / "Lumora.scr").read_bytes() + b"older release")
        cls.older_setup = make_installer(cls.work / "Lumora-0.9.0-setup-x64.exe", "0.9.0", older)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.work, ignore_errors=True)
        super().tearDownClass()

    def tearDown(self):
        # Every case starts from a machine without Lumora; what a case started
        # must end first.
        self.doCleanups()
        if (self.program_files / "uninstall.exe").exists():
            self.wine_idle()
            self.session.run(UNINSTALLER, "/S", "/REMOVESETTINGS", timeout=120)
            self.wine_idle()

    # Wine ---------------------------------------------------------------------
    def wine_idle(self, timeout=60):
        """Waits until no program of this prefix runs but Wine's own services:
        what `wineserver -w` tells, with the session's server kept alive. The
        uninstaller goes on in a copy of itself after its first process ends."""
        deadline = time.monotonic() + timeout
        marker = f"WINEPREFIX={self.session.prefix}".encode()
        while time.monotonic() < deadline:
            busy = []
            for pid in filter(str.isdigit, os.listdir("/proc")):
                try:
                    environ = Path(f"/proc/{pid}/environ").read_bytes().split(b"\0")
                    command = Path(f"/proc/{pid}/cmdline").read_bytes().split(b"\0")[0].decode("utf-8", "replace")
                except OSError:
                    continue
                if marker in environ and re.split(r"[\\/]", command)[-1].lower() not in SERVICES:
                    busy.append(command)
            if not busy:
                return
            time.sleep(0.1)
        self.fail(f"still running after {timeout} s: {busy}")

    def wine_out(self, *args, with_code=False):
        out = self.session.tmp / "wine-out.txt"
        errors = self.session.tmp / "wine-err.txt"
        with open(out, "wb") as sink, open(errors, "wb") as error_sink:
            code = subprocess.run([harness.WINE, *args], env=self.session.env, stdin=subprocess.DEVNULL,
                                  stdout=sink, stderr=error_sink, timeout=60, check=False).returncode
        text = out.read_bytes().decode("cp932", "replace")
        return (code, text, errors.read_bytes().decode("cp932", "replace")) if with_code else text

    def values(self, key):
        """The values of a registry key, name: data; None when there is no key.
        A reg that printed neither the key nor that there is none did not get
        to run (Wine now and then fails to start a process on a busy machine),
        so it is asked again."""
        for _ in range(3):
            code, out, errors = self.wine_out("reg", "query", key, with_code=True)
            if code == 0 and "HKEY_" in out:
                break
            if code == 1 and (out + errors).startswith("reg:"):  # its "unable to find", in the prefix's language
                return None
        else:
            self.fail(f"reg query {key} gave neither the key nor its absence: {code} {out!r} {errors!r}")
        found = {}
        for line in out.splitlines():
            match = re.match(r"^    (.+?)    (REG_\w+)    ?(.*)$", line)
            if match:
                name, kind, data = match.groups()
                found[name] = int(data, 16) if kind == "REG_DWORD" else data
        return found

    def set_value(self, key, name, data):
        self.wine_out("reg", "add", key, "/v", name, "/t", "REG_SZ", "/d", data, "/f")

    def apps(self):
        """What Apps & features lists: key name and display name of each entry."""
        return dict(line.split("|||", 1) for line in self.wine_out("uninstaller", "--list").splitlines()
                    if "|||" in line)

    def install(self, *switches, setup=SETUP):
        result = self.session.run(setup, "/S", *switches, timeout=180)
        self.assertFalse(result.timed_out, "the installer hung")
        self.wine_idle()
        return result.code

    def uninstall(self, *switches):
        for attempt in (1, 2):
            result = self.session.run(UNINSTALLER, "/S", *switches, timeout=180)
            self.assertFalse(result.timed_out, "the uninstaller hung")
            self.wine_idle()
            # The script never aborts, so 2 is NSIS's own start failing: the
            # uninstaller runs from a copy of itself in the temporary folder,
            # and starting it is a CreateProcess, which Wine now and then fails
            # on a busy machine (double_start has seen it too). Nothing is
            # removed then, so it is asked again.
            if result.code != 2 or not (self.program_files / "uninstall.exe").exists():
                break
            print(f"try {attempt}: the uninstaller could not start its copy (exit 2)", flush=True)
        return result.code

    def desktop(self):
        values = self.values(DESKTOP_KEY)
        return {name: values.get(name) for name in ("SCRNSAVE.EXE", "ScreenSaveActive")}

    def leftovers(self):
        """Everything of Lumora's in the system folder, Program Files and the registry."""
        found = [p.name for p in self.system.glob("Lumora*")]
        found += [str(p) for p in self.program_files.parent.glob("Lumora*")]
        if self.values(UNINSTALL_KEY) is not None:
            found.append(UNINSTALL_KEY)
        if self.values(r"HKCU\Software\Lumora") is not None:
            found.append(r"HKCU\Software\Lumora")
        return found

    def pending_deletions(self):
        """The files Windows is to delete or move at its next start."""
        out = self.wine_out("reg", "query", r"HKLM\System\CurrentControlSet\Control\Session Manager",
                            "/v", "PendingFileRenameOperations")
        match = re.search(r"REG_MULTI_SZ\s+(.*)", out)
        return [p for p in match.group(1).strip().split("\\0") if p] if match else []

    # Cases --------------------------------------------------------------------
    def test_silent_install_registers_selects_runs_and_uninstalls_without_a_trace(self):
        before = self.desktop()
        self.assertEqual(self.install(), 0)
        self.assertEqual((self.system / "Lumora.scr").read_bytes(), (harness.BIN / "Lumora.scr").read_bytes())
        self.assertEqual(sorted(p.name for p in self.system.glob("Lumora*")), ["Lumora.scr"])
        self.assertTrue((self.program_files / "uninstall.exe").exists())

        entry = self.values(UNINSTALL_KEY)
        size_kb = (self.system / "Lumora.scr").stat().st_size // 1024
        self.assertEqual(entry["DisplayName"], "ルモラ")
        self.assertEqual(entry["DisplayVersion"], VERSION)
        self.assertEqual(entry["Publisher"], "Lumora Project")
        self.assertIn(entry["EstimatedSize"], range(size_kb, size_kb + 64))
        self.assertEqual(entry["DisplayIcon"].lower(), INSTALLED.lower() + ",0")
        self.assertEqual(entry["UninstallString"], f'"{UNINSTALLER}"')
        self.assertEqual(entry["QuietUninstallString"], f'"{UNINSTALLER}" /S')
        self.assertEqual(self.apps().get("Lumora"), "ルモラ")

        desktop = self.desktop()
        self.assertEqual(desktop["SCRNSAVE.EXE"].lower(), INSTALLED.lower())
        self.assertEqual(desktop["ScreenSaveActive"], "1")

        # The installed saver runs from the system folder, both ways Windows starts it.
        saver = self.start_saver(self.helpers, program=INSTALLED, rest=None)
        self.session.run(self.helpers / "window_holder.exe", "--close", DISPLAY)
        self.assertEqual(saver.proc.wait(timeout=15), 0)

        dialog = self.open_dialog(self.helpers, program=INSTALLED)
        dialog.click_panel(dialog.CD_MARK)
        dialog.save()
        self.assertEqual(dialog.proc.wait(timeout=15), 0)
        # Wine lets root write into its system folder, so the file lands beside
        # the program there; on Windows the folder refuses and the user's own
        # file is written. Either way it must be one of the two, and hold the choice.
        written = [p for p in (self.system / ini.NAME, self.appdata / ini.NAME) if p.exists()]
        self.assertEqual(len(written), 1, written)
        self.assertEqual(ini.values(written[0].read_bytes()).get(ini.KIND), "1")
        print(f"\n  settings saved by the installed saver: {written[0].relative_to(self.drive)}")

        self.assertEqual(self.uninstall(), 0)
        self.assertEqual(self.leftovers(), [])
        self.assertNotIn("Lumora", self.apps())
        self.assertEqual(self.desktop(), before)
        # Settings stay unless asked for.
        self.assertTrue(written[0].exists())
        # The uninstaller ran from a copy of itself in the temporary folder,
        # which Windows deletes at its next start, as it does on Windows.
        for left in (self.drive / "users").glob("*/AppData/Local/Temp/~nsu*.tmp/*"):
            self.assertIn(left.name.lower(), " ".join(self.pending_deletions()).lower())
        written[0].unlink()

    def test_the_selection_switches_and_what_uninstalling_gives_back(self):
        other = r"C:\windows\system32\other.scr"
        shutil.copy(harness.built("window_holder.exe"), self.system / "other.scr")
        self.addCleanup(lambda: (self.system / "other.scr").unlink(missing_ok=True))
        self.set_value(DESKTOP_KEY, "SCRNSAVE.EXE", other)
        self.set_value(DESKTOP_KEY, "ScreenSaveActive", "1")
        with self.subTest("/NOSELECT leaves the user's screen saver"):
            self.assertEqual(self.install("/NOSELECT"), 0)
            self.assertTrue((self.system / "Lumora.scr").exists())
            self.assertEqual(self.desktop(), {"SCRNSAVE.EXE": other, "ScreenSaveActive": "1"})
            self.assertEqual(self.uninstall(), 0)
            self.assertEqual(self.desktop(), {"SCRNSAVE.EXE": other, "ScreenSaveActive": "1"})
        with self.subTest("the screen saver Lumora replaced comes back"):
            self.assertEqual(self.install(), 0)
            self.assertEqual(self.desktop()["SCRNSAVE.EXE"].lower(), INSTALLED.lower())
            self.assertEqual(self.uninstall(), 0)
            self.assertEqual(self.desktop(), {"SCRNSAVE.EXE": other, "ScreenSaveActive": "1"})
            self.assertEqual(self.leftovers(), [])
        with self.subTest("a screen saver chosen after installing stays"):
            self.assertEqual(self.install(), 0)
            self.set_value(DESKTOP_KEY, "SCRNSAVE.EXE", r"C:\windows\system32\mine.scr")
            self.assertEqual(self.uninstall(), 0)
            self.assertEqual(self.desktop()["SCRNSAVE.EXE"], r"C:\windows\system32\mine.scr")

    def test_settings_are_removed_only_when_asked(self):
        self.appdata.mkdir(parents=True, exist_ok=True)
        settings = self.appdata / ini.NAME
        content = ini.per_user(1)
        for switches, kept in (((), True), (("/REMOVESETTINGS",), False)):
            with self.subTest(switches=switches):
                settings.write_bytes(content)
                (self.system / ini.NAME).write_bytes(ini.ansi())
                self.assertEqual(self.install(), 0)
                self.assertEqual(self.uninstall(*switches), 0)
                self.assertEqual(settings.exists(), kept)
                self.assertEqual((self.system / ini.NAME).exists(), kept)
                self.assertEqual(self.appdata.exists(), kept)
                self.assertEqual(self.leftovers(), [])
        (self.system / ini.NAME).unlink(missing_ok=True)

    def test_install_over_an_older_version_and_again_after_uninstalling(self):
        new = (harness.BIN / "Lumora.scr").read_bytes()
        self.assertEqual(self.install(setup=self.older_setup), 0)
        self.assertEqual(self.values(UNINSTALL_KEY)["DisplayVersion"], "0.9.0")
        self.assertNotEqual((self.system / "Lumora.scr").read_bytes(), new)

        self.assertEqual(self.install(), 0)
        self.assertEqual((self.system / "Lumora.scr").read_bytes(), new)
        self.assertEqual(self.values(UNINSTALL_KEY)["DisplayVersion"], VERSION)
        self.assertEqual(sorted(p.name for p in self.system.glob("Lumora*")), ["Lumora.scr"])
        self.assertEqual(list(self.apps()).count("Lumora"), 1)

        self.assertEqual(self.uninstall(), 0)
        self.assertEqual(self.leftovers(), [])
        self.assertEqual(self.install(), 0)
        self.assertEqual((self.system / "Lumora.scr").read_bytes(), new)
        self.assertEqual(self.values(UNINSTALL_KEY)["DisplayVersion"], VERSION)
        self.assertEqual(self.desktop()["SCRNSAVE.EXE"].lower(), INSTALLED.lower())

    def test_a_running_saver_or_dialog_is_closed_before_its_file_is_replaced(self):
        new = (harness.BIN / "Lumora.scr").read_bytes()
        for switch, title in (("/s", DISPLAY), ("/c", DIALOG)):
            with self.subTest(switch=switch):
                self.assertEqual(self.install(setup=self.older_setup), 0)
                running = self.start(INSTALLED, switch)
                self.assertTrue(self.session.wait_window(title), f"no window {title}")
                self.assertEqual(self.install(), 0)
                self.assertIsNotNone(running.poll(), "the running Lumora was not closed")
                self.assertEqual((self.system / "Lumora.scr").read_bytes(), new)
                self.assertEqual(sorted(p.name for p in self.system.glob("Lumora*")), ["Lumora.scr"])

    def test_the_wizard_speaks_the_systems_language_japanese_or_else_english(self):
        for lang, title in (("ja_JP.UTF-8", SETUP_JAPANESE), ("en_US.UTF-8", SETUP_ENGLISH),
                            ("de_DE.UTF-8", SETUP_ENGLISH)):
            with self.subTest(lang=lang):
                setup = self.start(SETUP, env={"LANG": lang})
                # Asked of Windows, not of X: a program in a locale without
                # Japanese hands X its title in a form xdotool cannot match.
                deadline = time.monotonic() + 30
                while self.session.run(self.helpers / "window_holder.exe", "--probe", title).code != 0:
                    self.assertLess(time.monotonic(), deadline, f"no window {title}")
                    time.sleep(0.3)
                self.session.stop(setup)
                self.wine_idle()

    def start_preview(self):
        """Lumora's preview in a pane, from the system folder. A preview is a
        child of the display settings' pane: it has no title to be asked to
        close by, and it holds its file through the installation."""
        host, handle = self.pane(self.helpers, "152", "112", "--exit-after", "60000")
        preview = self.start(INSTALLED, "/p", handle)
        time.sleep(2)
        self.assertIsNone(preview.poll(), "the preview did not start")
        return host, preview

    def test_a_file_held_by_a_preview_is_replaced_now_or_at_restart_never_half(self):
        new = (harness.BIN / "Lumora.scr").read_bytes()
        with self.subTest("renamed aside"):
            # Windows lets a running program's file be renamed, not replaced.
            self.assertEqual(self.install(setup=self.older_setup), 0)
            host, preview = self.start_preview()
            self.assertEqual(self.session.run(SETUP, "/S", timeout=180).code, 0)
            self.assertEqual((self.system / "Lumora.scr").read_bytes(), new)
            self.assertTrue(any(p.lower().endswith("lumora.scr.old") for p in self.pending_deletions()))
            self.session.stop(preview)
            self.session.stop(host)
            self.wine_idle()
            # Once the preview has ended, uninstalling tidies the old file too.
            self.assertEqual(self.uninstall(), 0)
            self.assertEqual(self.leftovers(), [])
        with self.subTest("not even renamed: swapped at the next start"):
            self.assertEqual(self.install(setup=self.older_setup), 0)
            older = (self.system / "Lumora.scr").read_bytes()
            # A folder in the way of the rename, as a file left by another program could be.
            (self.system / "Lumora.scr.old").mkdir()
            (self.system / "Lumora.scr.old" / "keep").write_bytes(b"")
            self.addCleanup(shutil.rmtree, self.system / "Lumora.scr.old", True)
            host, preview = self.start_preview()
            result = self.session.run(SETUP, "/S", timeout=180)
            # 3010, ERROR_SUCCESS_REBOOT_REQUIRED; Unix keeps its low byte.
            self.assertEqual(result.code, 3010 & 0xFF)
            self.assertEqual((self.system / "Lumora.scr").read_bytes(), older)
            self.assertEqual((self.system / "Lumora.scr.new").read_bytes(), new)
            self.assertEqual(self.values(UNINSTALL_KEY)["DisplayVersion"], VERSION)
            self.session.stop(preview)
            self.session.stop(host)
            self.wine_idle()
            self.wine_out("wineboot", "-r")  # a restart: Windows carries out what was put off
            self.assertEqual((self.system / "Lumora.scr").read_bytes(), new)
            self.assertFalse((self.system / "Lumora.scr.new").exists())


if __name__ == "__main__":
    harness.main()
