"""Sound without hardware: ALSA's file plugin over the null device catches what a
program plays; `tone` tells what it was; `make_tones` makes the test sounds."""
import array
import math
import subprocess
import sys

ASOUND = """pcm.!default {
    type plug
    slave { pcm "capture" format S16_LE rate 44100 channels 2 }
}
pcm.capture {
    type file
    slave.pcm "null"
    file { @func getenv vars [ AUDIO_CAPTURE ] default "/dev/null" }
    format "raw"
    truncate false
}
"""


def tone(raw, rate=44100):
    """What 16-bit stereo samples at 44.1 kHz hold: (seconds with sound, the
    frequency of that sound from its zero crossings, RMS level of those parts
    as a share of full scale)."""
    left = array.array("h", raw[: len(raw) // 4 * 4])[::2]
    if sys.byteorder != "little":
        left.byteswap()
    window = 2048
    levels = []
    for start in range(0, len(left) - window + 1, window):
        chunk = left[start:start + window]
        levels.append((math.sqrt(sum(v * v for v in chunk) / window) / 32768, chunk))
    loud = [(rms, chunk) for rms, chunk in levels if rms >= 0.02]
    if not loud:
        return 0.0, 0.0, 0.0
    # The frequency from the windows that are sound all through, not the edges
    # of a play where part of the window is silence.
    top = max(rms for rms, _ in loud)
    steady = [chunk for rms, chunk in loud if rms >= 0.9 * top]
    crossings = sum(sum((a < 0) != (b < 0) for a, b in zip(c, c[1:])) for c in steady)
    frequency = crossings / 2 / (len(steady) * (window - 1) / rate)
    level = math.sqrt(sum(rms * rms for rms, _ in loud) / len(loud))
    return len(loud) * window / rate, frequency, level


def make_tones(wav, mp3, mp3_seconds=2):
    """The test sounds: a WAV of 440 Hz for a second and an MP3 of 1000 Hz, two
    seconds unless told, so that what is heard tells which one played."""
    subprocess.run(["sox", "-n", "-r", "22050", "-c", "1", "-b", "16", str(wav),
                    "synth", "1", "sine", "440", "vol", "0.5"], check=True)
    wave = subprocess.run(["sox", "-n", "-r", "44100", "-c", "2", "-b", "16", "-t", "wav", "-",
                           "synth", str(mp3_seconds), "sine", "1000", "vol", "0.5"],
                          capture_output=True, check=True).stdout
    subprocess.run(["lame", "--quiet", "-b", "128", "-", str(mp3)], input=wave, check=True)
