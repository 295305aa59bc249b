#!/usr/bin/env python3
"""Checks an installer without running it, for the edition that cannot run on
this machine (the 32-bit one) as much as for the other: what it carries (listed
and unpacked with 7-Zip) and what its script does on each kind of Windows (the
script as makensis compiles it for this edition, every macro expanded).

  check_installer.py --arch x64|x86 --installer SETUP.exe --scr Lumora.scr --version X.Y.Z
"""
import argparse
import re
import struct
import subprocess
import sys
import tempfile
from pathlib import Path

SOURCE = Path(__file__).resolve().parent.parent
MACHINES = {"x64": 0x8664, "x86": 0x14C}
SYSTEM_FOLDER_FILE = re.compile(r'^(File|Delete|Rename|SetOutPath)\b.*\$SystemFolder')


def machine(data):
    """The PE header's machine field."""
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        raise ValueError("not a PE file")
    return struct.unpack_from("<H", data, pe + 4)[0]


def blocks(script, kind):
    """Each Function or Section of the expanded script: name -> its lines."""
    found, name = {}, None
    for line in script.splitlines():
        line = line.strip()
        if re.match(rf"^{kind}\b", line):
            name = line
            found[name] = []
        elif re.match(rf"^{kind}End\b", line):
            name = None
        elif name is not None and line and not line.startswith((";", "!verbose")):
            found[name].append(line)
    return found


class Checks:
    def __init__(self, args):
        self.args = args
        self.failures = []

    def expect(self, condition, what):
        print(("ok    " if condition else "FAIL  ") + what)
        if not condition:
            self.failures.append(what)

    def contents(self, work):
        """What the installer holds: this build's Lumora.scr and an uninstaller,
        both for this edition's processor."""
        setup = self.args.installer.read_bytes()
        self.expect(machine(setup) == MACHINES[self.args.arch],
                    f"the installer is a {self.args.arch} program")
        listing = subprocess.run(["7z", "l", "-slt", str(self.args.installer)], capture_output=True,
                                 text=True, check=True).stdout
        paths = re.findall(r"^Path = (.+)$", listing, re.M)[1:]
        print("      7-Zip lists: " + ", ".join(paths))
        self.expect(any(p.endswith("Lumora.scr.new") for p in paths), "it carries Lumora.scr")
        self.expect("uninstall.exe" in paths, "it carries an uninstaller")
        subprocess.run(["7z", "x", "-y", f"-o{work}", str(self.args.installer)], stdout=subprocess.DEVNULL,
                       check=True)
        [scr] = list(work.rglob("Lumora.scr.new"))
        self.expect(scr.read_bytes() == self.args.scr.read_bytes(), "its Lumora.scr is this build's, byte for byte")
        self.expect(machine((work / "uninstall.exe").read_bytes()) == MACHINES[self.args.arch],
                    f"its uninstaller is a {self.args.arch} program")

    def script(self, work):
        arch = self.args.arch
        expanded = subprocess.run(
            ["makensis", "-INPUTCHARSET", "UTF8", f"-DVERSION={self.args.version}", f"-DARCH={arch}",
             f"-DSCR={self.args.scr}", f"-DLICENSE_FILE={SOURCE / 'LICENSE'}",
             f"-DICON={SOURCE / 'pictures' / 'lumora.ico'}", f"-DOUTFILE={work / 'unused.exe'}", "-SAFEPPO",
             str(SOURCE / "installer" / "lumora.nsi")], capture_output=True, check=True).stdout.decode("utf-8")
        lines = [line.strip() for line in expanded.splitlines()]
        target = {"x64": "amd64-unicode", "x86": "x86-unicode"}[arch]
        self.expect(f"Target {target}" in lines, f"built for {target}")
        self.expect("RequestExecutionLevel admin" in lines, "asks for administrator rights")
        self.expect("SetDateSave off" in lines, "keeps no file times (the same bytes at every build)")
        languages = [line for line in lines if line.startswith("LoadLanguageFile")]
        self.expect(len(languages) == 2 and "English" in languages[0] and "Japanese" in languages[1],
                    "English first (the fallback), then Japanese")

        functions = blocks(expanded, "Function")
        sections = {**blocks(expanded, "Section"), **functions}
        for prefix in ("", "un."):
            finder = functions[f"Function {prefix}FindFolders"]
            assignments = [line for line in finder if line.startswith("StrCpy $SystemFolder")]
            if arch == "x64":
                self.expect("SetRegView 64" in finder, f"{prefix}FindFolders: the registry's 64-bit view")
                self.expect(assignments == ['StrCpy $SystemFolder "$SYSDIR"'],
                            f"{prefix}FindFolders: System32, the 64-bit system folder")
                self.expect(not any("IsWow64" in line for line in finder), f"{prefix}FindFolders: no WOW64 test")
            else:
                self.expect(not any(line.startswith("SetRegView") for line in finder),
                            f"{prefix}FindFolders: the registry's 32-bit view")
                # IsWow64Process's answer, 0 or not, picks the branch; SysWOW64
                # must be the one for WOW64 (the answer is not 0).
                test = next((i for i, line in enumerate(finder) if line.startswith("StrCmp `$_LOGICLIB_TEMP` `0`")),
                            None)
                wow = next((i for i, line in enumerate(finder) if "SysWOW64" in line), None)
                other = next((i for i, line in enumerate(finder) if line == 'StrCpy $SystemFolder "$SYSDIR"'), None)
                self.expect(any("IsWow64Process" in line for line in finder) and None not in (test, wow, other)
                            and test < wow < other and re.search(r"ElseLabel", finder[test]) is not None
                            and any(line.endswith(":") and "ElseLabel" in line for line in finder[wow:other]),
                            f"{prefix}FindFolders: SysWOW64 on 64-bit Windows, System32 on 32-bit Windows")
        # Every file operation in the system folder: on x86 with redirection
        # off, so that the path written is the path registered; back on before
        # the block ends, for the plug-ins.
        for name, body in sections.items():
            redirected, touched, wrong = True, False, []
            for line in body:
                if "Wow64EnableWow64FsRedirection(i0)" in line:
                    redirected = False
                elif "Wow64EnableWow64FsRedirection(i1)" in line:
                    redirected = True
                elif SYSTEM_FOLDER_FILE.match(line):
                    touched = True
                    if redirected == (arch == "x86"):
                        wrong.append(line)
            if touched or not redirected:
                state = "off" if arch == "x86" else "never turned off"
                self.expect(not wrong and redirected,
                            f"{name}: file system redirection {state} for the system folder" +
                            (f" (not for: {wrong})" if wrong else ""))
        uninstall = [line for line in lines if "CurrentVersion\\Uninstall\\Lumora" in line]
        self.expect(len(uninstall) > 0, "registers with Apps & features")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--arch", choices=sorted(MACHINES), required=True)
    parser.add_argument("--installer", type=Path, required=True)
    parser.add_argument("--scr", type=Path, required=True)
    parser.add_argument("--version", required=True)
    checks = Checks(parser.parse_args())
    with tempfile.TemporaryDirectory() as work:
        checks.contents(Path(work) / "unpacked")
        checks.script(Path(work))
    print(f"{len(checks.failures)} failed")
    return 1 if checks.failures else 0


if __name__ == "__main__":
    sys.exit(main())
