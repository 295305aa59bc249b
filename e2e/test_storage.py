#!/usr/bin/env python3
"""Where the settings go and that they are never lost, under Wine: the file
beside the program while it can hold them, the per-user file (UTF-16) when the
program folder is read-only, the disk is full or the music path does not fit
the ANSI code page, a message when nothing can be written, and one instance at
a time. What is saved is proved by loading it back and by the music that the
next start plays."""
import os
import random
import subprocess
import time

import harness
from harness import ini
from harness.ini import FILE, KIND, LOOP
from harness.titles import CHOOSER, DIALOG, MESSAGE

INI = ini.NAME
LINE_BREAK = "\u2424"  # how window_holder writes a line break inside a text
SAVE_FAILED = "設定を保存できませんでした。"


def japanese_path(base, characters):
    """A path under `base` of exactly `characters` characters, nearly all of them
    Japanese, in folders short enough for the Unix file system."""
    parts, left = [], characters - len(base) - len(".wav")
    kana = "ルモラの音楽ふぉるだ"
    while left > 0:
        take = min(left - 1, 60)
        if left - 1 - take == 1:  # never leave a folder of no name
            take -= 1
        parts.append("".join(kana[i % len(kana)] for i in range(take)))
        left -= take + 1
    path = base + "\\" + "\\".join(parts) + ".wav"
    assert len(path) == characters, len(path)
    return path


