#!/usr/bin/env python3
"""How soon `Lumora.scr /s` puts its first frame on the screen under a warm Wine:
from the start of the process to the first screenshot that holds the stars,
with no music, with a WAV and with an MP3 (after one warm-up run of each, then
RUNS runs each: median, best, worst). Also how soon its window is mapped.

    python3 bench/wine_start.py                      # build/win64
    LUMORA_BIN=/other/build/win64 python3 bench/wine_start.py

Any build folder with Lumora.scr and the e2e helpers will do, so two builds can
be compared. A screenshot takes 30 to 70 ms here, so "stars" is late by up to
that much; the window is polled every 10 ms or so."""
import statistics
import subprocess
import sys
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent.parent / "e2e"))
import harness  # noqa: E402

RUNS = 5


def make_music(folder):
    wav, mp3 = folder / "tone.wav", folder / "tone.mp3"
    subprocess.run(["sox", "-n", "-r", "22050", "-c", "1", "-b", "16", str(wav),
                    "synth", "1", "sine", "440", "vol", "0.5"], check=True)
    wave = subprocess.run(["sox", "-n", "-r", "44100", "-c", "2", "-b", "16", "-t", "wav", "-",
                           "synth", "2", "sine", "1000", "vol", "0.5"], capture_output=True, check=True).stdout
    subprocess.run(["lame", "--quiet", "-b", "128", "-", str(mp3)], input=wave, check=True)
    return {"no music": None, "WAV": wav, "MP3": mp3}


def one_start(session, folder, music):
    (folder / "ルモラ.ini").write_bytes(
        ("[Section]\r\nBGM区分=0\r\n" if music is None else
         f"[Section]\r\nBGM区分=2\r\nBGMﾌｧｲﾙ={harness.win_path(music)}\r\n").encode("cp932"))
    session.pointer(5, 5)
    started = time.monotonic()
    saver = session.start(folder / "Lumora.scr", "/s", env=session.capture("bench"))
    window = stars = None
    while stars is None and time.monotonic() - started < 30:
        if window is None and session.xdotool("search", "--onlyvisible", "--name", "^Lumora_Main$"):
            window = time.monotonic() - started
        # The first frame scatters a thousand white-cored stars over black.
        if window is not None and session.grab().count(b"\xff\xff\xff") >= 400:
            stars = time.monotonic() - started
        time.sleep(0.005)
    session.xdotool("key", "a")
    try:
        saver.wait(timeout=10)
    except subprocess.TimeoutExpired:
        session.stop(saver)
    if stars is None:
        raise SystemExit("the saver never showed its stars")
    return window, stars


def main():
    harness.prepare()
    session = harness.Session("bench-start")
    # The waits that are Wine's and not the program's: the 2 s for a window
    # manager that never comes at every exit, and Xvfb starting over (the
    # pointer back in the middle) whenever its last client leaves.
    harness._wine(session.env, "reg", "add", r"HKCU\Software\Wine\X11 Driver", "/v", "Managed",
                  "/t", "REG_SZ", "/d", "N", "/f")
    keeper = subprocess.Popen(["xdotool", "search", "--sync", "--name", "^no window has this title$"],
                              env=session.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    results = {}
    try:
        folder = session.install()
        for name, music in make_music(session.tmp).items():
            one_start(session, folder, music)  # warm-up: the first MP3 sets up GStreamer
            results[name] = [one_start(session, folder, music) for _ in range(RUNS)]
    finally:
        keeper.kill()
        keeper.wait()
        session.close()

    ms = lambda values: (f"median {statistics.median(values) * 1000:4.0f} ms "  # noqa: E731
                         f"(best {min(values) * 1000:4.0f}, worst {max(values) * 1000:4.0f})")
    print(f"Lumora.scr /s under Wine, {harness.BIN}, {RUNS} warm starts each")
    for name, runs in results.items():
        print(f"  {name:<9} window {ms([w for w, _ in runs])}   stars {ms([s for _, s in runs])}")


if __name__ == "__main__":
    main()
