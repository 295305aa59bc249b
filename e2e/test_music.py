#!/usr/bin/env python3
"""Background music under Wine, with the sound captured by ALSA's file plugin:
what plays, that it repeats, and that it stops with the saver. The test files
are made here with sox and lame."""
import time

import harness
from harness import ini


class Music(harness.WineTestCase):
    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        media = cls.session.tmp / "音楽 フォルダ"
        media.mkdir()
        cls.wav = media / "tone.wav"
        cls.mp3 = media / "曲 1000Hz.mp3"
        harness.make_tones(cls.wav, cls.mp3)

    def run_saver(self, folder, name, seconds=3.0, env=None, enough=None):
        """What /s played in `seconds` (or once `enough` was heard), ended by a
        key; nothing may arrive after the end."""
        return harness.play(self.session, folder, name, seconds, env=env, enough=enough, quiet_after=1)

    def test_wav_loops_while_the_saver_runs(self):
        for file_name in ("tone.wav", "tone.Wav"):
            with self.subTest(file=file_name):
                folder = self.session.install()
                wav = folder / file_name
                wav.write_bytes(self.wav.read_bytes())
                ini.write(folder, 2, path=wav)
                seconds, frequency, level = self.run_saver(folder, file_name, enough=2.0)
                self.assertGreater(seconds, 1.5, "the one-second file did not repeat")
                self.assertAlmostEqual(frequency, 440, delta=20)
                self.assertGreater(level, 0.2)

    def test_mp3_in_a_japanese_folder_with_a_blank_plays_again_after_its_end(self):
        for file_name in (self.mp3.name, "song.mp3", "SONG.Mp3"):
            with self.subTest(file=file_name):
                folder = self.session.install()
                mp3 = self.mp3 if file_name == self.mp3.name else folder / file_name
                if mp3 != self.mp3:
                    mp3.write_bytes(self.mp3.read_bytes())
                ini.write(folder, 2, path=mp3)
                seconds, frequency, level = self.run_saver(folder, "mp3-" + file_name, seconds=5, enough=3.0)
                # More than one play of the two-second file.
                self.assertGreater(seconds, 2.5, "the two-second file did not play again")
                self.assertAlmostEqual(frequency, 1000, delta=80)  # the WAV is 440
                self.assertGreater(level, 0.2)

    def test_files_that_cannot_play_leave_the_saver_silent(self):
        folder = self.session.install()
        (folder / "empty.mp3").write_bytes(b"")
        (folder / "bogus.mp3").write_bytes(b"this is no mpeg audio\n" * 100)
        (folder / "song.ogg").write_bytes(self.wav.read_bytes())
        (folder / "text.wav").write_text("RIFF? no, just text\n")
        (folder / "wave.mp3").write_bytes(self.wav.read_bytes())
        long_name = "x" * 200 + ".mp3"
        (folder / long_name).write_bytes(self.mp3.read_bytes()[:4000])
        # A WAV named .mp3 and a path of over 255 characters may play or not: they must
        # not break anything.
        for name in ("missing.mp3", "empty.mp3", "bogus.mp3", "song.ogg", "text.wav", "wave.mp3",
                     long_name):
            with self.subTest(file=name[:20]):
                ini.write(folder, 2, path=folder / name)
                seconds, _, _ = self.run_saver(folder, "silent-" + name[:20], seconds=2)
                if name not in (long_name, "wave.mp3"):
                    self.assertEqual(seconds, 0.0)

    def test_cd_without_a_drive_keeps_the_arrows_for_itself(self):
        folder = self.session.install()
        ini.write(folder, 1, path="")
        saver = self.start_saver(folder, sound="cd")
        time.sleep(0.5)
        for key in ("Left", "Right", "Left"):
            self.session.xdotool("key", key)
            time.sleep(0.3)
            self.assertTrue(saver.running(), f"{key} ended the display")
        self.assertEqual(saver.end(("key", "Down"), timeout=5), 0)

    def test_no_sound_device_plays_nothing_and_fails_nothing(self):
        folder = self.session.install()
        ini.write(folder, 2, path=self.wav)
        self.run_saver(folder, "none", seconds=1.5, env=self.session.no_sound())


if __name__ == "__main__":
    harness.main()
