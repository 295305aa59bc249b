#!/usr/bin/env python3
"""The settings dialog under Wine, driven with xdotool: its place and look, the
music choice saved to the settings file, cancelling, and the single instance."""
import math
import re
import subprocess
import time

import harness

TITLE = "ルモラの設定"
PANEL_D = (12, 16)  # inside the client area


def pixel(png, x, y):
    out = subprocess.run(["convert", str(png), "-format", f"%[fx:int(255*p{{{x},{y}}}.r)],"
                          f"%[fx:int(255*p{{{x},{y}}}.g)],%[fx:int(255*p{{{x},{y}}}.b)]", "info:"],
                         capture_output=True, text=True, check=True).stdout
    return tuple(int(v) for v in out.split(","))


class Dialog(harness.WineTestCase):
    def open_dialog(self, folder):
        dialog = self.session.start(folder / "Lumora.scr", "/c")
        self.addCleanup(self.session.stop, dialog)
        self.assertTrue(self.session.wait_window(TITLE), "no settings dialog")
        time.sleep(0.8)  # the opening zoom and the first frames
        self.dialog = dialog
        return dialog

    def probe(self, folder):
        out = self.session.run(folder / "window_holder.exe", "--probe", TITLE).out
        return {k: tuple(int(v) for v in value.split(",")) for k, value in re.findall(r"(\w+)=([-\d,]+)", out)}

    def click(self, folder, x, y, button="1"):
        origin = self.probe(folder)["origin"]
        self.session.pointer(origin[0] + x, origin[1] + y)
        self.session.xdotool("click", button)
        time.sleep(0.3)

    def click_d(self, folder, x, y, button="1"):
        self.click(folder, PANEL_D[0] + x, PANEL_D[1] + y, button)

    def type_repeat(self, folder, text):
        self.click_d(folder, 110, 46)  # the repeat box's text
        self.session.xdotool("key", "ctrl+a", "BackSpace")
        if text:
            self.session.xdotool("type", "--delay", "30", text)

    def settings(self, folder):
        return (folder / "ルモラ.ini").read_bytes()

    def test_place_size_and_look(self):
        folder = self.session.install()
        (folder / "ルモラ.ini").write_bytes("[Section]\r\nBGM区分= 0\r\n".encode("cp932"))
        self.open_dialog(folder)
        where = self.probe(folder)
        self.assertEqual(where["client"], (461, 225))
        left, top, right, bottom = where["window"]
        width, height = right - left, bottom - top
        # Centred across, a third of the free height down (twips, cut toward zero).
        self.assertEqual(left, round(int((1024 - width) * 15) // 2 / 15) if width <= 1024 else left)
        self.assertEqual(top, round(int((768 - height) * 15) // 3 / 15))

        shot = self.session.screenshot(self.session.tmp / "dialog.png")
        ox, oy = where["origin"]
        dx, dy = ox + PANEL_D[0], oy + PANEL_D[1]
        # The inner panel's rows: dark blue, pale in the middle, dark again. Row 149
        # is drawn too, but falls just outside the 149 rows the panel shows.
        for row in (0, 74, 148):
            v = round(abs(math.sin(row / (149 / 3.142))) * 220)
            self.assertEqual(pixel(shot, dx + 5, dy + row), (v, v, v + 30), f"row {row}")
        self.assertEqual(pixel(shot, dx + 5, dy), (0, 0, 30))
        self.assertEqual(pixel(shot, dx + 5, dy + 74), (220, 220, 250))
        # The mark of "無し" is the selected one: red in its middle; the others not.
        on = pixel(shot, dx + 22, dy + 66)
        self.assertGreater(on[0], 150)
        self.assertLess(on[1], 110)
        for y in (46, 86):
            self.assertGreater(pixel(shot, dx + 22, dy + y)[1], 150)
        # The Earth moves.
        crop = ["-crop", f"180x85+{ox + 244}+{oy + 28}", "+repage"]
        first = self.session.tmp / "earth1.png"
        subprocess.run(["convert", str(shot), *crop, str(first)], check=True)
        time.sleep(0.3)
        second = self.session.tmp / "earth2.png"
        subprocess.run(["convert", str(self.session.screenshot(self.session.tmp / "dialog2.png")), *crop,
                        str(second)], check=True)
        compared = subprocess.run(["compare", "-metric", "AE", str(first), str(second), "null:"],
                                  capture_output=True, text=True, check=False)
        self.assertGreater(float(compared.stderr.split()[0]), 100, "the Earth did not turn")

    def test_the_file_button_opens_the_platforms_chooser(self):
        folder = self.session.install()
        self.open_dialog(folder)
        self.click_d(folder, 40, 86)        # "MP3、WAV" enables "..."
        self.click_d(folder, 110, 86)       # "..."
        # That it opens, with its title, proves the record's size is one the
        # platform takes; the chooser driven to its end (a typed path, Return,
        # the saved choice) is in test_storage.py.
        self.assertTrue(self.session.wait_window("ﾌｧｲﾙを開く"), "no open-file dialog")

    def test_a_japanese_music_path_is_shown_and_saved_back_in_code_page_932(self):
        folder = self.session.install()
        music = folder / "音楽 フォルダ"
        music.mkdir()
        song = music / "曲 one.mp3"
        song.write_bytes(b"ID3")
        path = harness.win_path(song).encode("cp932")
        (folder / "ルモラ.ini").write_bytes("[Section]\r\nBGM区分= 2\r\nBGMﾌｧｲﾙ=".encode("cp932") + path + b"\r\n")
        self.open_dialog(folder)
        shot = self.session.screenshot(self.session.tmp / "file.png")
        ox, oy = self.probe(folder)["origin"]
        self.assertGreater(pixel(shot, ox + PANEL_D[0] + 22, oy + PANEL_D[1] + 86)[0], 150)
        self.click(folder, 400, 192)        # "設定"
        self.assertTrue(self.wait_gone(), "the dialog did not close")
        data = self.settings(folder)
        self.assertIn("BGM区分=2\r\n".encode("cp932"), data)
        self.assertIn("BGMﾌｧｲﾙ=".encode("cp932") + path + b"\r\n", data)

    def wait_gone(self):
        """The dialog's window gone and its program ended: one that is still
        ending holds the one-instance claim, and a start meanwhile ends at once."""
        if not self.session.wait_gone(TITLE):
            return False
        try:
            self.dialog.wait(timeout=10)
        except subprocess.TimeoutExpired:
            return False
        return True

    def test_the_repeat_box_is_saved_as_a_track(self):
        folder = self.session.install()
        for typed, stored in (("12", b"12"), ("3.5", b"4"), ("abc", b"0"), ("", b"0")):
            with self.subTest(typed=typed):
                self.open_dialog(folder)
                self.click_d(folder, 50, 46)  # "音楽CD"
                self.type_repeat(folder, typed)
                self.click(folder, 400, 192)
                self.assertTrue(self.wait_gone())
                data = self.settings(folder)
                self.assertIn("BGM区分=1\r\n".encode("cp932"), data)
                self.assertIn("BGMﾘﾋﾟｰﾄ=".encode("cp932") + stored + b"\r\n", data)

    def test_cancel_and_the_close_box_change_nothing(self):
        folder = self.session.install()
        before = "[Section]\r\nBGM区分= 1\r\nBGMﾘﾋﾟｰﾄ= 3\r\nBGMﾌｧｲﾙ=\r\n".encode("cp932")
        (folder / "ルモラ.ini").write_bytes(before)
        for way in ("cancel", "close box"):
            with self.subTest(way=way):
                self.open_dialog(folder)
                self.click_d(folder, 40, 66)  # "無し"
                self.type_repeat(folder, "9")
                if way == "cancel":
                    self.click(folder, 310, 192)
                else:
                    self.session.run(folder / "window_holder.exe", "--close", TITLE)
                self.assertTrue(self.wait_gone())
                self.assertEqual(self.settings(folder), before)

    def test_while_the_dialog_is_open_every_start_ends_at_once(self):
        folder = self.session.install()
        self.open_dialog(folder)
        for args in (["/s"], ["/c"], ["/p", "0"], ["/a", "1"], []):
            with self.subTest(args=args):
                result = self.session.run(folder / "Lumora.scr", *args, timeout=15)
                self.assertFalse(result.timed_out)
                self.assertEqual(result.code, 0)
                self.assertEqual(len(self.session.windows(TITLE)), 1)


if __name__ == "__main__":
    harness.main()