class Storage(harness.WineTestCase):
    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        media = cls.session.tmp / "media"
        media.mkdir()
        cls.media = media
        cls.wav = media / "tone.wav"
        cls.mp3 = media / "tone.mp3"
        harness.make_tones(cls.wav, cls.mp3)
        for path in (media, cls.wav, cls.mp3):
            os.chmod(path, 0o755 if path.is_dir() else 0o644)

    def setUp(self):
        # Every case of the session's prefix starts with no per-user file.
        for folder in (self.per_user_folder(), self.session.local_appdata / "VirtualStore"):
            subprocess.run(["rm", "-rf", str(folder)], check=True)

    # Places -------------------------------------------------------------------
    def per_user_folder(self, place=None):
        return (place or self.session).appdata / "Lumora"

    def virtual_store(self, folder):
        """Where Windows' file virtualisation would have put the file beside `folder`."""
        return self.session.local_appdata / "VirtualStore" / str(folder).lstrip("/") / INI

    def read_per_user(self, path):
        data = path.read_bytes()
        self.assertEqual(data[:2], b"\xff\xfe", "the per-user file has no UTF-16LE byte-order mark")
        return ini.values(data)

    def assert_saved(self, values, kind, path, loop):
        """The values saved; the repeat track is the one loaded, as the dialog
        keeps it when only the music changes."""
        self.assertEqual((values.get(KIND), values.get(LOOP), values.get(FILE)), (str(kind), str(loop), path))

    def leftovers(self, folder, expected):
        """Files in a folder beyond the ones expected there: a temporary copy left
        behind is a fault as well."""
        return sorted(set(os.listdir(folder)) - set(expected))

    # Running ------------------------------------------------------------------
    def save_choice(self, folder, music, place=None):
        """Chooses `music` in the dialog, saves, and expects the dialog to close."""
        dialog = self.open_dialog(folder, place)
        dialog.choose_file(music)
        dialog.save()
        self.assertTrue(dialog.wait_closed(), "the dialog did not close after 設定")

    def assert_plays(self, folder, name, frequency, place=None):
        seconds, heard, level = harness.play(self.session, folder, name, place=place,
                                             seconds=3 if frequency == 440 else 5, enough=1.0)
        self.assertGreater(seconds, 0.5, "the saved music did not play")
        self.assertAlmostEqual(heard, frequency, delta=frequency / 12)
        self.assertGreater(level, 0.2)

    def wait_message(self, place, folder):
        """The message box titled ルモラ: its texts and owner."""
        self.assertTrue(self.session.wait_window(MESSAGE, timeout=20), "no message box")
        out = place.run(folder / "window_holder.exe", "--texts", MESSAGE).out
        return [line.split("=", 1) for line in out.splitlines() if "=" in line]

    def dismiss_message(self):
        box = self.session.windows(MESSAGE)[0]
        self.session.xdotool("windowfocus", "--sync", box)
        self.session.xdotool("key", "Return")
        self.assertTrue(self.session.wait_gone(MESSAGE), "the message box stayed")

    # Cases --------------------------------------------------------------------
    def test_a_read_only_program_folder_sends_the_save_to_the_per_user_file(self):
        box = harness.Sandbox(self.session, "read-only", user=harness.NOBODY)
        before = ini.ansi(1, 3, "")
        music = harness.win_path(self.wav)
        cases = [("folder and file read-only", 0o555, 0o444),
                 ("folder read-only, no file", 0o555, None),
                 ("file read-only in a writable folder", 0o755, 0o444)]
        for name, folder_mode, file_mode in cases:
            with self.subTest(case=name):
                subprocess.run(["rm", "-rf", str(self.per_user_folder(box))], check=True)
                folder = box.folder()
                if file_mode is not None:
                    (folder / INI).write_bytes(before)
                    box.give(folder / INI)
                    os.chmod(folder / INI, file_mode)
                os.chmod(folder, folder_mode)
                loop = 0 if file_mode is None else 3
                self.save_choice(folder, music, place=box)
                # A read-only file stays as it is, in a writable folder too (Windows
                # refuses to move a file over it; the program asks for itself, as
                # Wine would replace it), and the save goes to the per-user file.
                self.assert_saved(self.read_per_user(self.per_user_folder(box) / INI), 2, music, loop)
                self.assertEqual(self.leftovers(self.per_user_folder(box), [INI]), [])
                if file_mode is None:
                    self.assertFalse((folder / INI).exists())
                else:
                    self.assertEqual((folder / INI).read_bytes(), before)
                self.assertEqual(self.probe_settings(folder, "load", place=box),
                                 {"kind": "2", "loop": str(loop), "file": music})
                # The real proof: the next start plays it.
                self.assert_plays(folder, "read-only-" + str(len(name)), 440, place=box)

    def test_a_save_that_fails_everywhere_says_so_and_keeps_the_dialog(self):
        box = harness.Sandbox(self.session, "nowhere", user=harness.NOBODY)
        appdata = box.appdata
        mine = self.per_user_folder(box)
        before = ini.ansi(1, 3, "")
        earlier = ini.per_user(1, 4, "")
        music = harness.win_path(self.wav)
        # What stands in the way of the per-user file, and how it is cleared.
        cases = [("a read-only per-user folder", mine, None),
                 ("a read-only %APPDATA%", appdata, None),
                 ("a read-only per-user file", mine, earlier)]
        for number, (name, locked, existing) in enumerate(cases):
            with self.subTest(case=name):
                subprocess.run(["rm", "-rf", str(mine)], check=True)
                folder = box.folder()
                (folder / INI).write_bytes(before)
                box.give(folder / INI)
                os.chmod(folder / INI, 0o444)
                os.chmod(folder, 0o555)
                mine.mkdir(parents=True, exist_ok=True)
                if existing is not None:
                    (mine / INI).write_bytes(existing)
                box.give(mine)
                if existing is not None:
                    os.chmod(mine / INI, 0o444)
                if locked == appdata:
                    os.rmdir(mine)
                os.chmod(locked, 0o555)
                try:
                    dialog = self.open_dialog(folder, box)
                    dialog.choose_file(music)
                    dialog.save()
                    texts = self.wait_message(box, folder)
                    if number == 0:
                        shot = self.session.screenshot(harness.screenshots() / "storage-save-failed.png")
                        print(f"\nscreenshot: {shot}")
                    self.assertIn(["owner", DIALOG], texts)
                    said = [text for label, text in texts if label == "text"]
                    self.assertTrue(any(text.startswith(SAVE_FAILED) for text in said), said)
                    # Says which folders it tried and why each refused, not only that
                    # it failed. With a per-user file there was only that one to try.
                    lines = next(text for text in said if text.startswith(SAVE_FAILED)).split(LINE_BREAK)
                    tried = [harness.win_path(folder)] if existing is None else []
                    tried.append(f"C:\\users\\{box.user_name}\\AppData\\Roaming\\Lumora")
                    for place in tried:
                        self.assertIn(place, lines)
                        reason = lines[lines.index(place) + 1:][:1]
                        self.assertTrue(reason and reason[0].strip(), f"no reason after {place}: {lines}")
                    self.assertEqual(len(self.session.windows(DIALOG)), 1)
                    self.dismiss_message()
                    time.sleep(0.5)
                    self.assertEqual(len(self.session.windows(DIALOG)), 1,
                                     "the dialog closed with a failed save")
                    self.assertIsNone(dialog.proc.poll())
                    self.assertEqual((folder / INI).read_bytes(), before)
                    if existing is None:
                        self.assertFalse((mine / INI).exists())
                    else:
                        self.assertEqual((mine / INI).read_bytes(), existing)
                    self.assertEqual(self.leftovers(folder, [INI, *harness.INSTALLED]), [])
                    # The choice is still there: once the per-user place can be
                    # written, the same dialog saves it.
                    os.chmod(locked, 0o755)
                    if existing is not None:
                        os.chmod(mine / INI, 0o644)
                    dialog.save()
                    self.assertTrue(dialog.wait_closed(), "the dialog did not close after 設定")
                    self.assert_saved(self.read_per_user(mine / INI), 2, music, 3 if existing is None else 4)
                    self.assertEqual((folder / INI).read_bytes(), before)
                finally:
                    os.chmod(locked, 0o755)

    def test_a_full_disk_leaves_the_earlier_settings_whole(self):
        before = ini.ansi(1, 3, "")
        earlier = ini.per_user(1, 4, "")
        music = harness.win_path(self.wav)
        helpers = ["Lumora.scr", "settings_probe.exe", "window_holder.exe"]
        for per_user_full in (False, True):
            with self.subTest(per_user_full=per_user_full):
                box = harness.Sandbox(self.session, f"full-{per_user_full}", private_mounts=True)
                self.addCleanup(box.close)
                folder = box.root / "programs" / "Lumora"
                folder.mkdir(parents=True)
                mine = self.per_user_folder(box)
                mine.mkdir(parents=True)
                sources = " ".join(f"'{harness.built(name)}'" for name in helpers)
                staged = box.root / "staged"
                staged.mkdir()
                (staged / "beside").write_bytes(before)
                (staged / "per-user").write_bytes(earlier)
                # dd ends with "no space left": the file system is full to its last block.
                script = f"""
mount -t tmpfs -o size=24m tmpfs '{folder}'
cp {sources} '{folder}/'
cp '{staged}/beside' '{folder}/{INI}'
dd if=/dev/zero of='{folder}/filler' bs=4k 2>/dev/null || true
"""
                if per_user_full:
                    script += f"""
mount -t tmpfs -o size=64k tmpfs '{mine}'
cp '{staged}/per-user' '{mine}/{INI}'
dd if=/dev/zero of='{mine}/filler' bs=4k 2>/dev/null || true
"""
                script += f"df -k --output=avail '{folder}' '{mine}'"
                free = box.shell(script).split()[1:]
                self.assertEqual(free, ["0", "0" if per_user_full else free[1]])
                seen_folder, seen_mine = box.seen(folder), box.seen(mine)
                dialog = self.open_dialog(folder, box)
                dialog.choose_file(music)
                dialog.save()
                if per_user_full:
                    texts = self.wait_message(box, folder)
                    self.assertTrue(any(label == "text" and text.startswith(SAVE_FAILED)
                                        for label, text in texts), texts)
                    self.dismiss_message()
                    dialog.cancel()
                self.assertTrue(dialog.wait_closed())
                # Nothing cut, nothing empty, nothing left over.
                self.assertEqual((seen_folder / INI).read_bytes(), before)
                self.assertEqual(self.leftovers(seen_folder, helpers + [INI, "filler"]), [])
                if per_user_full:
                    self.assertEqual((seen_mine / INI).read_bytes(), earlier)
                    self.assertEqual(self.leftovers(seen_mine, [INI, "filler"]), [])
                    self.assertEqual(self.probe_settings(folder, "load", place=box),
                                     {"kind": "1", "loop": "4", "file": ""})
                else:
                    # The program folder was full: the per-user file took the save.
                    self.assert_saved(self.read_per_user(seen_mine / INI), 2, music, 3)
                    self.assertEqual(self.probe_settings(folder, "load", place=box),
                                     {"kind": "2", "loop": "3", "file": music})

    def test_paths_the_code_page_cannot_hold_go_to_the_per_user_file(self):
        media = self.session.tmp / "names"
        media.mkdir(exist_ok=True)
        beyonce = media / "Beyoncé.wav"
        korean = media / "한국.mp3"
        beyonce.write_bytes(self.wav.read_bytes())
        korean.write_bytes(self.mp3.read_bytes())
        long_path = japanese_path(harness.win_path(media), 160)
        unix_long = media / "/".join(long_path[len(harness.win_path(media)) + 1:].split("\\"))
        unix_long.parent.mkdir(parents=True, exist_ok=True)
        unix_long.write_bytes(self.wav.read_bytes())
        self.assertGreater(len(long_path.encode("cp932")), 254)
        before = ini.ansi(1, 3, "")
        for path, unix, frequency in ((harness.win_path(beyonce), beyonce, 440),
                                      (harness.win_path(korean), korean, 1000),
                                      (long_path, unix_long, 440)):
            with self.subTest(path=unix.name):
                self.setUp()
                folder = self.install()
                (folder / INI).write_bytes(before)
                self.save_choice(folder, path)
                self.assert_saved(self.read_per_user(self.per_user_folder() / INI), 2, path, 3)
                self.assertEqual((folder / INI).read_bytes(), before)
                self.assertEqual(self.probe_settings(folder, "load"), {"kind": "2", "loop": "3", "file": path})
                # Played, too: for a WAV the player takes the file's short name when
                # the ANSI code page cannot carry its long one.
                self.assert_plays(folder, f"name-{frequency}-{len(path)}", frequency)

    def test_a_path_of_254_bytes_still_fits_beside_the_program(self):
        folder = self.install()
        base = harness.win_path(self.media)
        name = "b" * (254 - len(base) - 1 - len(".wav")) + ".wav"
        (self.media / name).write_bytes(self.wav.read_bytes())
        path = base + "\\" + name
        self.assertEqual(len(path.encode("cp932")), 254)
        self.save_choice(folder, path)
        self.assert_saved(ini.read(folder), 2, path, 0)
        self.assertFalse(self.per_user_folder().exists())

    def test_an_ordinary_save_writes_the_old_bytes_beside_the_program(self):
        music = harness.win_path(self.mp3)
        starts = {
            "no file": (None, "0"),
            "a file with more in it": (("; kept\r\n[Other]\r\nname=value\r\n[Section]\r\n"
                                        f"{KIND}= 1\r\n{LOOP}= 5\r\nextra=1\r\n").encode("cp932"), "5"),
        }
        for name, (start, loop) in starts.items():
            with self.subTest(start=name):
                self.setUp()
                folder = self.install()
                old = self.install()
                if start is not None:
                    (folder / INI).write_bytes(start)
                    (old / INI).write_bytes(start)
                self.save_choice(folder, music)
                self.probe_settings(old, "save-ansi", "2", loop, music)
                self.assertEqual((folder / INI).read_bytes(), (old / INI).read_bytes())
                self.assertFalse(self.per_user_folder().exists(), "a per-user file was made")
                self.assertEqual(self.leftovers(folder, os.listdir(old)), [])

    def test_damaged_per_user_files_give_defaults(self):
        rng = random.Random(2024)
        filler = "".join(f"key{i}=value{i}\r\n" for i in range(7000))
        cases = {
            "random bytes": bytes(rng.randrange(256) for _ in range(20000)),
            "a byte-order mark alone": b"\xff\xfe",
            "a 100 kB section": b"\xff\xfe" + f"[Section]\r\n{filler}".encode("utf-16-le"),
        }
        self.assertGreater(len(cases["a 100 kB section"]), 100000)
        for name, content in cases.items():
            with self.subTest(case=name):
                folder = self.install()
                mine = self.per_user_folder()
                mine.mkdir(parents=True, exist_ok=True)
                (mine / INI).write_bytes(content)
                got = self.probe_settings(folder, "load")
                if name == "random bytes":
                    self.assertEqual(set(got), {"kind", "loop", "file"})
                else:
                    self.assertEqual(got, {"kind": "0", "loop": "0", "file": ""})
                dialog = self.open_dialog(folder)
                dialog.cancel()
                self.assertTrue(dialog.wait_closed())
                self.assertEqual(dialog.proc.wait(timeout=10), 0)
                seconds, _, _ = harness.play(self.session, folder, "damaged-" + name[:6], seconds=1)
                self.assertEqual(seconds, 0.0)
                self.assertEqual((mine / INI).read_bytes(), content, "loading changed the file")

    def test_loading_takes_the_per_user_file_then_the_one_beside_then_the_virtual_store(self):
        folder = self.install()
        store = self.virtual_store(folder)
        mine = self.per_user_folder() / INI
        places = {"store": (store, ini.ansi(1, 1, "")), "beside": (folder / INI, ini.ansi(1, 2, "")),
                  "mine": (mine, ini.per_user(1, 3, ""))}
        cases = [(("store",), "1"), (("store", "beside"), "2"), (("store", "beside", "mine"), "3"),
                 (("mine",), "3"), (("beside", "mine"), "3")]
        for present, loop in cases:
            with self.subTest(present=present):
                for name, (path, content) in places.items():
                    if name in present:
                        path.parent.mkdir(parents=True, exist_ok=True)
                        path.write_bytes(content)
                    elif path.exists():
                        path.unlink()
                self.assertEqual(self.probe_settings(folder, "load"), {"kind": "1", "loop": loop, "file": ""})

    def test_two_starts_back_to_back_open_one_window(self):
        folder = self.install()
        program = f'"{harness.win_path(folder / "Lumora.scr")}"'

        def double(*lines):
            # Under a heavy load Wine's CreateProcess has once failed outright;
            # the helper then ends what it started, and the pair is started anew.
            for _ in range(3):
                result = self.session.run(folder / "double_start.exe", *lines, timeout=90)
                self.assertFalse(result.timed_out)
                counts = dict(kv.split("=", 1) for kv in result.out.split() if "=" in kv)
                if "error" not in counts:
                    break
                print("double_start could not start a program:", counts["error"], flush=True)
            self.assertNotIn("terminated", result.out, "a window did not close on WM_CLOSE")
            return counts

        for attempt in range(20):
            with self.subTest(attempt=attempt):
                counts = double(f"{program} /c")
                self.assertEqual((counts.get("dialogs"), counts.get("displays")), ("1", "0"), counts)
                self.assertEqual(counts.get("ended"), "1", "the second start did not end at once")
        # No switch shows the display too, and takes the same turn.
        for first, second in (("/c", "/s"), ("/s", "/c"), ("", "/c"), ("/s", "")):
            with self.subTest(pair=(first, second)):
                counts = double(f"{program} {first}".strip(), f"{program} {second}".strip())
                self.assertEqual(int(counts["dialogs"]) + int(counts["displays"]), 1, counts)

    def test_a_running_preview_does_not_keep_the_dialog_away(self):
        folder = self.install()
        _, handle = self.pane(folder, "152", "112")
        preview = self.start(folder / "Lumora.scr", "/p", handle)
        time.sleep(1.5)
        self.assertIsNone(preview.poll(), "the preview ended")
        dialog = self.open_dialog(folder)
        dialog.cancel()
        self.assertTrue(dialog.wait_closed())
        self.assertIsNone(preview.poll(), "the dialog ended the preview")

    def test_the_chooser_driven_to_its_end_saves_the_typed_mp3(self):
        folder = self.install()
        music = harness.win_path(self.mp3)
        self.save_choice(folder, music)
        self.assert_saved(ini.read(folder), 2, music, 0)
        self.assertFalse(self.per_user_folder().exists())

    def test_the_chooser_takes_only_a_file_that_exists(self):
        folder = self.install()
        music = harness.win_path(self.mp3)
        dialog = self.open_dialog(folder)
        chooser = dialog.open_chooser()
        dialog.type_into_chooser(chooser, harness.win_path(self.media / "missing.mp3"))
        dialog.press_return_in_chooser(chooser)
        time.sleep(2)
        self.assertIn(chooser, self.session.windows(CHOOSER), "the chooser took a missing file")
        # The chooser says so in a box of its own (untitled, and under Xvfb never
        # drawn), which Return closes.
        dialog_window = dialog.window
        warnings = [w for w in self.session.xdotool("search", "--onlyvisible", "--pid", str(dialog.proc.pid))
                    if w not in (dialog_window, chooser)]
        self.assertEqual(len(warnings), 1, "no word from the chooser about the missing file")
        self.session.xdotool("windowfocus", "--sync", warnings[0])
        self.session.xdotool("key", "Return")
        deadline = time.monotonic() + 15
        while warnings[0] in self.session.xdotool("search", "--onlyvisible", "--pid", str(dialog.proc.pid)):
            self.assertLess(time.monotonic(), deadline, "the chooser's warning stayed")
            time.sleep(0.2)
        dialog.type_into_chooser(chooser, music)
        dialog.press_return_in_chooser(chooser)
        self.assertTrue(self.session.wait_gone(CHOOSER, timeout=10), "the chooser stayed")
        dialog.save()
        self.assertTrue(dialog.wait_closed(), "the dialog did not close after 設定")
        self.assert_saved(ini.read(folder), 2, music, 0)
        self.assertFalse(self.per_user_folder().exists())

    def test_an_existing_per_user_file_takes_the_save(self):
        folder = self.install()
        before = ini.write(folder, 1, 3, "")
        mine = self.per_user_folder()
        mine.mkdir(parents=True)
        (mine / INI).write_bytes(ini.per_user(1, 4, ""))
        music = harness.win_path(self.mp3)
        self.save_choice(folder, music)
        values = self.read_per_user(mine / INI)
        self.assert_saved(values, 2, music, 4)
        self.assertEqual((folder / INI).read_bytes(), before)
        self.assertEqual(self.leftovers(mine, [INI]), [])
        self.assertEqual(self.probe_settings(folder, "load"), {"kind": "2", "loop": "4", "file": music})
        self.assert_plays(folder, "per-user-mp3", 1000)


if __name__ == "__main__":
    harness.main()
