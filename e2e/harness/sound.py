"""Sound without hardware: ALSA's file plugin over the null device catches what a
program plays; `tone` tells what it was; `make_tones` makes the test sounds."""
import array
import math
import os
import subprocess
import sys
import threading
import time
import wave

from .xserver import stop

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


def capture_env(conf_folder, capture, into_pipe=False):
    """Environment for a program whose sound goes into files named `capture`*
    (a path): one sound device, ALSA's file plugin over the null device. The
    plugin's configuration is written into `conf_folder` once. Into a pipe, the
    plugin must open the one path given (it would start a new file beside one
    that is there)."""
    conf = conf_folder / ("asound-pipe.conf" if into_pipe else "asound.conf")
    if not conf.exists():
        conf.write_text(ASOUND.replace("truncate false", "truncate true") if into_pipe else ASOUND)
    return {"ALSA_CONFIG_PATH": f"/usr/share/alsa/alsa.conf:{conf}", "AUDIO_CAPTURE": str(capture)}


class PacedCapture:
    """The capture for a program whose sound clock is its device's own (GStreamer's
    ALSA sink): over the null device that clock has no pace, and the program
    would write as fast as it can, hundreds of megabytes a second. The device's
    file is a pipe instead, drained here at the real rate (16-bit stereo at
    44.1 kHz) into `record`; a full pipe holds the program back."""

    RATE = 44100 * 4
    STEP = 0.05

    def __init__(self, fifo, record):
        os.mkfifo(fifo, 0o666)
        os.chmod(fifo, 0o666)
        self.record = record
        self.record.write_bytes(b"")
        # Read end open first, never blocking: a writer's open never waits.
        self._fd = os.open(fifo, os.O_RDONLY | os.O_NONBLOCK)
        self._done = threading.Event()
        self._thread = threading.Thread(target=self._drain, daemon=True)
        self._thread.start()

    def _drain(self):
        with open(self.record, "ab") as out:
            while not self._done.wait(self.STEP):
                try:
                    data = os.read(self._fd, int(self.RATE * self.STEP))
                except BlockingIOError:
                    continue
                out.write(data)
                out.flush()

    def close(self):
        self._done.set()
        self._thread.join()
        os.close(self._fd)


def captured(folder, name):
    """Everything captured under `name` in `folder`, the files of every device open joined."""
    return b"".join(f.read_bytes() for f in sorted(folder.glob(name + "*")))


def swings(samples, threshold=328):
    """How often the sound crosses zero, counted where it swings past 1 % of
    full scale on each side: a resampler's ringing at the start of a sound,
    a few samples dithering about zero, would count as a high note."""
    count, side = 0, 0
    for value in samples:
        now = 1 if value > threshold else -1 if value < -threshold else side
        count += side != 0 and now != side
        side = now
    return count


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
    crossings = sum(swings(c) for c in steady)
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


def write_tone(path, frequency, seconds=1.0, rate=22050):
    """A mono 16-bit WAV of a sine at `frequency`, half of full scale."""
    frames = array.array("h", (round(16384 * math.sin(2 * math.pi * frequency * i / rate))
                               for i in range(round(seconds * rate))))
    if sys.byteorder != "little":
        frames.byteswap()
    with wave.open(str(path), "wb") as out:
        out.setnchannels(1)
        out.setsampwidth(2)
        out.setframerate(rate)
        out.writeframes(frames.tobytes())


def write_disc(cue, tracks):
    """An audio CD's image: `cue`, a .cue sheet, over a raw .bin beside it of
    16-bit stereo at 44.1 kHz, one track a (frequency, whole seconds) of
    `tracks`, each a sine at half of full scale."""
    samples = array.array("h")
    sheet = [f'FILE "{cue.with_suffix(".bin").name}" BINARY']
    for number, (frequency, seconds) in enumerate(tracks, 1):
        start = len(samples) // 2 // 44100
        sheet += [f"  TRACK {number:02} AUDIO", f"    INDEX 01 {start // 60:02}:{start % 60:02}:00"]
        for i in range(seconds * 44100):
            value = round(16384 * math.sin(2 * math.pi * frequency * i / 44100))
            samples.extend((value, value))
    if sys.byteorder != "little":
        samples.byteswap()
    cue.with_suffix(".bin").write_bytes(samples.tobytes())
    cue.write_text("\n".join(sheet) + "\n")


BYTES_A_SECOND = 44100 * 4


class SoundServer:
    """The desktop's sound server: PulseAudio with a null sink for its output,
    in the runtime folder of the environment that `run` (a command's words to
    the whole command) gives it. What is played to it is recorded from the
    sink's monitor, which keeps real time, into `record`."""

    def __init__(self, run, record):
        self.record = record
        self._procs = [subprocess.Popen(
            run("pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1", "-L", "module-null-sink sink_name=heard",
                "-L", "module-native-protocol-unix"), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)]
        deadline = time.monotonic() + 20
        while subprocess.run(run("pactl", "info"), capture_output=True).returncode != 0:
            if self._procs[0].poll() is not None or time.monotonic() > deadline:
                self.close()
                raise RuntimeError("the sound server did not start")
            time.sleep(0.1)
        with open(record, "wb") as out:
            self._procs.append(subprocess.Popen(run("parec", "-d", "heard.monitor", "--raw", "--latency-msec=50"),
                                                stdout=out, stderr=subprocess.DEVNULL))

    def heard(self, since=0):
        """What was heard after the first `since` bytes, as `tone` tells it."""
        return tone(self.record.read_bytes()[since:])

    def silent_from_now(self):
        """Whether nothing is heard in the second after the next half second
        (what was on its way to the recorder now)."""
        start = self.record.stat().st_size + BYTES_A_SECOND // 2
        deadline = time.monotonic() + 20
        while self.record.stat().st_size < start + BYTES_A_SECOND and time.monotonic() < deadline:
            time.sleep(0.05)
        return self.heard(start)[0] == 0 and self.record.stat().st_size >= start + BYTES_A_SECOND

    def close(self):
        for proc in reversed(self._procs):
            stop(proc)
