#!/usr/bin/env python3
"""The Linux edition as a Wayland client: under headless sway as swayidle
starts it (an overlay on every output at the output's own pixels, outputs
added while it runs), what ends it and what does not, its music, odd settings
and the compositor's end; under cage, which has no layer shell, and weston
with no shell at all."""
import os
import re
import signal
import threading
import time
import unittest

from harness import ini, screen
from harness.daemon import alive, wait_for
from harness.testcase import Showers, main
from harness.wayland import NESTED_OUTPUTS, Cage, Sway, Weston, descendants

TONE = 660  # Hz
OVERLAY = 3  # the layer shell's top layer
JUNK = b"\xef\xbb\xbf[Section\n\x00\xff\xfe=\n" + "[Section]\nBGM区分=two\nBGMﾌｧｲﾙ\n".encode() + b"=" * 5000
ODD_OPTIONS = ("-bogus", "--track", "x", "-music", "jazz", "-file")
COMMIT = re.compile(r"-> wl_surface@\d+\.commit\(\)")
MOTION = re.compile(r" wl_pointer@\d+\.motion\(")


def told(proc):
    """What lumora wrote on standard error."""
    return proc.err.read_text(errors="replace")


def ended(proc, timeout=10):
    """The exit code, None while it runs on after `timeout`."""
    wait_for(lambda: proc.poll() is not None, timeout, 0.01)
    return proc.poll()


class Covering(Showers):
    def assert_covered(self, compositor):
        """A moving shower on every output, in black to the output's edges."""
        self.assert_showers(compositor)
        for name in compositor.output_names():
            width, _, raw = compositor.grab(name)
            self.assertGreater(screen.black_edges(raw, width), 0.9, f"{name} is not covered to its edges")

    def wait_log(self, proc, pattern, start=0, count=1):
        """Where the `count`th message matching `pattern` after `start` ends in
        the protocol log of a client run with `debug`."""
        def found():
            matches = list(pattern.finditer(told(proc), start))
            return len(matches) >= count and matches[count - 1].end()
        at = wait_for(found, 10)
        self.assertTrue(at, f"no {pattern.pattern} in the protocol log (exit code {proc.poll()})")
        return at


