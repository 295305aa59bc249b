#!/usr/bin/env python3
"""Start-up of the real Lumora.scr under Wine: which switches open what, and
which end at once."""
import time

import harness
from harness import ini
from harness.titles import DIALOG, DISPLAY


class Startup(harness.WineTestCase):
    def ends_at_once(self, folder, *args):
        """Runs Lumora.scr and expects it to end by itself, having opened nothing."""
        result = self.session.run(folder / "Lumora.scr", *args, timeout=15)
        self.assertFalse(result.timed_out, f"{args} did not end")
        self.assertEqual(result.code, 0, f"{args} ended with {result.code}")
        self.assertFalse(self.session.windows(DISPLAY))
        # Start-up reads the settings but never creates the file.
        self.assertFalse((folder / ini.NAME).exists())

    def test_unknown_switches_end_at_once(self):
        folder = self.session.install()
        for args in (["/x"], ["x"], ["/"], ["-z", "junk"], ["/" + "q" * 10000]):
            with self.subTest(args=args[0][:20]):
                self.ends_at_once(folder, *args)

    def test_odd_preview_handles_never_crash(self):
        folder = self.session.install()
        for args in (["/p", "abc"], ["/p:-5"], ["/p", "99999999999"], ["/p", "9" * 10000], ["/p"]):
            with self.subTest(args=args[-1][:20]):
                self.ends_at_once(folder, *args)

    def test_password_change_ends_at_once_on_the_nt_family(self):
        folder = self.session.install()
        for args in (["/a", "1234"], ["/A:1234"], ["/a", "abc"], ["/a"]):
            with self.subTest(args=args):
                self.ends_at_once(folder, *args)

    def test_a_running_display_or_dialog_ends_every_start(self):
        folder = self.session.install()
        for title in (DISPLAY, DIALOG):
            holder = self.start(folder / "window_holder.exe", title)
            self.assertTrue(self.session.wait_output(holder, "ready"), "the holder did not start")
            for args in (["/s"], ["/c"], ["/p", "0"], ["/a", "1"], []):
                with self.subTest(title=title, args=args):
                    result = self.session.run(folder / "Lumora.scr", *args, timeout=15)
                    self.assertFalse(result.timed_out, f"{args} did not end")
                    self.assertEqual(result.code, 0)
                    # Only the holder's own window carries the title.
                    self.assertLessEqual(len(self.session.windows(DISPLAY)), 1)
            self.session.stop(holder)

    def test_run_mode_covers_the_screen_and_ends_on_a_key(self):
        saver = self.start_saver(self.install(), rest=None)
        geometry = self.session.geometry(saver.window)
        self.assertEqual((geometry["WIDTH"], geometry["HEIGHT"]), (1024, 768))
        time.sleep(0.5)
        self.assertTrue(saver.running(), "the display ended by itself")
        code = saver.end(("mousemove", "--sync", "500", "400"), ("key", "a"))
        self.assertEqual(code, 0, "the display did not end on a key")

    def test_configure_mode_ends_when_the_dialog_closes(self):
        folder = self.session.install()
        for switch in ("/c", "/C:1234"):
            with self.subTest(switch=switch):
                dialog = self.open_dialog(folder, args=(switch,))
                self.assertIsNone(dialog.proc.poll())
                dialog.close_box()
                self.assertEqual(dialog.proc.wait(timeout=10), 0)


if __name__ == "__main__":
    harness.main()
