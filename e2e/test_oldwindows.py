#!/usr/bin/env python3
"""The old Windows family's branches under Wine told to be Windows 98: the
password change of /a through mpr.dll, and the password that password.cpl asks
before the screen saver may end. The NT family, where Windows itself asks,
takes neither.

mpr.dll is Wine's own; its relay trace, kept to PwdChangePasswordA, shows each
call with its arguments. password.cpl is the test's own (e2e/helpers/password_cpl.cpp)
in the prefix's system folder, the only place the program loads it from."""
import re
import shutil
import time

import harness
from harness.titles import DISPLAY

WIN98 = [(r"HKCU\Software\Wine", "Version", "REG_SZ", "win98")]
RELAY = [(r"HKCU\Software\Wine\Debug", "RelayInclude", "REG_SZ", "mpr.PwdChangePasswordA")]
TRACE = {"WINEDEBUG": "-all,+relay"}
CALL = re.compile(r'Call mpr\.PwdChangePasswordA\([0-9a-f]+ "([^"]*)",([0-9a-f]+),([0-9a-f]+),([0-9a-f]+)\)')


def password_changes(test, result):
    """The calls of PwdChangePasswordA in a traced run: (key, window, 2 numbers)."""
    # Without this line the trace was off, and finding no call would prove nothing.
    test.assertIn('RelayInclude" = L"mpr.PwdChangePasswordA"', result.out, "the relay trace was off")
    return [(key, int(window, 16), int(a, 16), int(b, 16)) for key, window, a, b in CALL.findall(result.out)]


class Family(harness.WineTestCase):
    """A session whose Wine reports the family named by `platform` (1: 95, 98
    and Me; 2: NT), with mpr.dll's password change traced."""
    session_options = {"registry": RELAY}
    platform = "2"

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        probe = cls.session.run(harness.built("system_probe.exe"), "version")
        if f"platform={cls.platform} " not in probe.out:
            cls.session.close()
            cls.session = None
            raise AssertionError(f"Wine does not report platform {cls.platform}: {probe.out!r}")

    def install_checker(self):
        """Puts the test's password.cpl into the system folder, for this case only."""
        target = self.session.system32 / "password.cpl"
        shutil.copy(harness.built("password.cpl"), target)
        self.addCleanup(target.unlink, missing_ok=True)

    def run_saver(self, *args, answers="01", beside=False):
        """Lumora.scr under a resting pointer, with the checker's log; (Saver,
        log). `beside`: the test's password.cpl goes into the program's folder."""
        folder = self.install(extra=["password.cpl"] if beside else [])
        log = self.session.tmp / f"password-{folder.parent.name}.log"
        saver = self.start_saver(folder, args=args, rest=(300, 300), env={
            "LUMORA_PASSWORD_LOG": harness.win_path(log), "LUMORA_PASSWORD_ANSWERS": answers})
        time.sleep(0.3)  # past the event of opening under the pointer
        self.assertTrue(saver.running(), "the display ended by itself")
        return saver, log

    def calls(self, log):
        return log.read_text().splitlines() if log.exists() else []

    def wait_calls(self, log, count, timeout=10):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline and len(self.calls(log)) < count:
            time.sleep(0.05)
        return self.calls(log)

    def cursor(self):
        """(shown, title of the foreground window), as another program sees them."""
        probe = self.session.run(harness.built("system_probe.exe"), "cursor", timeout=60)
        found = re.search(r"showing=(\d) foreground=(.*)", probe.out)
        self.assertTrue(found, f"the probe said {probe.out!r} (ended {probe.code}, timed out {probe.timed_out})")
        return found.group(1) == "1", found.group(2).strip()

    def assert_ends_on_a_key(self, saver):
        self.assertEqual(saver.end(timeout=5), 0, "the display did not end")