class OnSway(Covering, unittest.TestCase):
    def setUp(self):
        self.sway = Sway()
        self.addCleanup(self.sway.close)

    def test_swayidle_starts_it_over_every_output_and_outputs_added_later(self):
        idle = self.sway.swayidle(str(self.sway.program))
        program = str(self.sway.program.resolve())

        def started():
            return [pid for pid in descendants([idle.pid]) if os.path.realpath(f"/proc/{pid}/exe") == program]
        pids = wait_for(started, 20)
        self.assertTrue(pids, "swayidle started no lumora")
        self.assert_covered(self.sway)
        self.assertEqual(self.sway.layer_surfaces(), [("lumora", OVERLAY)] * 2)
        self.sway.create_output()
        # Every field starts again with the new one, on black, not over the stars it had.
        counts = wait_for(lambda: (c := [len(s) for s in self.sway.stars()])[2:] and c[2] >= 850 and c, 10)
        self.assertTrue(counts and max(counts) <= 1100, counts)
        self.assert_covered(self.sway)
        self.assertEqual(set(self.sway.layer_surfaces()[2:]), {("lumora", OVERLAY)})
        self.assertTrue(alive(pids[0]), "lumora ended with an output added")

    def test_an_output_taken_away_takes_its_surface_and_the_rest_runs_on(self):
        with Sway("inner", NESTED_OUTPUTS, inside=self.sway) as inner:
            proc = inner.lumora()
            self.assert_covered(inner)
            # The inner sway's outputs are windows of the outer one: closing one takes that output away.
            self.sway.msg("[app_id=wlroots title=WL-2] kill")
            self.assertTrue(wait_for(lambda: len(inner.output_names()) == 1, 10), "the output is still there")
            self.assert_covered(inner)
            self.assertIsNone(proc.poll(), told(proc))

    def test_a_key_a_click_or_a_move_in_both_axes_ends_it_and_a_move_in_one_does_not(self):
        # The last step ends it, those before it leave it running.
        for case, steps in (("a key", ()), ("a click", ("move 0 20", "click")),
                            ("a move", ("move 40 0", "move -15 0", "move 25 25"))):
            with self.subTest(case):
                proc = self.sway.lumora(debug=True)
                self.wait_log(proc, COMMIT, count=2)
                if not steps:
                    # wtype's keyboard comes and goes with it: keys sent before
                    # lumora has taken the keyboard reach nobody, so it types on.
                    def typed():
                        if proc.poll() is None:
                            self.sway.run("wtype", "lumora")
                        return proc.poll() is not None
                    wait_for(typed, 20)
                else:
                    pointer = self.sway.pointer()
                    self.wait_log(proc, re.compile(r"get_pointer\("))
                    for step in steps[:-1]:
                        start = len(told(proc))
                        pointer.send(step)
                        # Frames drawn after the motion: it has been taken in.
                        self.wait_log(proc, COMMIT, self.wait_log(proc, MOTION, start), count=6)
                        self.assertIsNone(proc.poll(), f"{step} ended it")
                    pointer.send(steps[-1])
                    pointer.close()
                self.assertEqual(ended(proc), 0, told(proc)[-500:])

    def test_the_chosen_music_plays_until_sigterm_ends_it_within_100_ms(self):
        self.sway.settings(ini.utf8(kind=2, loop=0, path=self.sway.music_file("tone.wav", TONE)))
        proc = self.sway.lumora()
        self.assertTrue(wait_for(lambda: self.sway.heard()[0] >= 0.3, 20), f"heard {self.sway.heard()}")
        self.assertEqual(self.sway.players(), {proc.pid})
        self.assertAlmostEqual(self.sway.heard()[1], TONE, delta=TONE * 0.05)
        guard = threading.Timer(5, proc.kill)
        guard.start()
        started = time.monotonic()
        proc.send_signal(signal.SIGTERM)
        proc.wait()
        took = time.monotonic() - started
        guard.cancel()
        # By that signal, as a daemon expects of its SIGTERM, once the music has stopped.
        self.assertEqual(proc.returncode, -signal.SIGTERM)
        self.assertLess(took, 0.1)
        self.assertEqual(self.sway.players(), set(), "the sound device is still held")

    def test_the_compositor_gone_ends_it_with_one_line_of_why(self):
        proc = self.sway.lumora()
        self.assertTrue(wait_for(lambda: len(self.sway.layer_surfaces()) == 2, 10), "no layer surfaces")
        self.sway.signal(signal.SIGKILL)
        self.assertEqual(ended(proc), 1)
        self.assertRegex(told(proc), r"\Alumora: [^\n]+\n\Z")

    def test_damaged_settings_and_odd_options_leave_the_defaults(self):
        for case, options, settings in (("junk lumora.ini", (), JUNK), ("odd options", ODD_OPTIONS, ini.utf8(kind=0))):
            with self.subTest(case):
                self.sway.settings(settings)
                proc = self.sway.lumora(*options)
                self.assert_covered(self.sway)
                self.assertRegex(told(proc), r"(?m)^lumora: ")
                self.assertEqual(self.sway.players(), set(), "music without settings for it")
                proc.terminate()
                self.assertEqual(ended(proc), -signal.SIGTERM)

    def test_window_option_makes_a_window_instead_of_geometrys_size(self):
        proc = self.sway.lumora("-window", "-geometry", "640x400+5+5")

        def shells(node):
            # The size the client gave its window, whatever tile sway fits it into.
            mine = (node.get("shell"), node["geometry"]["width"], node["geometry"]["height"])
            return [mine] * (node.get("pid") == proc.pid) + [
                shell for child in node["nodes"] + node.get("floating_nodes", []) for shell in shells(child)]
        window = [("xdg_shell", 640, 400)]
        self.assertTrue(wait_for(lambda: shells(self.sway.msg("-t", "get_tree")) == window, 10),
                        shells(self.sway.msg("-t", "get_tree")))
        self.assertEqual(self.sway.layer_surfaces(), [])


class WithoutLayerShell(Covering, unittest.TestCase):
    def test_a_fullscreen_window_covers_the_screen(self):
        # cage shows every window over the whole screen; whether it asked to
        # be fullscreen shows in what it sent.
        with Cage(debug=True) as cage:
            self.assert_covered(cage)
            self.wait_log(cage.proc, re.compile(r"-> xdg_toplevel@\d+\.set_fullscreen\("))
            self.assertIsNone(cage.proc.poll(), "lumora ended")

    def test_without_any_shell_it_says_why_and_fails(self):
        with Weston() as weston:
            proc = weston.lumora()
            self.assertEqual(ended(proc), 1)
            self.assertRegex(told(proc), r"\Alumora: [^\n]+\n\Z")


if __name__ == "__main__":
    main()
