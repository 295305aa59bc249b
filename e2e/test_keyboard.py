#!/usr/bin/env python3
"""The settings dialog from the keyboard and for a screen reader, under Wine:
the focus on opening, Tab and Shift+Tab, Enter and Space on the buttons, the
music choice with the arrows, and what the accessibility interface says."""
import time

import harness

TITLE = "ルモラの設定"


class Keyboard(harness.WineTestCase):
    def open_dialog(self, kind=0, loop=None):
        folder = self.session.install()
        text = "[Section]\r\nBGM区分= %d\r\n" % kind
        if loop is not None:
            text += "BGMﾘﾋﾟｰﾄ= %d\r\n" % loop
        (folder / "ルモラ.ini").write_bytes(text.encode("cp932"))
        dialog = self.session.start(folder / "Lumora.scr", "/c")
        self.addCleanup(self.session.stop, dialog)
        found = self.session.wait_window(TITLE)
        self.assertTrue(found, "no settings dialog")
        time.sleep(0.8)  # the opening zoom
        # Without a window manager keys go to the window under the pointer.
        self.session.xdotool("windowfocus", "--sync", found[0])
        return folder, dialog

    def keys(self, *names):
        for name in names:
            self.session.xdotool("key", name)
            time.sleep(0.15)

    def stored(self, folder, key):
        for line in (folder / "ルモラ.ini").read_bytes().decode("cp932").splitlines():
            if line.startswith(key + "="):
                return line.split("=", 1)[1].strip()
        return None

    def assert_closes(self, dialog):
        self.assertEqual(dialog.wait(timeout=5), 0, "the dialog did not close")

    def shot(self, name):
        shots = harness.BIN / "screenshots"
        shots.mkdir(exist_ok=True)
        self.session.screenshot(shots / name)

    def test_typing_right_after_opening_reaches_the_repeat_box(self):
        folder, dialog = self.open_dialog(kind=1, loop=3)
        self.shot("keyboard-opened-on-the-repeat-box.png")
        self.session.xdotool("type", "--delay", "40", "7")
        self.keys("Tab", "Tab")  # "..." is disabled under the CD: ｷｬﾝｾﾙ, then 設定
        self.shot("keyboard-focus-on-save.png")
        self.keys("Return")
        self.assert_closes(dialog)
        self.assertEqual(self.stored(folder, "BGMﾘﾋﾟｰﾄ"), "7")

    def test_full_width_digits_count_as_digits(self):
        folder, dialog = self.open_dialog(kind=1, loop=3)
        # xdotool maps a key for each character it cannot type directly, and the
        # first such key is lost; a full-width blank first, which counts as a
        # blank anyway, takes that loss.
        self.session.xdotool("type", "--delay", "60", "　１２")
        self.keys("Tab", "Tab", "Return")
        self.assert_closes(dialog)
        self.assertEqual(self.stored(folder, "BGMﾘﾋﾟｰﾄ"), "12")

    def test_enter_and_space_press_the_focused_button_and_escape_does_nothing(self):
        folder, dialog = self.open_dialog(kind=0)  # nothing before ｷｬﾝｾﾙ is enabled
        before = (folder / "ルモラ.ini").read_bytes()
        self.keys("Escape")
        time.sleep(0.5)
        self.assertIsNone(dialog.poll(), "Escape closed the dialog")
        self.shot("keyboard-focus-on-cancel.png")
        self.keys("Return")
        self.assert_closes(dialog)
        self.assertEqual((folder / "ルモラ.ini").read_bytes(), before, "ｷｬﾝｾﾙ saved something")

        folder, dialog = self.open_dialog(kind=0)
        self.keys("Tab", "space")  # 設定
        self.assert_closes(dialog)
        self.assertEqual(self.stored(folder, "BGM区分"), "0")
        self.assertIsNotNone(self.stored(folder, "BGMﾘﾋﾟｰﾄ"), "設定 did not write all three values")

    def test_shift_tab_walks_back_and_the_arrows_choose_the_music(self):
        folder, dialog = self.open_dialog(kind=1, loop=2)
        self.keys("shift+Tab")  # from the repeat box back to the music choice
        self.shot("keyboard-focus-on-the-music-choice.png")
        self.keys("Down")  # 音楽CD -> 無し
        self.keys("Down")  # -> MP3、WAV, which enables "..."
        self.shot("keyboard-music-choice-moved.png")
        self.keys("Tab")  # the repeat box is disabled now: "..."
        self.keys("Return")
        chooser = self.session.wait_window("ﾌｧｲﾙを開く", timeout=15)
        self.assertTrue(chooser, "Enter on \"...\" did not open the file chooser")
        self.keys("Escape")
        deadline = time.time() + 10
        while self.session.windows("ﾌｧｲﾙを開く") and time.time() < deadline:
            time.sleep(0.2)
        self.session.activate(self.session.windows(TITLE)[0])  # Wine may leave it inactive
        self.keys("Tab", "Tab", "Return")  # ｷｬﾝｾﾙ, 設定
        self.assert_closes(dialog)
        self.assertEqual(self.stored(folder, "BGM区分"), "2")

    def test_a_screen_reader_hears_every_part_with_its_role(self):
        folder, dialog = self.open_dialog(kind=1)
        out = self.session.run(folder / "accessible_walk.exe", TITLE, timeout=30).out
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
