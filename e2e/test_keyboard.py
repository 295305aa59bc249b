#!/usr/bin/env python3
"""The settings dialog from the keyboard and for a screen reader, under Wine:
the focus on opening, Tab and Shift+Tab, Enter and Space on the buttons, the
music choice with the arrows, and what the accessibility interface says."""
import time

import harness
from harness import ini
from harness.titles import CHOOSER, DIALOG


class Keyboard(harness.WineTestCase):
    def focused_dialog(self, kind=0, loop=None):
        folder = self.install()
        ini.write(folder, kind, loop, blank=" ")
        dialog = self.open_dialog(folder)
        dialog.focus()
        return folder, dialog.proc

    def keys(self, *names):
        for name in names:
            self.session.xdotool("key", name)
            time.sleep(0.15)

    def assert_closes(self, dialog):
        self.assertEqual(dialog.wait(timeout=5), 0, "the dialog did not close")

    def shot(self, name):
        self.session.screenshot(harness.screenshots() / name)

    def test_typing_right_after_opening_reaches_the_repeat_box(self):
        folder, dialog = self.focused_dialog(kind=1, loop=3)
        self.shot("keyboard-opened-on-the-repeat-box.png")
        self.session.xdotool("type", "--delay", "40", "7")
        self.keys("Tab", "Tab")  # "..." is disabled under the CD: ｷｬﾝｾﾙ, then 設定
        self.shot("keyboard-focus-on-save.png")
        self.keys("Return")
        self.assert_closes(dialog)
        self.assertEqual(ini.read(folder).get(ini.LOOP), "7")

    def test_full_width_digits_count_as_digits(self):
        folder, dialog = self.focused_dialog(kind=1, loop=3)
        # xdotool maps a key for each character it cannot type directly, and the
        # first such key is lost; a full-width blank first, which counts as a
        # blank anyway, takes that loss.
        self.session.xdotool("type", "--delay", "60", "　１２")
        self.keys("Tab", "Tab", "Return")
        self.assert_closes(dialog)
        self.assertEqual(ini.read(folder).get(ini.LOOP), "12")

    def test_enter_and_space_press_the_focused_button_and_escape_does_nothing(self):
        folder, dialog = self.focused_dialog(kind=0)  # nothing before ｷｬﾝｾﾙ is enabled
        before = (folder / ini.NAME).read_bytes()
        self.keys("Escape")
        time.sleep(0.5)
        self.assertIsNone(dialog.poll(), "Escape closed the dialog")
        self.shot("keyboard-focus-on-cancel.png")
        self.keys("Return")
        self.assert_closes(dialog)
        self.assertEqual((folder / ini.NAME).read_bytes(), before, "ｷｬﾝｾﾙ saved something")

        folder, dialog = self.focused_dialog(kind=0)
        self.keys("Tab", "space")  # 設定
        self.assert_closes(dialog)
        self.assertEqual(ini.read(folder).get(ini.KIND), "0")
        self.assertIn(ini.LOOP, ini.read(folder), "設定 did not write all three values")

    def test_shift_tab_walks_back_and_the_arrows_choose_the_music(self):
        folder, dialog = self.focused_dialog(kind=1, loop=2)
        self.keys("shift+Tab")  # from the repeat box back to the music choice
        self.shot("keyboard-focus-on-the-music-choice.png")
        self.keys("Down")  # 音楽CD -> 無し
        self.keys("Down")  # -> MP3、WAV, which enables "..."
        self.shot("keyboard-music-choice-moved.png")
        self.keys("Tab")  # the repeat box is disabled now: "..."
        self.keys("Return")
        chooser = self.session.wait_window(CHOOSER, timeout=15)
        self.assertTrue(chooser, "Enter on \"...\" did not open the file chooser")
        self.keys("Escape")
        self.session.wait_gone(CHOOSER)
        self.session.activate(self.session.windows(DIALOG)[0])  # Wine may leave it inactive
        self.keys("Tab", "Tab", "Return")  # ｷｬﾝｾﾙ, 設定
        self.assert_closes(dialog)
        self.assertEqual(ini.read(folder).get(ini.KIND), "2")

    def test_a_screen_reader_hears_every_part_with_its_role(self):
        folder, dialog = self.focused_dialog(kind=1)
        out = self.session.run(folder / "accessible_walk.exe", DIALOG, timeout=30).out
        parts = [line.split("\t") for line in out.splitlines() if line.count("\t") == 4]
        names = {(role, name) for _, role, _, name, _ in parts}
        # Drawn by their panels, answered by the dialog itself.
        for role, name in (("45", "音楽CD"), ("45", "無し"), ("45", "MP3、WAV"), ("20", "・BGM"),
                           ("41", "曲目をﾘﾋﾟｰﾄ"), ("41", "Lumora Project  Ver. 1.0.0"),
                           ("30", "https://lumora.example/")):
            self.assertIn((role, name), names, out)
        # The chosen option is checked, the others not.
        states = {name: int(state) for _, role, _, name, state in parts if role == "45"}
        CHECKED = 0x10
        self.assertTrue(states["音楽CD"] & CHECKED)
        self.assertFalse(states["無し"] & CHECKED or states["MP3、WAV"] & CHECKED)
        # The buttons are real windows: Windows names them by their text. (Wine's
        # standard objects give them the client role, where Windows says push button.)
        for caption in ("ｷｬﾝｾﾙ", "設定", "..."):
            self.assertIn(caption, {name for *_, name, _ in parts}, out)


if __name__ == "__main__":
    harness.main()
