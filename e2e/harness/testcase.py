"""The unittest side: one Session per test class, shared by its cases, and the
summary line every group ends with."""
import re
import sys
import unittest

from .daemon import wait_for
from .dialog import Dialog
from .saver import Saver
from .session import Session, output


class WineTestCase(unittest.TestCase):
    """One Session per test class, made with `session_options`."""
    session = None
    session_options = {}

    @classmethod
    def setUpClass(cls):
        cls.session = Session(cls.__name__, **cls.session_options)

    @classmethod
    def tearDownClass(cls):
        if cls.session is not None:
            cls.session.close()

    def install(self, *args, **kwargs):
        return self.session.install(*args, **kwargs)

    def start_saver(self, folder, **options):
        """A Saver stopped after the case: one left behind by a failed case would
        turn every later start away."""
        saver = Saver(self.session, folder, **options)
        self.addCleanup(saver.stop)
        return saver

    def open_dialog(self, folder, place=None, **options):
        """A Dialog stopped after the case."""
        dialog = Dialog(self.session, folder, place, **options)
        self.addCleanup(dialog.close)
        return dialog

    def start(self, exe, *args, **options):
        """A program stopped after the case."""
        proc = self.session.start(exe, *args, **options)
        self.addCleanup(self.session.stop, proc)
        return proc

    def pane(self, folder, *args):
        """pane_host.exe holding a pane (`args`: its size and options), stopped
        after the case; (process, the pane's handle)."""
        host = self.start(folder / "pane_host.exe", *args)
        self.assertTrue(self.session.wait_output(host, "hwnd="), "the pane host did not start")
        return host, re.search(r"hwnd=(-?\d+)", output(host)).group(1)

    def probe_settings(self, folder, *args, place=None, env=None):
        """What settings_probe.exe answers, key=value lines as a dict."""
        result = (place or self.session).run(folder / "settings_probe.exe", *args, timeout=30, env=env)
        self.assertFalse(result.timed_out, f"probe {args} hung")
        self.assertEqual(result.code, 0, f"probe {args}: {result.out}")
        return dict(line.split("=", 1) for line in result.out.splitlines() if "=" in line)


class Showers:
    """For a test case whose `saver` tells the stars on each monitor (`stars()`)."""

    def assert_showers(self, saver):
        """About a thousand plus-shaped stars on each monitor, and they move."""
        counts = []

        def full():
            stars = saver.stars()
            counts[:] = [len(cores) for cores in stars]
            return all(850 <= count <= 1100 for count in counts) and stars
        first = wait_for(full, 10)
        self.assertTrue(first, f"stars on the monitors: {counts}")
        moved = wait_for(lambda: all(len(a & b) < len(a) // 2 for a, b in zip(first, saver.stars())), 5)
        self.assertTrue(moved, "the stars stand still")


def main():
    """Runs a test file's cases; ends with the usual 'N passed, N failed' line."""
    program = unittest.main(exit=False, verbosity=2)
    result = program.result
    # A case counts once however many of its subtests failed or were skipped.
    def cases(entries):
        return {getattr(test, "test_case", test).id() for test, _ in entries}
    failed = cases(result.failures + result.errors)
    skipped = {test.id() for test, _ in result.skipped if not hasattr(test, "test_case")} - failed
    partly = len([test for test, _ in result.skipped if hasattr(test, "test_case")])
    print(f"e2e: {result.testsRun - len(failed) - len(skipped)} passed, {len(failed)} failed"
          + (f", {len(skipped)} skipped" if skipped else "")
          + (f" ({partly} subtests skipped)" if partly else ""))
    sys.exit(1 if failed or result.testsRun == 0 else 0)
