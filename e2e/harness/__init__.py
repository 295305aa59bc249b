"""The end-to-end harness: Lumora.scr and its helpers under Wine, on a private
Xvfb display, in a Japanese (code page 932) locale with Japanese fonts.

`python3 -m harness prepare` (from e2e/) builds what every test run shares and
nobody changes: a compiled ja_JP.UTF-8 locale and a template Wine prefix. Each
test class then opens one Session: its own prefix (a hard-linked copy of the
template), its own Xvfb, and one warm Wine server that its cases share. Every
case installs the program into a folder of its own.

harness.daemon, imported by itself, runs the Linux edition under XScreenSaver's
and MATE's daemons instead, on the same X server, capture and namespace pieces.
"""
from . import ini, screen, titles
from .dialog import Dialog
from .prepare import prepare
from .sandbox import NOBODY, Sandbox
from .saver import Saver, launched_code, play
from .session import Session, output
from .sound import make_tones, tone
from .testcase import WineTestCase, main
from .wine import BIN, CACHE, INSTALLED, WINE, base_env, built, screenshots, wine, win_path

_wine = wine  # the name the benchmarks (bench/) call it by
