#!/usr/bin/env python3
"""The Linux edition as the desktop runs it: under XScreenSaver's own daemon on
two monitors side by side (what it starts, what each monitor shows, what is
heard, what odd settings and options leave), and under MATE's screen saver."""
import os
import re
import shutil
import signal
import subprocess
import tempfile
import unittest
from pathlib import Path

from harness import ini, screen, sound
from harness.daemon import PROGRAM, Daemon, Mate, alive, state, wait_for
from harness.testcase import Showers, main
from harness.xserver import Xvfb, stop

PLAIN, ODD_OPTIONS = 1, 2
PROGRAMS = ("-root", "-root -bogus --track x -music jazz -file")
TONE = 660  # Hz, the test's own WAV


class UnderXScreenSaver(Showers, unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.daemon = Daemon("daemon", PROGRAMS)

    @classmethod
    def tearDownClass(cls):
        cls.daemon.close()

    def setUp(self):
        self.daemon.settings(ini.utf8(kind=0))
        self.daemon.forget_sound()

    def blank(self, entry=PLAIN):
        hacks, mark = self.daemon.select(entry)
        self.addCleanup(self.daemon.deactivate)
        return hacks, mark

    def assert_gone_within_a_second(self):
        seconds = self.daemon.deactivate()
        self.assertIsNotNone(seconds, "a hack outlived the deactivation by 10 s")
        self.assertLess(seconds, 1.0)

    def test_lumora_runs_in_each_monitors_window_with_a_shower_of_its_own(self):
        hacks, _ = self.blank()
        self.assertEqual([hack.screen for hack in hacks], [0, 1])
        for hack, (left, top, right, bottom) in zip(hacks, self.daemon.boxes):
            self.assertEqual(os.readlink(f"/proc/{hack.pid}/exe"), str(self.daemon.program.resolve()))
            environment = dict(entry.split("=", 1) for entry in
                               Path(f"/proc/{hack.pid}/environ").read_text().split("\0") if "=" in entry)
            self.assertEqual(int(environment["XSCREENSAVER_WINDOW"], 16), hack.window)
            self.assertEqual(self.daemon.geometry(hack.window), (left, top, right - left, bottom - top))
        self.assert_showers(self.daemon)
        self.assert_gone_within_a_second()

    def test_the_chosen_music_plays_once_for_all_monitors_and_stops_with_the_daemon(self):
        wav = self.daemon.music_file("tone.wav", TONE)
        self.daemon.settings(ini.utf8(kind=2, loop=0, path=wav))
        hacks, _ = self.blank()
        players = set()

        def heard():
            players.update(self.daemon.players())
            return self.daemon.heard()[0] >= 0.3
        self.assertTrue(wait_for(heard, 20), f"heard {self.daemon.heard()}")
        # Both hacks start together: a second player would show within a while.
        wait_for(lambda: players.update(self.daemon.players()), 2)
        self.assertEqual(len(players), 1, f"players {players}")
        self.assertIn(players.pop(), {hack.pid for hack in hacks})
        self.assertAlmostEqual(self.daemon.heard()[1], TONE, delta=TONE * 0.05)
        self.assert_gone_within_a_second()
        self.assertEqual(self.daemon.players(), set(), "the sound device is still held")

    def test_the_music_goes_to_the_sound_server_and_ends_with_the_hack(self):
        server = self.daemon.sound_server()
        self.addCleanup(server.close)
        self.daemon.settings(ini.utf8(kind=2, loop=0, path=self.daemon.music_file("tone.wav", TONE)))
        self.blank()
        self.assertTrue(wait_for(lambda: server.heard()[0] >= 0.3, 20), f"heard {server.heard()}")
        self.assertAlmostEqual(server.heard()[1], TONE, delta=TONE * 0.05)
        self.assertEqual(self.daemon.players(), set(), "played to ALSA beside the sound server")
        self.assert_gone_within_a_second()
        self.assertTrue(server.silent_from_now(), "heard after the hack ended")

    def test_damaged_settings_and_odd_options_leave_the_defaults(self):
        junk = b"\xef\xbb\xbf[Section\n\x00\xff\xfe=\n" + "[Section]\nBGM区分=two\nBGMﾌｧｲﾙ\n".encode() + b"=" * 5000
        for case, entry, settings in (("junk lumora.ini", PLAIN, junk),
                                      ("odd options", ODD_OPTIONS, ini.utf8(kind=0))):
            with self.subTest(case):
                self.daemon.settings(settings)
                hacks, mark = self.blank(entry)
                self.assertTrue(all(alive(hack.pid) for hack in hacks), case)
                self.assert_showers(self.daemon)
                self.assertIn("\nlumora: ", self.daemon.log()[mark:], "no word on the daemon's log")
                self.assertEqual(self.daemon.players(), set(), "music without settings for it")
                self.assert_gone_within_a_second()

    def test_a_stopped_hack_draws_on_once_continued(self):
        hacks, _ = self.blank()
        # Stopped before its first frame, a hack would leave its monitor black.
        self.assert_showers(self.daemon)
        pid = hacks[0].pid
        os.kill(pid, signal.SIGSTOP)
        self.addCleanup(lambda: alive(pid) and os.kill(pid, signal.SIGCONT))
        self.assertTrue(wait_for(lambda: state(pid) == "T", 5))

        def frozen():
            a, b = self.daemon.stars()[0], self.daemon.stars()[0]
            return a == b and a
        still = wait_for(frozen, 5)
        self.assertTrue(still, "a stopped hack's monitor still changes")
        os.kill(pid, signal.SIGCONT)
        self.assertTrue(wait_for(lambda: len(still & self.daemon.stars()[0]) < len(still) // 2, 5),
                        "the shower did not go on")
        self.assert_showers(self.daemon)
        self.assert_gone_within_a_second()


class UnderMate(Showers, unittest.TestCase):
    def test_mate_runs_lumora_with_its_music_until_it_deactivates(self):
        mate = Mate("mate")
        self.addCleanup(mate.close)
        server = mate.sound_server()
        self.addCleanup(server.close)
        wav = mate.tmp / "tone.wav"
        sound.write_tone(wav, TONE, 2.0)
        mate.settings_file.write_bytes(ini.utf8(kind=2, loop=0, path=wav))
        hacks = mate.activate()
        self.assertEqual(len(hacks), 1, "mate-screensaver started no program")
        # Told of no runtime folder, lumora finds the user's.
        self.assertNotIn(b"XDG_RUNTIME_DIR=", Path(f"/proc/{hacks[0]}/environ").read_bytes())
        self.assert_showers(mate)
        self.assertTrue(wait_for(lambda: server.heard()[0] >= 0.3, 20), f"heard {server.heard()}")
        self.assertAlmostEqual(server.heard()[1], TONE, delta=TONE * 0.05)
        seconds = mate.deactivate()
        self.assertIsNotNone(seconds)
        self.assertLess(seconds, 1.0)
        self.assertTrue(server.silent_from_now(), "heard after the hack ended")


class OnEveryScreen(Showers, unittest.TestCase):
    """lumora -root on screens of every depth: the stars' colours (their white
    cores among them) come out right on TrueColor, and any other visual is told."""

    def lumora_on(self, depth, *options, xvfb=None):
        if xvfb is None:
            xvfb = Xvfb(f"800x600x{depth}")
            self.addCleanup(xvfb.close)
        home = tempfile.TemporaryDirectory()
        self.addCleanup(home.cleanup)
        proc = subprocess.Popen([str(PROGRAM), *(options or ("-root",)), "-music", "none"], stderr=subprocess.PIPE,
                                text=True,
                                env={**os.environ, "DISPLAY": xvfb.display, "HOME": home.name,
                                     "XDG_CONFIG_HOME": home.name})
        self.addCleanup(proc.stderr.close)
        self.addCleanup(lambda: proc.poll() is not None or stop(proc))
        xvfb.stars = lambda: [set(screen.stars(screen.rgb(xvfb.grab(), 800, 600), 800)[1])]
        return xvfb, proc

    def test_truecolor_screens_of_15_16_and_30_bits_show_the_shower(self):
        for depth in (15, 16, 30):
            with self.subTest(depth=depth):
                xvfb, proc = self.lumora_on(depth)
                self.assert_showers(xvfb)
                self.assertIsNone(proc.poll())

    def test_a_window_of_its_own_names_its_program_and_fits_the_screen_or_the_geometry(self):
        for options, size in ((("-window",), "800x600"), (("-window", "-geometry", "320x240+10+20"), "320x240")):
            with self.subTest(options=options):
                xvfb, proc = self.lumora_on(24, *options)
                # xdotool fails while there is no such window yet.
                search = ["xdotool", "search", "--class", "Lumora"]
                found = wait_for(lambda: subprocess.run(search, env={**os.environ, "DISPLAY": xvfb.display},
                                                        capture_output=True, text=True).stdout.split(), 10)
                self.assertTrue(found, "no window of class Lumora")
                told = xvfb.run("xprop", "-id", found[0], "WM_CLASS", "_NET_WM_PID", "WM_NORMAL_HINTS")
                self.assertIn('WM_CLASS(STRING) = "lumora", "Lumora"', told)
                self.assertIn(f"_NET_WM_PID(CARDINAL) = {proc.pid}", told)
                self.assertIn(f"{size.replace('x', ' by ')}", told)

    def test_a_window_lent_shows_the_frame_rate_and_gets_its_backing_store_back_when_sigterm_ends_it(self):
        xvfb = Xvfb("800x600x24")
        self.addCleanup(xvfb.close)
        # xeyes draws in the one child of its top window, kept by the server as asked.
        eyes = subprocess.Popen(["xeyes", "+shape", "-backing", "Always", "-geometry", "800x600+0+0"],
                                env={**os.environ, "DISPLAY": xvfb.display})
        self.addCleanup(stop, eyes)
        top = wait_for(lambda: xvfb.xdotool("search", "--class", "xeyes"), 10)
        window = re.search(r"(0x[0-9a-f]+) \(has no name\)", xvfb.run("xwininfo", "-children", "-id", top[0]))[1]
        backing = lambda: re.search(r"Backing Store State: (\w+)", xvfb.run("xwininfo", "-id", window))[1]  # noqa: E731
        self.assertEqual(backing(), "Always")
        _, proc = self.lumora_on(24, "-window-id", window, "-fps", xvfb=xvfb)
        self.assertTrue(wait_for(lambda: backing() == "NotUseful", 10))

        def corner():
            # White letters on black in the bottom left corner, where stars would colour it.
            raw = screen.rgb(xvfb.grab(), 800, 600)
            pixels = {raw[3 * (800 * y + x):3 * (800 * y + x) + 3] for y in range(556, 588) for x in range(12, 150)}
            return pixels == {b"\0\0\0", b"\xff\xff\xff"}
        self.assertTrue(wait_for(corner, 10), "no frame rate in the corner")
        proc.terminate()
        # What XScreenSaver calls a normal end, after everything is given back.
        self.assertEqual(proc.wait(timeout=10), -signal.SIGTERM)
        self.assertEqual(backing(), "Always")

    def test_a_pseudocolor_screen_is_told_and_refused(self):
        _, proc = self.lumora_on(8)
        self.assertEqual(proc.wait(timeout=10), 1)
        self.assertRegex(proc.stderr.read(), r"\Alumora: the screen has a PseudoColor visual of 8 bits; [^\n]+\n\Z")


class MusicOfEveryKind(Showers, unittest.TestCase):
    """lumora -window's music as ALSA hears it: the audio CD read from a disc
    image, and a file of each kind that lumora names, looped."""

    @classmethod
    def setUpClass(cls):
        cls.tmp = Path(tempfile.mkdtemp(prefix="lumora-music-"))
        cls.xvfb = Xvfb("800x600x24")
        cls.xvfb.stars = lambda: [set(screen.stars(screen.rgb(cls.xvfb.grab(), 800, 600), 800)[1])]
        cls.capture = sound.PacedCapture(cls.tmp / "sound", cls.tmp / "heard.raw")
        cls.env = {key: value for key, value in os.environ.items() if key != "XDG_RUNTIME_DIR"}
        cls.env.update(DISPLAY=cls.xvfb.display, HOME=str(cls.tmp), XDG_CONFIG_HOME=str(cls.tmp),
                       **sound.capture_env(cls.tmp, cls.tmp / "sound", into_pipe=True))

    @classmethod
    def tearDownClass(cls):
        cls.capture.close()
        cls.xvfb.close()
        shutil.rmtree(cls.tmp, ignore_errors=True)

    def lumora(self, *options):
        """lumora -window started afresh, with nothing heard yet; what it said goes to self.said."""
        self.capture.record.write_bytes(b"")
        self.said = self.tmp / "said.txt"
        with open(self.said, "w") as said:
            proc = subprocess.Popen([str(PROGRAM), "-window", *options], stderr=said, env=self.env)
        self.addCleanup(lambda: proc.poll() is not None or stop(proc))
        return proc

    def assert_hears(self, frequency, seconds=0.3, last=None):
        """`seconds` of `frequency` heard, among the last `last` seconds when given."""
        def heard():
            raw = self.capture.record.read_bytes()
            return sound.tone(raw[-int(last * sound.BYTES_A_SECOND) // 4 * 4:] if last else raw)
        self.assertTrue(wait_for(lambda: heard()[0] >= seconds and abs(heard()[1] - frequency) < frequency * 0.05, 20),
                        f"heard {heard()}, not {frequency} Hz")

    def test_the_cd_of_a_disc_image_plays_holds_its_repeat_track_and_steps_by_the_arrows(self):
        disc = self.tmp / "disc.cue"
        sound.write_disc(disc, [(440, 8), (660, 8), (880, 8)])
        proc = self.lumora("-music", "cd", "-device", str(disc))
        self.assert_hears(440, last=0.6)
        window = wait_for(lambda: self.xvfb.xdotool("search", "--class", "Lumora"), 10)
        for key, frequency in (("Right", 660), ("Right", 880), ("Left", 660)):
            with self.subTest(key=key, frequency=frequency):
                self.xvfb.xdotool("key", "--window", window[0], key)
                self.assert_hears(frequency, last=0.6)
        stop(proc)

        # Played again and again: every second heard is the track's, none the next's.
        # The settings file's choice, its drive beside it.
        short = self.tmp / "short.cue"
        sound.write_disc(short, [(440, 2), (660, 2), (880, 2)])
        settings = self.tmp / "lumora" / "lumora.ini"
        settings.parent.mkdir(exist_ok=True)
        settings.write_bytes(ini.utf8(kind=1, loop=2) + f"CDﾄﾞﾗｲﾌﾞ={short}\n".encode())
        self.addCleanup(settings.unlink)
        proc = self.lumora()
        self.assert_hears(660, seconds=4.5)
        stop(proc)

        # No drive: told once, and the stars go on.
        proc = self.lumora("-music", "cd", "-device", str(self.tmp / "none.cue"))
        self.assertTrue(wait_for(lambda: self.said.read_text(), 20), "nothing said of the missing drive")
        self.assertRegex(self.said.read_text(), r"\Alumora: the audio CD cannot be played: [^\n]+\n\Z")
        self.assert_showers(self.xvfb)
        self.assertIsNone(proc.poll())

    def test_a_file_of_each_kind_plays_over_and_over(self):
        encoders = (("flac", 500, "flacenc"), ("ogg", 560, "vorbisenc ! oggmux"), ("opus", 620, "opusenc ! oggmux"),
                    ("m4a", 680, "avenc_aac ! mp4mux"), ("mp3", 740, "lamemp3enc"))
        for kind, frequency, encoder in encoders:
            with self.subTest(kind=kind):
                music = self.tmp / f"tone.{kind}"
                subprocess.run(["gst-launch-1.0", "-q", "-e", "audiotestsrc", f"freq={frequency}", "volume=0.5",
                                "num-buffers=10", "samplesperbuffer=4410", "!", "audio/x-raw,rate=44100,channels=2",
                                "!", "audioconvert", "!", "audioresample", "!", *encoder.split(), "!", "filesink",
                                f"location={music}"], check=True, timeout=60)
                proc = self.lumora("-music", "file", "-file", str(music))
                # A second's file heard for longer: it went round.
                self.assert_hears(frequency, seconds=2.3)
                stop(proc)
                self.assertEqual(self.said.read_text(), "")
        with self.subTest(kind="no music"):
            text = self.tmp / "words.ogg"
            text.write_text("no sound in here\n" * 100)
            proc = self.lumora("-music", "file", "-file", str(text))
            self.assertTrue(wait_for(lambda: self.said.read_text(), 20), "nothing said of the file")
            self.assertRegex(self.said.read_text(), rf"\Alumora: the music file {text} cannot be played: [^\n]+\n\Z")
            self.assertIsNone(proc.poll())


if __name__ == "__main__":
    main()