class OldFamily(Family):
    session_options = {"registry": WIN98 + RELAY}
    platform = "1"

    def run_change(self, *args):
        folder = self.install()
        result = self.session.run(folder / "Lumora.scr", *args, timeout=15, env=TRACE)
        self.assertFalse(result.timed_out, f"{args} did not end")
        self.assertEqual(result.code, 0)
        self.assertFalse(self.session.windows(DISPLAY))
        return result

    def test_password_change_goes_to_mpr_with_the_window_from_the_command_line(self):
        for args, window in ((["/a", "4660"], 0x1234), (["/A:65538"], 0x10002), (["/a", "123456"], 0x1E240)):
            with self.subTest(args=args):
                changes = password_changes(self, self.run_change(*args))
                self.assertEqual(changes, [("SCRSAVE", window, 0, 0)])

    def test_password_change_without_a_window_number_changes_nothing(self):
        for args in (["/a"], ["/a", "abc"], ["/a", "12x"], ["/a", "99999999999"]):
            with self.subTest(args=args):
                self.assertEqual(password_changes(self, self.run_change(*args)), [])

    def test_the_saver_asks_the_password_and_lives_on_when_it_is_refused(self):
        self.install_checker()
        saver, log = self.run_saver("/s")
        # The saver hid the cursor when it started.
        self.assertEqual(self.cursor(), (False, DISPLAY))
        self.assertEqual(self.calls(log), [])

        saver.input(("key", "a"))
        calls = self.wait_calls(log, 1)
        # Asked once, with the display as the owner, the cursor shown meanwhile.
        self.assertEqual(calls, [f"call=1 owner={DISPLAY} showing=1 count=0 answer=0"])
        time.sleep(0.7)
        self.assertIsNone(saver.proc.poll(), "the display ended although the password was refused")
        self.assertTrue(self.session.windows(DISPLAY), "the display's window went away")
        self.assertEqual(self.cursor(), (False, DISPLAY), "the cursor stayed shown after the refusal")
        # The stars still fly.
        first = self.session.grab()
        time.sleep(0.3)
        self.assertNotEqual(first, self.session.grab(), "the display stands still after the refusal")
        self.assertEqual(len(self.calls(log)), 1, "asked again without a key")

        self.assert_ends_on_a_key(saver)
        # Shown for the second asking exactly as for the first: the refusal hid
        # it again rather than leave it shown twice over.
        self.assertEqual(self.calls(log)[1:], [f"call=2 owner={DISPLAY} showing=1 count=0 answer=1"])

    def test_an_accepted_password_ends_it_at_once(self):
        self.install_checker()
        saver, log = self.run_saver("/s", answers="1")
        self.assert_ends_on_a_key(saver)
        self.assertEqual(self.calls(log), [f"call=1 owner={DISPLAY} showing=1 count=0 answer=1"])

    def test_started_without_a_switch_it_never_asks(self):
        # A test run from the desktop: there is no password to protect.
        self.install_checker()
        saver, log = self.run_saver(answers="0")
        self.assert_ends_on_a_key(saver)
        self.assertEqual(self.calls(log), [])

    def test_without_a_checker_in_the_system_folder_a_key_ends_it(self):
        # Without the system's checker there is no password to ask for; one
        # beside the program is never loaded.
        saver, log = self.run_saver("/s", answers="0", beside=True)
        self.assert_ends_on_a_key(saver)
        self.assertFalse(log.exists(), "the password.cpl beside the program was loaded")


class NtFamily(Family):
    def test_windows_itself_asks_so_the_program_never_does(self):
        folder = self.install()
        for args in (["/a", "4660"], ["/A:65538"]):
            with self.subTest(args=args):
                result = self.session.run(folder / "Lumora.scr", *args, timeout=15, env=TRACE)
                self.assertFalse(result.timed_out)
                self.assertEqual(result.code, 0)
                self.assertEqual(password_changes(self, result), [])

        self.install_checker()
        saver, log = self.run_saver("/s", answers="0")
        self.assert_ends_on_a_key(saver)
        self.assertEqual(self.calls(log), [])


if __name__ == "__main__":
    harness.main()
