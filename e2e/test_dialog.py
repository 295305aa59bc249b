#!/usr/bin/env python3
"""The settings dialog under Wine, driven with xdotool: its place and look, the
music choice saved to the settings file, cancelling, and the single instance."""
import math
import subprocess
import time

import harness
from harness import Dialog, ini
from harness.titles import CHOOSER, DIALOG


def pixel(png, x, y):
    out = subprocess.run(["convert", str(png), "-format", f"%[fx:int(255*p{{{x},{y}}}.r)],"
                          f"%[fx:int(255*p{{{x},{y}}}.g)],%[fx:int(255*p{{{x},{y}}}.b)]", "info:"],
                         capture_output=True, text=True, check=True).stdout
    return tuple(int(v) for v in out.split(","))


class SettingsDialog(harness.WineTestCase):
    def test_place_size_and_look(self):
        folder = self.install()
        ini.write(folder, 0, blank=" ")
        dialog = self.open_dialog(folder)
        where = dialog.where()
        self.assertEqual(where["client"], (461, 225))
        left, top, right, bottom = where["window"]
        width, height = right - left, bottom - top
        # Centred across, a third of the free height down (twips, cut toward zero).
        self.assertEqual(left, round(int((1024 - width) * 15) // 2 / 15) if width <= 1024 else left)
        self.assertEqual(top, round(int((768 - height) * 15) // 3 / 15))

        shot = self.session.screenshot(self.session.tmp / "dialog.png")
        ox, oy = where["origin"]
        dx, dy = ox + Dialog.PANEL[0], oy + Dialog.PANEL[1]
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
        dialog = self.open_dialog(self.install())
        dialog.click_panel(Dialog.SOUND_FILE_MARK)  # enables "..."
        dialog.click_panel(Dialog.CHOOSE_BUTTON)
        # That it opens, with its title, proves the record's size is one the
        # platform takes; the chooser driven to its end (a typed path, Return,
        # the saved choice) is in test_storage.py.
        self.assertTrue(self.session.wait_window(CHOOSER), "no open-file dialog")

    def test_a_japanese_music_path_is_shown_and_saved_back_in_code_page_932(self):
        folder = self.install()
        music = folder / "音楽 フォルダ"
        music.mkdir()
        song = music / "曲 one.mp3"
        song.write_bytes(b"ID3")
        path = harness.win_path(song).encode("cp932")
        ini.write(folder, 2, path=song, blank=" ")
        dialog = self.open_dialog(folder)
        shot = dialog.screenshot(self.session.tmp / "file.png")
        ox, oy = dialog.origin
        self.assertGreater(pixel(shot, ox + Dialog.PANEL[0] + 22, oy + Dialog.PANEL[1] + 86)[0], 150)
        dialog.save()
        self.assertTrue(dialog.wait_closed(), "the dialog did not close")
        data = (folder / ini.NAME).read_bytes()
        self.assertIn("BGM区分=2\r\n".encode("cp932"), data)
        self.assertIn("BGMﾌｧｲﾙ=".encode("cp932") + path + b"\r\n", data)

    def test_the_repeat_box_is_saved_as_a_track(self):
        folder = self.install()
        for typed, stored in (("12", b"12"), ("3.5", b"4"), ("abc", b"0"), ("", b"0")):
            with self.subTest(typed=typed):
                dialog = self.open_dialog(folder)
                dialog.click_panel(Dialog.CD_MARK)
                dialog.type_repeat(typed)
                dialog.save()
                self.assertTrue(dialog.wait_closed())
                data = (folder / ini.NAME).read_bytes()
                self.assertIn("BGM区分=1\r\n".encode("cp932"), data)
                self.assertIn("BGMﾘﾋﾟｰﾄ=".encode("cp932") + stored + b"\r\n", data)

    def test_cancel_and_the_close_box_change_nothing(self):
        folder = self.install()
        before = ini.write(folder, 1, 3, "", blank=" ")
        for way in ("cancel", "close box"):
            with self.subTest(way=way):
                dialog = self.open_dialog(folder)
                dialog.click_panel(Dialog.NO_MUSIC_MARK)
                dialog.type_repeat("9")
                if way == "cancel":
                    dialog.cancel()
                else:
                    dialog.close_box()
                self.assertTrue(dialog.wait_closed())
                self.assertEqual((folder / ini.NAME).read_bytes(), before)

    def test_while_the_dialog_is_open_every_start_ends_at_once(self):
        folder = self.install()
        self.open_dialog(folder)
        for args in (["/s"], ["/c"], ["/p", "0"], ["/a", "1"], []):
            with self.subTest(args=args):
                result = self.session.run(folder / "Lumora.scr", *args, timeout=15)
                self.assertFalse(result.timed_out)
                self.assertEqual(result.code, 0)
                self.assertEqual(len(self.session.windows(DIALOG)), 1)


if __name__ == "__main__":
    harness.main()
