#!/usr/bin/env python3
"""A soak of the saver's end: many runs of Lumora.scr /s per music kind, each
ended by a key, a click or a mouse movement at a random moment of the first
seconds, when the music may still be starting, playing or stopping. Every run
must end by its own quit with exit code 0; a crash, another code or a saver
that does not end is counted, and a table of the counts is printed.

    soak_saver.py [--runs N] [--kinds none,cd,wav,mp3] [--seed S] [--latest S]

Not a unit test: it takes minutes (about 2 s a run). LUMORA_BIN and
LUMORA_E2E_CACHE choose the build and the prepared prefix, as for the tests.
Exits 1 when any run ended badly.
"""
import argparse
import random
import re
import sys
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent.parent / "e2e"))
import harness  # noqa: E402
from harness import Saver, ini  # noqa: E402

KINDS = ("none", "cd", "wav", "mp3")
ENDINGS = ("key", "click", "move")
# How a program ending badly shows under Wine: an unhandled exception in a
# Windows thread is reported on the output; a fault that Wine cannot hand to
# the program (in its own or a library's Unix code) ends the process by a signal.
CRASH_TEXT = re.compile(r"Unhandled|page fault|Backtrace:|wine: .*(exception|fault)|assertion", re.I)


def ending(how, rng):
    """The xdotool commands of an ending."""
    if how == "key":
        return [("key", "a")]
    if how == "click":
        return [("click", "1")]
    # Two steps, each moving both ways: the first movement the saver sees may be
    # the one it takes as the resting place.
    x, y = rng.randint(100, 900), rng.randint(100, 700)
    return [("mousemove", str(x), str(y)), ("mousemove", str(x + 37), str(y + 23))]


def one_run(session, folder, how, delay, rng, capture):
    """How one run ended: "clean", "code N", "crash", "early", "no window", "missed" (the
    saver never saw the ending) or "hang" (its window went, its process did not)."""
    saver = Saver(session, folder, sound=capture, wait=0)
    proc = saver.proc
    try:
        if not saver.wait_window(40):
            return ("crash" if proc.poll() is not None and proc.returncode < 0 else "no window"), proc
        time.sleep(delay)
        if proc.poll() is not None:
            return ("crash" if proc.returncode < 0 else "early"), proc
        code = saver.end(*ending(how, rng), timeout=15)
        if code is None:
            # A window still up missed the ending (input sent before it could
            # take any); one that is gone did not end its process.
            return ("missed" if session.windows(harness.titles.DISPLAY) else "hang"), proc
        if code < 0 or CRASH_TEXT.search(saver.output()):
            return "crash", proc
        return ("clean" if code == 0 else f"code {code}"), proc
    finally:
        saver.stop()


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--runs", type=int, default=20, help="runs per music kind")
    parser.add_argument("--kinds", default=",".join(KINDS), help="music kinds: " + ", ".join(KINDS))
    parser.add_argument("--seed", type=int, default=None)
    parser.add_argument("--latest", type=float, default=2.5, help="the latest moment of the ending, in s")
    args = parser.parse_args()
    kinds = [k for k in args.kinds.split(",") if k]
    if not kinds or any(k not in KINDS for k in kinds):
        parser.error("kinds: " + ", ".join(KINDS))
    seed = args.seed if args.seed is not None else random.randrange(1 << 30)
    rng = random.Random(seed)
    print(f"build {harness.BIN}, seed {seed}, {args.runs} runs of {', '.join(kinds)}", flush=True)

    session = harness.Session("soak", hold_pointer=True)
    session.report_crashes()
    counts = {kind: {} for kind in kinds}
    bad = []
    try:
        media = {"wav": session.tmp / "tone.wav", "mp3": session.tmp / "tone.mp3"}
        # A three-second MP3, so that a run sees it open, play and start again.
        harness.make_tones(media["wav"], media["mp3"], mp3_seconds=3)
        folders = {}
        for kind in kinds:
            folders[kind] = session.install(kind)
            ini.write(folders[kind], {"none": 0, "cd": 1}.get(kind, 2), path=media.get(kind, ""))
        plan = [(kind, n) for n in range(args.runs) for kind in kinds]
        for number, (kind, _) in enumerate(plan, 1):
            how = rng.choice(ENDINGS)
            delay = rng.uniform(0, args.latest)
            started = time.monotonic()
            result, proc = one_run(session, folders[kind], how, delay, rng, f"run{number:04d}-")
            took = time.monotonic() - started
            counts[kind][result] = counts[kind].get(result, 0) + 1
            line = f"{number:4d}/{len(plan)} {kind:<4} {how:<5} at {delay:4.2f} s: {result} ({took:.1f} s)"
            if result != "clean":
                out = harness.output(proc).strip()
                line += f" returncode={proc.returncode}" + (f"\n      {out[-600:]}" if out else "")
                bad.append(line)
            print(line, flush=True)
    finally:
        session.close()

    columns = ["clean", "other code", "crash", "hang", "missed", "early", "no window"]
    print("\nkind   runs " + " ".join(f"{c:>10}" for c in columns))
    for kind in kinds:
        c = counts[kind]
        other = sum(v for k, v in c.items() if k.startswith("code "))
        row = [c.get("clean", 0), other, c.get("crash", 0), c.get("hang", 0), c.get("missed", 0), c.get("early", 0),
               c.get("no window", 0)]
        print(f"{kind:<6} {sum(c.values()):4d} " + " ".join(f"{v:>10d}" for v in row))
    if bad:
        print("\nruns that did not end cleanly:\n" + "\n".join(bad))
    return 1 if bad else 0


if __name__ == "__main__":
    sys.exit(main())
