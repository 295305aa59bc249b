"""The settings file: `ルモラ.ini`, section [Section], in code page 932 beside the
program or in UTF-16 behind a byte-order mark per user. Tests write exact
bytes, since some check byte for byte what the program reads or writes."""
from pathlib import Path

from .wine import win_path

NAME = "ルモラ.ini"
KIND, LOOP, FILE = "BGM区分", "BGMﾘﾋﾟｰﾄ", "BGMﾌｧｲﾙ"


def text(kind=None, loop=None, path=None, blank=""):
    """[Section] and the values given, one a line ending in CR LF, in the order
    the program writes them; a value left out has no line. `blank` goes between
    '=' and a number, as a hand or an older program may have put it. A Path is
    written under its Windows name."""
    if isinstance(path, Path):
        path = win_path(path)
    lines = ["[Section]"]
    for key, value, before in ((KIND, kind, blank), (LOOP, loop, blank), (FILE, path, "")):
        if value is not None:
            lines.append(f"{key}={before}{value}")
    return "\r\n".join(lines) + "\r\n"


def ansi(kind=None, loop=None, path=None, blank=""):
    """A file as the program has always written it beside itself."""
    return text(kind, loop, path, blank).encode("cp932")


def per_user(kind=None, loop=None, path=None):
    """A per-user file: UTF-16LE behind its byte-order mark."""
    return b"\xff\xfe" + text(kind, loop, path).encode("utf-16-le")


def write(folder, kind=None, loop=None, path=None, blank=""):
    """Puts an ANSI settings file beside the program in `folder`; returns its bytes."""
    data = ansi(kind, loop, path, blank)
    (Path(folder) / NAME).write_bytes(data)
    return data


def decode(data):
    if data[:2] in (b"\xff\xfe", b"\xfe\xff"):
        return data.decode("utf-16")
    return data.decode("cp932")


def values(data):
    """The keys of [Section] and their values, blanks around them dropped; the
    first of a repeated key counts."""
    found, inside = {}, False
    for line in (decode(data) if isinstance(data, bytes) else data).splitlines():
        line = line.strip()
        if line.startswith("["):
            inside = line.lower() == "[section]"
        elif inside and "=" in line:
            key, value = line.split("=", 1)
            found.setdefault(key.strip(), value.strip())
    return found


def read(folder):
    """The values of the file beside the program in `folder`."""
    return values((Path(folder) / NAME).read_bytes())


def utf8(kind=None, loop=None, path=None):
    """lumora.ini as the Linux edition keeps it: the same section and keys in
    UTF-8, one a line, the path a Unix one as it is."""
    return text(kind, loop, None if path is None else str(path)).replace("\r\n", "\n").encode("utf-8")
