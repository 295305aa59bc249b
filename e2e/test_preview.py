#!/usr/bin/env python3
"""The preview under Wine: Lumora.scr /p makes its form a child of a pane that
another process holds, sized to it; it ends when the pane goes, or at once when
there is no pane. Wine does not show another process's child windows, so the
picture itself is checked with the preview shown inside the host's own process."""
import re
import subprocess
import time
from pathlib import Path

import harness
from harness.titles import PREVIEW

PICTURES = Path(__file__).resolve().parent.parent / "pictures"


class Preview(harness.WineTestCase):
    def children(self, host):
        self.assertTrue(self.session.wait_output(host, "reported", timeout=30))
        found = []
        for line in harness.output(host).splitlines():
            if line.startswith("child "):
                fields, title = line[len("child "):].split(" title=", 1)
                found.append(dict(kv.split("=", 1) for kv in fields.split()) | {"title": title})
        return found

    def saver(self, folder, *args):
        return self.start(folder / "Lumora.scr", *args)

    def test_the_form_becomes_the_panes_child_at_its_size(self):
        folder = self.install()
        for switch in ("/p {}", "/p:{}", "/P {}"):
            with self.subTest(switch=switch):
                host, handle = self.pane(folder, "152", "112", "--report-after", "2500",
                                         "--exit-after", "3000")
                saver = self.saver(folder, *switch.format(handle).split())
                [child] = self.children(host)
                self.assertEqual(child["title"], PREVIEW)
                self.assertEqual((child["x"], child["y"], child["w"], child["h"]), ("0", "0", "152", "112"))
                self.assertTrue(int(child["style"], 16) & 0x40000000, "not a child window")
                self.assertEqual(child["own"], "0")
                self.assertEqual(child["visible"], "1")
                self.assertIsNone(saver.poll())
                # The pane goes with the host: so does the preview.
                self.assertEqual(saver.wait(timeout=5), 0)

    def test_two_previews_side_by_side(self):
        folder = self.install()
        first, one = self.pane(folder, "152", "112", "--report-after", "3000", "--exit-after", "4000")
        second, two = self.pane(folder, "200", "150", "--report-after", "3000", "--exit-after", "4000")
        self.saver(folder, "/p", one)
        self.saver(folder, "/p", two)
        self.assertEqual([(c["w"], c["h"]) for c in self.children(first)], [("152", "112")])
        self.assertEqual([(c["w"], c["h"]) for c in self.children(second)], [("200", "150")])

    def test_no_pane_means_no_preview_and_an_end(self):
        folder = self.install()
        for handle in ("0", "999999", "abc", "-5"):
            with self.subTest(handle=handle):
                result = self.session.run(folder / "Lumora.scr", "/p", handle, timeout=10)
                self.assertFalse(result.timed_out, "the preview did not end by itself")
                self.assertEqual(result.code, 0)

    def test_destroying_the_pane_ends_the_preview_within_a_second(self):
        folder = self.install()
        host, handle = self.pane(folder, "152", "112", "--destroy-after", "2500", "--exit-after", "6000")
        saver = self.saver(folder, "/p", handle)
        self.assertTrue(self.session.wait_output(host, "destroyed", timeout=10))
        destroyed = time.monotonic()
        saver.wait(timeout=5)
        self.assertLess(time.monotonic() - destroyed, 1.0)

    def test_the_picture_is_the_preview_picture(self):
        folder = self.install()
        self.pane(folder, "152", "112", "--inproc")
        time.sleep(2)
        shot = self.session.screenshot(self.session.tmp / "preview.png")
        pane = self.session.tmp / "pane.png"
        subprocess.run(["convert", str(shot), "-crop", "152x112+40+30", "+repage", str(pane)], check=True)
        compared = subprocess.run(["compare", "-metric", "RMSE", str(pane), str(PICTURES / "preview.jpg"),
                                   "null:"], capture_output=True, text=True, check=False)
        error = float(re.search(r"\(([0-9.e-]+)\)", compared.stderr).group(1))
        self.assertLess(error, 0.03, "the pane does not show the preview picture")
        # Not just black: the picture has stars.
        mean = subprocess.run(["convert", str(pane), "-format", "%[fx:mean]", "info:"],
                              capture_output=True, text=True, check=True).stdout
        self.assertGreater(float(mean), 0.01)


if __name__ == "__main__":
    harness.main()
