#!/usr/bin/env python3
"""The settings file under Wine: the bytes that land in it, and what the real
settings routines make of files written by Wine, by hand, or by accident."""
import random

import harness
from harness import ini
from harness.ini import FILE, KIND, LOOP

SECTION = "[Section]\r\n"


def cp932(text):
    return text.encode("cp932")


class Settings(harness.WineTestCase):
    def load(self, folder, content=None):
        if content is not None:
            (folder / ini.NAME).write_bytes(content)
        return self.probe_settings(folder, "load")

    def test_wine_writes_code_page_932_and_reads_it_back(self):
        folder = self.session.install("ルモラ テスト")
        music = folder.parent / "音楽 フォルダ"
        music.mkdir()
        (music / "曲.mp3").write_bytes(b"ID3")
        song = harness.win_path(music / "曲.mp3")
        self.assertEqual(self.probe_settings(folder, "acp")["acp"], "932")
        self.assertEqual(self.probe_settings(folder, "save", "2", "12", song)["result"], "1")
        written = (folder / ini.NAME).read_bytes()
        # Keys and path in code page 932, half-width katakana one byte each. The
        # platform drops the blank in front of a value as it writes it.
        self.assertEqual(written, ini.ansi(2, 12, song))
        self.assertEqual(len(cp932(LOOP)), 3 + 5)
        self.assertEqual(self.load(folder), {"kind": "2", "loop": "12", "file": song})

        # Byte for byte what the ANSI functions write on this code page.
        ansi = self.session.install("ルモラ テスト")
        self.probe_settings(ansi, "save-ansi", "2", "12", song)
        self.assertEqual((ansi / ini.NAME).read_bytes(), written)

        self.probe_settings(folder, "save", "-3", "0", "")
        self.assertIn(cp932(KIND) + b"=-3\r\n", (folder / ini.NAME).read_bytes())
        self.assertEqual(self.load(folder), {"kind": "-3", "loop": "0", "file": ""})

    def test_values_are_read_rounded_down_within_sixteen_bits(self):
        folder = self.session.install()
        cases = {"abc": 0, "40000": 0, "-0.5": -1, "2.9": 2, " 7": 7, "1e3": 1000, "&H10": 0,
                 "": 0, "-32768": -32768, "１": 0}
        for text, expected in cases.items():
            with self.subTest(value=text):
                content = ini.ansi(text, text)
                # Kind 2 without a music file becomes 0.
                self.assertEqual(self.load(folder, content),
                                 {"kind": str(0 if expected == 2 else expected),
                                  "loop": str(expected), "file": ""})

    def test_music_paths_are_checked_with_the_real_file_system(self):
        folder = self.session.install()
        song = folder / "song.wav"
        song.write_bytes(b"RIFF")
        win_song = harness.win_path(song)
        cases = [
            ("2", win_song, "2", win_song),
            ("2", win_song + "\\", "2", win_song + "\\"),  # tested without the separator
            ("2", harness.win_path(folder), "0", ""),        # a folder is no file
            ("2", win_song + ".missing", "0", ""),
            ("1", win_song + ".missing", "1", ""),           # the CD stays, the path goes
            ("2", "", "0", ""),
            ("2", "CON", "0", ""),                           # a device is no music file
        ]
        for kind, path, want_kind, want_file in cases:
            with self.subTest(kind=kind, path=path):
                content = cp932(SECTION + f"{KIND}= {kind}\r\n") + cp932(FILE) + b"=" + cp932(path)
                self.assertEqual(self.load(folder, content),
                                 {"kind": want_kind, "loop": "0", "file": want_file})

    def test_long_values_are_cut_to_255_bytes_of_the_file(self):
        folder = self.session.install()
        base = harness.win_path(folder)
        # A file whose Windows path is exactly 255 bytes, stored with more after it.
        name = "a" * (255 - len(base) - 1)
        (folder / name).write_bytes(b"RIFF")
        ascii_path = base + "\\" + name
        # Japanese: the cut falls inside a character, which is not split.
        deep = "あ" * 60 + ("x" if len(base) % 2 else "")
        (folder / deep).mkdir()
        stem = "あ" * ((254 - len(cp932(base + "\\" + deep + "\\"))) // 2)
        (folder / deep / stem).write_bytes(b"RIFF")
        japanese_path = base + "\\" + deep + "\\" + stem
        self.assertEqual(len(cp932(ascii_path)), 255)
        self.assertEqual(len(cp932(japanese_path)), 254)
        for path, extra in ((ascii_path, "bbbb"), (japanese_path, "ああ")):
            with self.subTest(path=path[-4:]):
                content = ini.ansi(2, path=path + extra, blank=" ")
                self.assertEqual(self.load(folder, content), {"kind": "2", "loop": "0", "file": path})

    def test_damaged_files_give_defaults_or_what_they_say(self):
        folder = self.session.install()
        rng = random.Random(932)
        many = "".join(f"key{i}=value{i}\r\n" for i in range(10000))
        cases = [
            ("random bytes", bytes(rng.randrange(256) for _ in range(20000)), None),
            ("10,000 lines", cp932(SECTION + many + f"{KIND}= 1\r\n{LOOP}= 4\r\n"),
             {"kind": "1", "loop": "4", "file": ""}),
            ("a 100 kB line", cp932(SECTION + f"{KIND}= 2\r\n{FILE}=" + "x" * 100000 + "\r\n"
                                    + f"{LOOP}= 6\r\n"), {"kind": "0", "loop": "6", "file": ""}),
            ("other letter case", cp932("[SECTION]\r\nbgm区分= 1\r\nBgmﾘﾋﾟｰﾄ= 3\r\n"),
             {"kind": "1", "loop": "3", "file": ""}),
            ("LF line ends", cp932(f"[Section]\n{KIND}= 1\n{LOOP}= 9\n"),
             {"kind": "1", "loop": "9", "file": ""}),
            ("UTF-8 with a byte-order mark",
             b"\xef\xbb\xbf" + f"[Section]\r\n{KIND}= 1\r\n{LOOP}= 2\r\n".encode(),
             {"kind": "1", "loop": "2", "file": ""}),
            ("no section", cp932(f"{KIND}= 1\r\n"), {"kind": "0", "loop": "0", "file": ""}),
            ("empty", b"", {"kind": "0", "loop": "0", "file": ""}),
        ]
        for name, content, expected in cases:
            with self.subTest(case=name):
                got = self.load(folder, content)
                if expected is None:
                    self.assertEqual(set(got), {"kind", "loop", "file"})
                else:
                    self.assertEqual(got, expected)
                # And the saver itself starts and ends on it.
                result = self.session.run(folder / "Lumora.scr", "/x", timeout=15)
                self.assertEqual((result.timed_out, result.code), (False, 0))

    def test_section_written_twice(self):
        folder = self.session.install()
        content = cp932(f"[Section]\r\n{KIND}= 1\r\n[Other]\r\nx=1\r\n[Section]\r\n{LOOP}= 5\r\n{KIND}= 2\r\n")
        # The platform reads the first section of a name and nothing of a repeat.
        self.assertEqual(self.load(folder, content), {"kind": "1", "loop": "0", "file": ""})

    def test_settings_survive_a_code_page_other_than_932(self):
        folder = self.session.install("ルモラ")
        western = {"LANG": "C.UTF-8"}
        acp = self.probe_settings(folder, "acp", env=western)["acp"]
        self.assertNotEqual(acp, "932")
        self.assertEqual(self.probe_settings(folder, "save", "1", "7", "", env=western)["result"], "1")
        self.assertTrue((folder / ini.NAME).exists(), "the file was not created under its own name")
        self.assertEqual(self.probe_settings(folder, "load", env=western),
                         {"kind": "1", "loop": "7", "file": ""})
        # Saving again replaces the values instead of adding keys.
        self.probe_settings(folder, "save", "1", "8", "", env=western)
        self.assertEqual(self.probe_settings(folder, "load", env=western)["loop"], "8")
        self.assertEqual((folder / ini.NAME).read_bytes().count(b"\n"), 4)


if __name__ == "__main__":
    harness.main()
