#!/usr/bin/env python3
"""Holds the tree to its layout: one portable core, the seams it is written
against, and an edition around it for each desktop.

- The core's folders and platform/ include no operating system's header (only
  the C++ library's, and libjpeg for the pictures' generator) and no edition.
- platform/ includes only platform/: the seams never reach up into the code
  written against them.
- An edition includes the core and itself, never another edition. linux/ is
  what the Linux sessions share; linux/x11/ and linux/wayland/ each include
  linux/ but not each other, and only linux/main.cpp chooses between them.
- Tests, benchmarks and test helpers follow the same split (tests/windows/,
  tests/linux/, a helper or benchmark for one edition only).
- No header says `using namespace`, and no product code reads a variable of
  the tests' own (LUMORA_...).

Usage: check_layout.py [ROOT]. Prints each breach as FILE:LINE: why, and exits 1
when there is any.
"""
import re
import sys
from pathlib import Path

CORE = {"startup", "settings", "display", "music", "dialog", "text", "pictures"}
SEAMS = "platform"
SOURCES = (".h", ".cpp")
SCANNED = CORE | {SEAMS, "windows", "linux", "tests", "bench", "e2e"}

# The C++ standard library's headers: all that portable code may include.
STANDARD = set("""
algorithm any array atomic bitset cassert cctype cerrno cfloat charconv chrono cinttypes climits clocale cmath
codecvt complex condition_variable csetjmp csignal cstdarg cstddef cstdint cstdio cstdlib cstring ctime cwchar
cwctype deque exception execution filesystem forward_list fstream functional future initializer_list iomanip ios
iosfwd iostream istream iterator limits list locale map memory memory_resource mutex new numeric optional ostream
queue random ratio regex scoped_allocator set shared_mutex sstream stack stdexcept streambuf string string_view
system_error thread tuple type_traits typeindex typeinfo unordered_map unordered_set utility valarray variant
vector
""".split())
# What the pictures' generator encodes with: a library, not a system.
LIBRARIES = {"pictures": {"jpeglib.h", "jerror.h"}}
TEST_LIBRARIES = {"gtest/gtest.h", "gmock/gmock.h", "benchmark/benchmark.h"}
# Headers that belong to one desktop: never in the core's tests either.
DESKTOP_HEADER = re.compile(r"^(windows\.h|windowsx\.h|X11/|xcb/|wayland-|gst/|glib|gio/)")
GENERATED = {"lumora_version.h"}

INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')
TEST_VARIABLE = re.compile(r'getenv\s*\(\s*"LUMORA_')


def area(path):
    """The part of the tree a file belongs to: a core folder, 'platform',
    'windows', 'linux', 'linux/x11' or 'linux/wayland'."""
    parts = path.parts
    if parts[0] == "linux" and len(parts) > 2:
        return "linux/" + parts[1]
    return parts[0]


def edition_of_tool(path):
    """The edition a test, benchmark or helper is for; None for the core's."""
    parts = path.parts
    if parts[0] == "tests" and len(parts) > 2 and parts[1] in ("windows", "linux"):
        if parts[1] == "linux" and len(parts) > 3:
            return "linux/" + parts[2]
        return parts[1]
    if parts[0] == "e2e":
        return "windows"
    if parts[0] == "bench":
        if path.stem.endswith("_win32"):
            return "windows"
        if path.stem.endswith("_x11"):
            return "linux/x11"
        if path.stem.endswith("_wayland"):
            return "linux/wayland"
    return None


def allowed_areas(path):
    """The areas a file may include from."""
    own = area(path)
    if own == SEAMS:
        return {SEAMS}
    if own in CORE:
        return CORE | {SEAMS}
    if own in ("tests", "bench", "e2e"):
        edition = edition_of_tool(path)
        reach = CORE | {SEAMS, "tests"}
        if edition is not None:
            reach |= allowed_areas(Path(edition) / "x.cpp") | {edition}
        return reach
    if own == "windows":
        return CORE | {SEAMS, "windows"}
    if own == "linux":
        if path.as_posix() == "linux/main.cpp":
            return CORE | {SEAMS, "linux", "linux/x11", "linux/wayland"}
        return CORE | {SEAMS, "linux"}
    if own.startswith("linux/"):
        return CORE | {SEAMS, "linux", own}
    return set()


def check(root):
    breaches = []
    for path in sorted(root.rglob("*")):
        relative = path.relative_to(root)
        if path.suffix not in SOURCES or relative.parts[0] not in SCANNED or "build" in relative.parts[:1]:
            continue
        if relative.parts[0] == "e2e" and relative.parts[1:2] != ("helpers",):
            continue
        own = area(relative)
        portable_product = own in CORE | {SEAMS} and not relative.stem.endswith("_test")
        is_test = own in ("tests", "bench", "e2e") or relative.stem.endswith("_test")
        reach = allowed_areas(relative)
        for number, line in enumerate(path.read_text(encoding="utf-8", errors="replace").splitlines(), 1):
            where = f"{relative.as_posix()}:{number}"
            if relative.suffix == ".h" and re.match(r"^\s*using\s+namespace\b", line):
                breaches.append(f"{where}: a header says `using namespace`")
            if not is_test and TEST_VARIABLE.search(line):
                breaches.append(f"{where}: product code reads a variable of the tests'")
            found = INCLUDE.match(line)
            if not found:
                continue
            kind, name = found.groups()
            if kind == "<":
                if portable_product and name not in STANDARD and name not in LIBRARIES.get(own, set()):
                    breaches.append(f"{where}: portable code includes <{name}>, not a C++ library header")
                elif own in CORE | {SEAMS, "tests"} and edition_of_tool(relative) is None and DESKTOP_HEADER.match(name):
                    breaches.append(f"{where}: the core's code includes a desktop's <{name}>")
                continue
            if name in GENERATED or name.startswith("generator/") or (own == "windows" and name == "resources.h"):
                continue
            target = Path(name)
            if not (root / target).exists():
                # The pictures' generator is a program of its own, named from its folder.
                target = relative.parent / name
            if not (root / target).exists():
                breaches.append(f'{where}: "{name}" is no file of the tree')
                continue
            if area(target) not in reach:
                breaches.append(f'{where}: {own} includes "{name}" from {area(target)}')
    return breaches


def main():
    root = Path(sys.argv[1] if len(sys.argv) > 1 else Path(__file__).resolve().parent.parent)
    breaches = check(root)
    for breach in breaches:
        print(breach)
    print(f"layout: {len(breaches)} breach{'es' if len(breaches) != 1 else ''}")
    return 1 if breaches else 0


if __name__ == "__main__":
    sys.exit(main())
