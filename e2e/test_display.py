#!/usr/bin/env python3
"""The screen saver itself under Wine: the shower of stars on the whole screen,
and exactly the input that ends it."""
import math
import subprocess
import time

import harness
from harness import ini
from harness.screen import rgb, stars

WIDTH, HEIGHT = 1024, 768


def star_cores(png):
    return stars(rgb(png, WIDTH, HEIGHT), WIDTH)[1]


def on_ray(stars, later, direction, centre=(WIDTH // 2, HEIGHT // 2)):
    """How many stars have a star of `later` on the ray from the centre through
    them, within 60 pixels outwards (direction +1) or inwards (-1)."""
    later = set(later)
    cx, cy = centre
    count = 0
    for x, y in stars:
        r = math.hypot(x - cx, y - cy)
        if r < 20:
            continue
        ux, uy = (x - cx) / r, (y - cy) / r
        count += any((round(x + direction * ux * step) + dx, round(y + direction * uy * step) + dy) in later
                     for step in range(2, int(min(0.9 * r, 60)))
                     for dx in (-1, 0, 1) for dy in (-1, 0, 1))
    return count


def black_share(png):
    mean = subprocess.run(["convert", str(png), "-colorspace", "gray", "-threshold", "1%",
                           "-format", "%[fx:mean]", "info:"], capture_output=True, text=True,
                          check=True).stdout
    return 1 - float(mean)


class Display(harness.WineTestCase):
    def run_saver(self, args=("/s",), folder=None):
        return self.start_saver(folder or self.install(), args=args, rest=(300, 300))

    def assert_running(self, saver, seconds=0.7):
        time.sleep(seconds)
        self.assertTrue(saver.running(), "the display ended")

    def assert_ends(self, saver, *actions):
        # An end takes a few hundredths of a second; 1.5 s leaves a busy machine
        # room yet still catches Wine's 2 s wait for a window manager coming back.
        self.assertEqual(saver.end(*actions, timeout=1.5), 0, "the display did not end within 1.5 s")

    def test_the_shower_covers_the_screen_and_flies_outwards(self):
        # The ray test below needs the radiant still in the middle, where it
        # stays for the first five seconds of the program: the grabs are taken
        # raw and converted afterwards, and a run that a busy machine held up
        # past four and a half seconds from the start is run again.
        for attempt in (1, 2):
            started = time.monotonic()
            saver = self.run_saver()
            self.assertEqual(self.session.geometry(saver.window), {"X": 0, "Y": 0, "WIDTH": WIDTH, "HEIGHT": HEIGHT})
            time.sleep(1.0)
            grabs = [self.session.grab()]
            time.sleep(0.5)
            # Two grabs straight after each other, a few frames apart.
            grabs += [self.session.grab(), self.session.grab()]
            self.assertTrue(saver.running())
            if time.monotonic() - started < 4.5:
                break
            print(f"try {attempt}: the grabs took until {time.monotonic() - started:.1f} s", flush=True)
            saver.stop()
        first, second, third = (self.session.screenshot(self.session.tmp / f"{name}.png", grabbed)
                                for name, grabbed in zip(("first", "second", "third"), grabs))

        a, b = star_cores(first), star_cores(second)
        for cores in (a, b):
            self.assertGreaterEqual(len(cores), 900)
            self.assertLessEqual(len(cores), 1000)
        self.assertGreater(black_share(first), 0.97, "the background is not black")
        # They moved: few stars sit where they sat half a second before.
        self.assertLess(len(set(a) & set(b)), len(a) // 10)
        # Away from the middle, where the radiant is for the first five seconds. A
        # star that started there flies along the ray from the middle through it, so
        # a few frames on there is a star further out on that ray far more often than
        # one further in.
        outwards, inwards = on_ray(b, star_cores(third), +1), on_ray(b, star_cores(third), -1)
        self.assertGreater(outwards, 1.5 * inwards, f"outwards {outwards}, inwards {inwards}")

    def test_only_a_move_in_both_axes_ends_it(self):
        saver = self.run_saver()
        self.assert_running(saver)  # the event of opening under a resting mouse
        self.session.pointer(500, 300)  # X only
        self.assert_running(saver)
        self.session.pointer(300, 500)  # Y only
        self.assert_running(saver)
        self.assert_ends(saver, ("mousemove", "301", "301"))

    def test_a_click_or_a_key_ends_it(self):
        for action in (["click", "1"], ["click", "3"], ["key", "a"], ["key", "Escape"], ["key", "Left"]):
            with self.subTest(action=action):
                saver = self.run_saver()
                self.assert_running(saver, 0.3)
                self.assert_ends(saver, action)

    def test_without_a_switch_movement_is_ignored_and_a_key_still_ends_it(self):
        saver = self.run_saver(args=())
        for x, y in ((100, 100), (700, 600), (20, 700)):
            self.session.pointer(x, y)
        self.assert_running(saver)
        self.assert_ends(saver, ("key", "space"))

    def test_odd_settings_kinds_play_nothing_and_run(self):
        for kind in ("7", "-3"):
            with self.subTest(kind=kind):
                folder = self.install()
                ini.write(folder, kind)
                saver = self.start_saver(folder, rest=None)
                self.assert_running(saver, 0.5)
                self.assert_ends(saver)


if __name__ == "__main__":
    harness.main()
