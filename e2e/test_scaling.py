#!/usr/bin/env python3
"""Every monitor and every scale under Wine: a shower on each monitor of two,
whichever side the second stands on; one-pixel stars at 192 DPI; and the
settings dialog laid out for 96, 120, 144 and 192 DPI, every part where the
96-DPI layout times the scale puts it and no text larger than its box."""
import time
import unittest
from pathlib import Path

import harness
from harness import Saver
from harness.screen import rgb, stars

SCREEN_W, SCREEN_H = 1824, 768
LEFT = [("S", "800/211x600/158+0+0", "none"), ("*P", "1024/271x768/203+800+0", "screen")]
RIGHT = [("*P", "1024/271x768/203+0+0", "screen"), ("S", "800/211x600/158+1024+0", "none")]


def lit(raw, width, box):
    """How many pixels inside box (left, top, right, bottom) are not black."""
    left, top, right, bottom = box
    count = 0
    for y in range(top, bottom):
        row = raw[(y * width + left) * 3:(y * width + right) * 3]
        count += sum(1 for i in range(0, len(row), 3) if row[i] or row[i + 1] or row[i + 2])
    return count


def start_saver(case, name, screen, pointer, **session_options):
    """A session of the case's own (monitors and DPI are set before Wine starts)
    running /s with the pointer resting at `pointer`."""
    session = harness.Session(name, screen=screen, **session_options)
    case.addCleanup(session.close)
    saver = Saver(session, session.install(), rest=pointer)
    case.addCleanup(saver.stop)
    return session, saver


class TwoMonitors(unittest.TestCase):
    """Each case makes its own session: monitors and DPI are set before Wine starts."""

    def run_saver(self, monitors, primary, second, gap):
        session, saver = start_saver(self, "monitors", f"{SCREEN_W}x{SCREEN_H}x24", (900, 300),
                                     monitors=monitors)
        # The window is made before it is placed: wait for its place.
        covering = {"X": 0, "Y": 0, "WIDTH": SCREEN_W, "HEIGHT": SCREEN_H}
        deadline = time.time() + 5
        while True:
            placed = session.geometry(saver.window)
            if placed == covering or time.time() > deadline:
                break
            time.sleep(0.1)
        self.assertEqual(placed, covering, "the window does not cover both monitors")
        time.sleep(1.2)
        shot = session.screenshot(session.tmp / "both.png")
        raw = rgb(shot, SCREEN_W, SCREEN_H)
        # A shower on each monitor, black where no monitor is.
        for name, box in (("primary", primary), ("second", second)):
            self.assertGreater(len(stars(raw, SCREEN_W, box)[1]), 600, f"too few stars on the {name} monitor")
        self.assertEqual(lit(raw, SCREEN_W, gap), 0, "pixels lit where no monitor is")
        # The input rules hold wherever the pointer is: moves in one axis from
        # where it rested go on, onto the other monitor too; one in both ends it.
        session.pointer(second[0] + 100, 300)  # X only
        time.sleep(0.5)
        session.pointer(900, 350)  # Y only
        time.sleep(0.5)
        self.assertTrue(saver.running(), "a move in one axis ended it")
        self.assertEqual(saver.end(("mousemove", str(second[0] + 200), "450"), timeout=2), 0,
                         "a move in both axes on the second monitor did not end it")
        return shot

    def test_the_second_monitor_on_the_left(self):
        shot = self.run_saver(LEFT, primary=(800, 0, 1824, 768), second=(0, 0, 800, 600), gap=(0, 600, 800, 768))
        Path(shot).replace(harness.screenshots() / "monitors-left.png")

    def test_the_second_monitor_on_the_right(self):
        shot = self.run_saver(RIGHT, primary=(0, 0, 1024, 768), second=(1024, 0, 1824, 600),
                              gap=(1024, 600, 1824, 768))
        Path(shot).replace(harness.screenshots() / "monitors-right.png")

    def test_a_key_ends_it_with_two_monitors(self):
        session, saver = start_saver(self, "monitors-key", f"{SCREEN_W}x{SCREEN_H}x24", (100, 100),
                                     monitors=LEFT)
        time.sleep(0.5)
        self.assertEqual(saver.end(timeout=2), 0)


def layout(path):
    parts = {}
    for line in Path(path).read_text().splitlines():
        name, *numbers = line.split()
        parts[name] = [int(n) for n in numbers]
    return parts


class Scales(unittest.TestCase):

    def dialog_at(self, dpi):
        session = harness.Session(f"dpi{dpi}", screen="1280x900x24",
                                  registry=[(r"HKCU\Control Panel\Desktop", "LogPixels", "REG_DWORD", dpi)])
        self.addCleanup(session.close)
        report = session.tmp / f"layout-{dpi}.txt"
        dialog = harness.Dialog(session, session.install(), env={"LUMORA_LAYOUT_REPORT": harness.win_path(report)},
                                timeout=30)
        self.addCleanup(dialog.close)
        deadline = time.time() + 10
        while not report.exists() and time.time() < deadline:
            time.sleep(0.1)
        time.sleep(1.0)  # the Earth has turned a little
        session.screenshot(harness.screenshots() / f"dialog-{dpi}dpi.png")
        return layout(report)

    def test_the_dialog_scales_with_the_dpi_and_every_text_fits_its_box(self):
        base = self.dialog_at(96)
        self.assertEqual(base["dpi"], [96])
        self.assertEqual(base["client"][2:4], [461, 225])
        for dpi in (120, 144, 192):
            with self.subTest(dpi=dpi):
                parts = self.dialog_at(dpi)
                self.assertEqual(parts["dpi"], [dpi])
                factor = dpi / 96
                for name, numbers in base.items():
                    if name in ("dpi", "link"):
                        continue  # the link is as wide as its text, checked below
                    # A combo box is as tall as its font makes it: its bottom is not ours to set.
                    edges = 3 if name == "repeatBoxShown" else 4
                    for got, at96 in zip(parts[name][:edges], numbers[:edges]):
                        self.assertLessEqual(abs(got - at96 * factor), 1.0,
                                             f"{name} at {dpi} DPI: {parts[name][:4]} against {numbers[:4]}")
                self.check_texts_fit(parts, dpi)
        self.check_texts_fit(base, 96)

    def check_texts_fit(self, parts, dpi):
        for name, numbers in parts.items():
            if len(numbers) != 6 or numbers[4] == 0:
                continue
            left, top, right, bottom, text_w, text_h = numbers
            self.assertLessEqual(text_w, right - left, f"{name} at {dpi} DPI is wider than its box")
            self.assertLessEqual(text_h, bottom - top, f"{name} at {dpi} DPI is taller than its box")

    def test_stars_are_one_pixel_at_192_dpi(self):
        session, _ = start_saver(self, "stars192", "1024x768x24", (300, 300),
                                 registry=[(r"HKCU\Control Panel\Desktop", "LogPixels", "REG_DWORD", 192)])
        time.sleep(1.2)
        whites, cores = stars(rgb(session.screenshot(session.tmp / "stars.png"), 1024, 768), 1024)
        self.assertGreater(len(cores), 800, "few plus-shaped stars")
        # A core of 2x2 white pixels would be a star stretched to the scale.
        white = set(whites)
        blocks = sum(1 for x, y in whites if {(x + 1, y), (x, y + 1), (x + 1, y + 1)} <= white)
        self.assertLess(blocks, len(whites) // 50, f"{blocks} of {len(whites)} white pixels are 2x2 blocks")


if __name__ == "__main__":
    harness.main()
