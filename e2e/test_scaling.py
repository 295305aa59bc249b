#!/usr/bin/env python3
"""Every monitor and every scale under Wine: a shower on each monitor of two,
whichever side the second stands on; one-pixel stars at 192 DPI; and the
settings dialog laid out for 96, 120, 144 and 192 DPI, every part where the
96-DPI layout times the scale puts it, as other programs see it, and no text
running out of its box."""
import time
import unittest
from pathlib import Path

import harness
from harness import Saver
from harness.screen import rgb, stars
from harness.titles import DIALOG

SCREEN_W, SCREEN_H = 1824, 768
SHOT_W, SHOT_H = 1280, 900  # the dialog's screen
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


def ink(pixel, box, others, pad):
    """How many pixels of box (left, top, right, bottom) differ from their row's
    ground, the colour just left of the box (the panels are shaded row by row),
    and how many so in the `pad` pixels right of and below it where none of
    `others` stands: a text's ink, and how much of it runs out of its box."""
    left, top, right, bottom = box
    inked = [(x, y) for y in range(top, bottom + pad) for x in range(left, right + pad)
             if pixel(x, y) != pixel(left - 1, y) and not any(within(o, (x, y, x + 1, y + 1)) for o in others)]
    outside = sum(1 for x, y in inked if x >= right or y >= bottom)
    return len(inked) - outside, outside


def edge_lines(box):
    """The lines of a button's two-pixel edge, each of one colour, without the corners."""
    left, top, right, bottom = box
    return ([[(x, y) for x in range(left + 2, right - 2)] for y in (top, top + 1, bottom - 2, bottom - 1)] +
            [[(x, y) for y in range(top + 2, bottom - 2)] for x in (left, left + 1, right - 2, right - 1)])


def within(outer, box):
    return outer[0] <= box[0] and outer[1] <= box[1] and outer[2] >= box[2] and outer[3] >= box[3]


class Scales(unittest.TestCase):
    # What the scale does not set: the link is as wide and tall as its text, a
    # combo box as tall as its font makes it, and its edit box lies inside it by
    # the system's border.
    EDGES = {"https://lumora.example/": 2, "ComboBox#101": 3, "Edit#1001": 0}

    def dialog_at(self, dpi):
        """The DPI the dialog's window has, and the client area and every part
        as other programs see them, once its texts are seen to fit."""
        session = harness.Session(f"dpi{dpi}", screen=f"{SHOT_W}x{SHOT_H}x24",
                                  registry=[(r"HKCU\Control Panel\Desktop", "LogPixels", "REG_DWORD", dpi)])
        self.addCleanup(session.close)
        folder = session.install(extra=("layout_probe.exe",))
        dialog = harness.Dialog(session, folder, timeout=30)
        self.addCleanup(dialog.close)
        where = dialog.where()
        probed = session.run(folder / "layout_probe.exe", DIALOG, timeout=30)
        self.assertEqual(probed.code, 0, probed.out)
        lines = [line.split("\t") for line in probed.out.splitlines()]
        places = [(name, tuple(int(n) for n in numbers)) for name, *numbers in lines[1:]]
        time.sleep(1.0)  # the Earth has turned a little
        raw = rgb(session.screenshot(harness.screenshots() / f"dialog-{dpi}dpi.png"), SHOT_W, SHOT_H)
        pixel = lambda x, y: raw[((where["origin"][1] + y) * SHOT_W + where["origin"][0] + x) * 3:][:3]
        for name, box in places:
            if "#" not in name:  # drawn text; the layout leaves 4 pixels at 96 DPI round each
                inside, outside = ink(pixel, box, [o for _, o in places if not within(o, box)], round(4 * dpi / 96))
                self.assertGreater(inside, 0, f"{name} at {dpi} DPI: no text in its box {box}")
                self.assertEqual(outside, 0, f"{name} at {dpi} DPI runs out of its box {box}")
            elif name.startswith("Button#"):  # a caption larger than its button is drawn over the edge
                for line in edge_lines(box):
                    self.assertEqual(len({pixel(*spot) for spot in line}), 1,
                                     f"{name} at {dpi} DPI: its caption crosses its edge at {line[0]}")
        return int(lines[0][1]), [("client", (0, 0, *where["client"]))] + places

    def test_the_dialog_scales_with_the_dpi_and_every_text_fits_its_box(self):
        dpi, base = self.dialog_at(96)
        self.assertEqual((dpi, base[0]), (96, ("client", (0, 0, 461, 225))))
        for dpi in (120, 144, 192):
            with self.subTest(dpi=dpi):
                said, places = self.dialog_at(dpi)
                self.assertEqual(said, dpi)
                self.assertEqual([n for n, _ in places], [n for n, _ in base], "not the same parts in the same order")
                for (name, got), (_, at96) in zip(places, base):
                    edges = self.EDGES.get(name, 4)
                    for g, b in zip(got[:edges], at96[:edges]):
                        self.assertLessEqual(abs(g - b * dpi / 96), 1.0, f"{name} at {dpi} DPI: {got} against {at96}")

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
