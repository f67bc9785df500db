"""A throw-away Wine prefix for one group of tests of the Windows build, and Wine's own tools to
look into it: `reg` for the registry, Wine's report of ReportEventW and MessageBoxW calls on its
standard error for the event log and the message boxes.

Every group boots a fresh prefix (several seconds) and keeps one wineserver running for it, so
that each further run takes a fraction of a second. Output is captured through files: Wine's
helper processes inherit the standard handles and outlive the command, so a pipe would not reach
end of file."""

import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
import unittest
from typing import NamedTuple, Optional

WINE = "/usr/lib/wine/wine64"
WINESERVER = "/usr/lib/wine/wineserver"
LAUNCHER = os.environ.get("ZUB_LAUNCHER", "")
RECORDER = os.environ.get("ZUB_RECORDER", "")
ANSI_RECORDER = os.environ.get("ZUB_ANSI_RECORDER", "")
CONSOLE_DRIVER = os.environ.get("ZUB_CONSOLE_DRIVER", "")

# Values of WINEDEBUG. Nothing but the program's own output:
QUIET = "-all"
# ReportEventW's stub line carries the event type and identifier; its error-type text follows.
EVENTS = "-all,fixme+advapi,err+eventlog"
# With RelayInclude limited to MessageBoxW (set at boot), each box shows as one relay line.
BOXES = EVENTS + ",+relay"

USER_KEY = r"HKCU\SOFTWARE\varnelo\launcher"
MACHINE_KEY = r"HKLM\SOFTWARE\varnelo\launcher"
COMMAND_KEY = r"HKCR\zubdms\shell\open\command"
SOURCE_KEY = r"HKLM\SYSTEM\CurrentControlSet\Services\EventLog\Application\ZUB Launcher"

RECORDER_EXE = r"C:\zubtest\recorder.exe"
RECORDER_TYPE = ".zubt"  # a file type of the tests, opened by the recorder
ANSI_RECORDER_EXE = r"C:\zubtest\ansirec.exe"
ANSI_RECORDER_TYPE = ".zuba"  # opened by the recorder without Unicode support

ERROR_EVENT = (1, 0xC0000001)  # EVENTLOG_ERROR_TYPE and the identifier of level Error
MB_ERROR, MB_INFORMATION, MB_DEBUG = 0x1010, 0x1040, 0x1000


def requires_wine(test_class):
    """Skips the tests where the Windows build or Wine is missing."""
    return unittest.skipUnless(LAUNCHER and os.path.exists(WINE),
                               "needs ZUB_LAUNCHER (the Windows build) and " + WINE)(test_class)


class Event(NamedTuple):
    type: int
    id: int
    text: str
    truncated: bool  # Wine shortens long texts in its report


class Box(NamedTuple):
    text: str
    caption: str
    style: int
    truncated: bool


class Run(NamedTuple):
    code: int
    stdout: bytes
    stderr: bytes

    @property
    def events(self) -> list:
        return parse_events(self.stderr.decode("utf-8", "replace"))

    @property
    def boxes(self) -> list:
        return parse_boxes(self.stderr.decode("utf-8", "replace"))

    def describe(self) -> str:
        """The code, the boxes and events, and what else Wine printed: for failure messages."""
        other = [line for line in self.stderr.decode("utf-8", "replace").splitlines()
                 if not _TRACE_LINE.match(line)]
        return "exit %d, boxes %r, events %r, other output %r" % (
            self.code, self.boxes, self.events, "\n".join(other[-20:]))

    def wine_failed(self, boxes_traced: bool) -> bool:
        """Wine did not carry the run to its end: its loader or its server connection reported
        a failure, or, with message boxes traced, the launcher ended with status 1 without a box
        or an event (its own status 1 always comes with the help screen; seen once in CI, on a
        row that never gives 1 here). A crash of the program itself is never taken for one."""
        if self.code == 0 or self.boxes or self.events:
            return False
        text = self.stderr.decode("utf-8", "replace")
        if "Unhandled" in text:
            return False
        return bool(WINE_FAILURE.search(text)) or (boxes_traced and self.code == 1)


def parse_wine_string(text: str, pos: int):
    """Wine's debug rendering of a wide string at text[pos:] (L"...", \\n \\r \\t \\" \\\\ and
    four hex digits per other unit, "..." after the closing quote when shortened):
    (string, shortened, position after it)."""
    if not text.startswith('L"', pos):
        raise ValueError("no wide string at " + repr(text[pos:pos + 20]))
    escapes = {"n": 0x0A, "r": 0x0D, "t": 0x09, '"': 0x22, "\\": 0x5C}
    units = []
    i = pos + 2
    while text[i] != '"':
        if text[i] != "\\":
            units.append(ord(text[i]))
            i += 1
        elif text[i + 1] in escapes:
            units.append(escapes[text[i + 1]])
            i += 2
        else:
            units.append(int(text[i + 1:i + 5], 16))
            i += 5
    i += 1
    shortened = text.startswith("...", i)
    string = b"".join(u.to_bytes(2, "little") for u in units).decode("utf-16-le", "surrogatepass")
    return string, shortened, i + (3 if shortened else 0)


_EVENT_CALL = re.compile(r"^\w+:fixme:advapi:ReportEventW \(\w+,0x(\w+),0x\w+,0x(\w+),")
_EVENT_TEXT = re.compile(r"^\w+:err:eventlog:ReportEventW ")
_BOX_CALL = re.compile(r"^\w+:Call user32\.MessageBoxW\(\w+,\w+ ")
# The lines of the traces asked for in WINEDEBUG.
_TRACE_LINE = re.compile(r"^\w+:(Call|Ret|fixme|err|trace|warn):")
# What Wine's loader and its server connection print when they give up.
WINE_FAILURE = re.compile(r"^(wine: |wine client error|preloader: )", re.MULTILINE)


def parse_events(stderr: str) -> list:
    """The ReportEventW calls in Wine's report, in order. Wine prints the text of error events
    only; the others keep an empty text."""
    events = []
    for line in stderr.splitlines():
        if match := _EVENT_CALL.match(line):
            events.append(Event(int(match[1], 16), int(match[2], 16), "", False))
        elif (match := _EVENT_TEXT.match(line)) and events:
            text, shortened, _ = parse_wine_string(line, match.end())
            events[-1] = events[-1]._replace(text=text, truncated=shortened)
    return events


def parse_boxes(stderr: str) -> list:
    boxes = []
    for line in stderr.splitlines():
        if match := _BOX_CALL.match(line):
            text, shortened, pos = parse_wine_string(line, match.end())
            caption_start = line.index(" ", pos) + 1
            caption, _, pos = parse_wine_string(line, caption_start)
            style = int(line[pos + 1:line.index(")", pos)], 16)
            boxes.append(Box(text, caption, style, shortened))
    return boxes


def windows_path(unix_path: str) -> str:
    """How Wine names a file of the Unix file system (drive Z: is the root)."""
    return "Z:" + os.path.abspath(unix_path).replace("/", "\\")


class Prefix:
    """A fresh WINEPREFIX with its own HOME and a wineserver kept running until close()."""

    def __init__(self, group: str):
        self.root = tempfile.mkdtemp(prefix="zub_wine_" + group + "_")
        self.path = os.path.join(self.root, "prefix")
        self.drive_c = os.path.join(self.path, "drive_c")
        home = os.path.join(self.root, "home")
        os.makedirs(self.path)
        os.makedirs(home)
        self.env = {
            "WINEPREFIX": self.path,
            "WINEDEBUG": QUIET,
            "WINEDLLOVERRIDES": "mscoree,mshtml,winemenubuilder.exe=d",
            "HOME": home,  # the prefix links its user folders here, not into the host's
            "PATH": "/usr/bin:/bin",
            "LANG": "C.UTF-8",  # arguments arrive as UTF-8
            # No DISPLAY: a message box returns at once instead of waiting for a click.
        }
        self._serial = 0
        try:
            # Kept alive between runs; should the test process die, it ends a minute later.
            subprocess.run([WINESERVER, "-p60"], env=self.env, stdin=subprocess.DEVNULL,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True)
            boot = self.wine("wineboot", "-i", timeout=180)
            if boot.code != 0:
                raise RuntimeError("wineboot: " + boot.stderr.decode("utf-8", "replace"))
            self.reg_add(r"HKCU\Software\Wine\Debug", "RelayInclude", "user32.MessageBoxW")
        except BaseException:
            self.close()
            raise

    def close(self):
        # Ends this prefix's server and every process still running in it.
        subprocess.run([WINESERVER, "-k"], env=self.env, stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=False)
        subprocess.run([WINESERVER, "-w"], env=self.env, stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=False,
                       timeout=60)
        shutil.rmtree(self.root, ignore_errors=True)

    # Running programs

    def wine(self, *argv, debug: str = QUIET, timeout: float = 60, env=None) -> Run:
        """Runs a program in the prefix, with `env` added to its environment. A run that Wine
        itself could not carry out is repeated (twice at most), and each such run is reported on
        standard error."""
        for _ in range(3):
            run = self._run_once(argv, debug, timeout, env or {})
            if not run.wine_failed(boxes_traced=debug == BOXES):
                break
            sys.stderr.write("\nWine did not run %r to its end, once more: %s\n"
                             % (argv, run.describe()))
        return run

    def _run_once(self, argv, debug: str, timeout: float, env: dict) -> Run:
        self._serial += 1
        out_path = os.path.join(self.root, "out%d" % self._serial)
        err_path = os.path.join(self.root, "err%d" % self._serial)
        with open(out_path, "wb") as out, open(err_path, "wb") as err:
            code = subprocess.run([WINE, *argv], env=dict(self.env, **env, WINEDEBUG=debug),
                                  stdin=subprocess.DEVNULL, stdout=out, stderr=err,
                                  timeout=timeout).returncode
        with open(out_path, "rb") as out, open(err_path, "rb") as err:
            result = Run(code, out.read(), err.read())
        os.remove(out_path)
        os.remove(err_path)
        return result

    def launch(self, *args, exe: str = "", debug: str = BOXES, env=None) -> Run:
        """The launcher started as the shell starts it: no console, so messages are boxes."""
        return self.wine(exe or LAUNCHER, *args, debug=debug, env=env)

    # Files

    def unix_path(self, windows: str) -> str:
        """The Unix path of C:\\... in this prefix."""
        assert windows[:3].upper() == "C:\\", windows
        return os.path.join(self.drive_c, *windows[3:].split("\\"))

    def write(self, windows: str, content: bytes = b"Inhalt\r\n") -> str:
        path = self.unix_path(windows)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(content)
        return path

    def install(self, source: str, windows: str) -> str:
        path = self.unix_path(windows)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        shutil.copyfile(source, path)
        return path

    # Registry, through Wine's reg.exe

    def reg_add(self, key: str, name: Optional[str], data: str, kind: str = "REG_SZ"):
        which = ["/ve"] if name is None else ["/v", name]
        result = self.wine("reg", "add", key, *which, "/t", kind, "/d", data, "/f")
        if result.code != 0:
            raise RuntimeError("reg add %s failed" % key)

    def reg_delete(self, key: str):
        """Deletes the key and everything below it; a missing key is fine."""
        self.wine("reg", "delete", key, "/f")

    def reg_import(self, *sections: str):
        """Applies regedit sections (see section() and removal()) in one run of reg.exe."""
        path = os.path.join(self.root, "import.reg")
        text = "Windows Registry Editor Version 5.00\r\n\r\n" + "\r\n".join(sections)
        with open(path, "wb") as f:
            f.write(text.encode("utf-16"))
        # Seen once in a full run on a loaded machine: reg.exe ended with 1 for a file it took the
        # next time. The import is idempotent, so one more attempt is safe.
        for attempt in range(2):
            run = self.wine("reg", "import", windows_path(path))
            if run.code == 0:
                break
            sys.stderr.write("\nreg import failed (%s)%s\n"
                             % (run.describe(), ", once more" if attempt == 0 else ""))
        else:
            raise RuntimeError("reg import failed:\n" + text)
        os.remove(path)

    def reg_values(self, key: str) -> Optional[dict]:
        """{value name ("" for the default): (type, data)} of the key, None when it does not
        exist. Types "REG_SZ" (data str), "REG_EXPAND_SZ" and others (data bytes)."""
        export = os.path.join(self.root, "export.reg")
        if self.wine("reg", "export", key, export, "/y").code != 0:
            return None
        with open(export, "rb") as f:
            text = f.read().decode("utf-16")
        os.remove(export)
        return parse_reg_section(text)

    def reg_value(self, key: str, name: str = ""):
        values = self.reg_values(key)
        return None if values is None else values.get(name)

    # The recorder as the application of a file type

    def install_recorder(self):
        self.install(RECORDER, RECORDER_EXE)
        self.reg_add("HKCR\\" + RECORDER_TYPE, None, "zubtestfile")
        self.reg_add(r"HKCR\zubtestfile\shell\open\command", None, '"%s" "%%1"' % RECORDER_EXE)

    def install_ansi_recorder(self):
        self.install(ANSI_RECORDER, ANSI_RECORDER_EXE)
        self.reg_add("HKCR\\" + ANSI_RECORDER_TYPE, None, "zubansifile")
        self.reg_add(r"HKCR\zubansifile\shell\open\command", None,
                     '"%s" "%%1"' % ANSI_RECORDER_EXE)

    def recorded_ansi(self, expect: int = 0) -> list:
        """The command lines the ANSI recorder got, one per run, as bytes in the code page,
        once `expect` runs have been recorded."""
        path = self.unix_path(ANSI_RECORDER_EXE + ".log")
        if not self.wait_for_lines(path, expect):
            return []
        with open(path, "rb") as f:
            return f.read().splitlines()

    def recorded(self, expect: int = 0) -> list:
        """The arguments the recorder was started with, one line per run, once `expect` runs
        have been recorded."""
        return self.wait_for_lines(self.unix_path(RECORDER_EXE + ".log"), expect)

    def short_name(self, windows: str) -> str:
        """The 8.3 name Wine gives the last component of C:\\..., from "dir /x"."""
        folder, _, name = windows.rpartition("\\")
        listing = self.wine("cmd", "/c", "dir", "/x", folder + "\\").stdout.decode("cp437")
        words = len(name.split())
        for line in listing.splitlines():
            fields = line.split()
            # "<date> <time> <DIR> SHORT~1 Long Name"
            if line.endswith(" " + name) and len(fields) > words and "~" in fields[-1 - words]:
                return fields[-1 - words]
        raise RuntimeError("no short name for " + windows + " in:\n" + listing)

    # Files that a started program leaves behind

    def wait_for_lines(self, unix_path: str, count: int, timeout: float = 30) -> list:
        """The lines of the file once it has `count` of them (or the timeout has passed):
        programs started through the shell are not waited for."""
        deadline = time.monotonic() + timeout
        while True:
            lines = []
            if os.path.exists(unix_path):
                with open(unix_path, encoding="utf-8", errors="surrogateescape") as f:
                    lines = f.read().splitlines()
            if len(lines) >= count or time.monotonic() > deadline:
                return lines
            time.sleep(0.05)


ROOTS = {"HKCU": "HKEY_CURRENT_USER", "HKLM": "HKEY_LOCAL_MACHINE", "HKCR": "HKEY_CLASSES_ROOT"}


def full_key(key: str) -> str:
    root, _, rest = key.partition("\\")
    return ROOTS.get(root, root) + "\\" + rest


def reg_string(text: str) -> str:
    return '"' + text.replace("\\", "\\\\").replace('"', '\\"') + '"'


def section(key: str, values: dict) -> str:
    """A regedit section that creates the key and sets REG_SZ values ("" is the default)."""
    lines = ["[" + full_key(key) + "]"]
    for name, data in values.items():
        lines.append(("@" if name == "" else reg_string(name)) + "=" + reg_string(data))
    return "\r\n".join(lines) + "\r\n"


def removal(key: str) -> str:
    """A regedit section that deletes the key and everything below it."""
    return "[-" + full_key(key) + "]\r\n"


def parse_reg_section(text: str) -> dict:
    """The values of the first section of a regedit export."""
    lines = text.replace("\r\n", "\n").split("\n")
    joined = []
    for line in lines:
        if joined and joined[-1].endswith("\\") and line.startswith("  "):
            joined[-1] = joined[-1][:-1] + line.strip()
        else:
            joined.append(line)
    values = {}
    in_section = False
    for line in joined:
        if line.startswith("["):
            if in_section:
                break
            in_section = True
            continue
        if not in_section or not line:
            continue
        if line.startswith("@="):
            name, rest = "", line[2:]
        else:
            name, rest = parse_quoted(line)
            rest = rest[1:]  # the "="
        if rest.startswith('"'):
            data, _ = parse_quoted(rest)
            values[name] = ("REG_SZ", data)
        elif rest.startswith("dword:"):
            values[name] = ("REG_DWORD", int(rest[6:], 16))
        else:
            kind, _, hex_bytes = rest.partition(":")
            names = {"hex": "REG_BINARY", "hex(0)": "REG_NONE", "hex(1)": "REG_SZ",
                     "hex(2)": "REG_EXPAND_SZ", "hex(7)": "REG_MULTI_SZ"}
            data = bytes(int(b, 16) for b in hex_bytes.split(",") if b)
            values[name] = (names.get(kind, kind), data)
    return values


def parse_quoted(line: str):
    """The regedit string that starts the line: (text, the rest of the line after it)."""
    assert line[0] == '"', line
    out = []
    i = 1
    while line[i] != '"':
        if line[i] == "\\":
            i += 1
            out.append("\n" if line[i] == "n" else line[i])  # reg.exe writes a line feed as \n
        else:
            out.append(line[i])
        i += 1
    return "".join(out), line[i + 1:]


class WineTestCase(unittest.TestCase):
    """One fresh prefix for all tests of the class."""

    GROUP = "tests"

    @classmethod
    def setUpClass(cls):
        cls.wine = Prefix(cls.GROUP)

    @classmethod
    def tearDownClass(cls):
        cls.wine.close()

    def assertErrors(self, run: Run, messages: list, name: str = ""):
        """Every error message was written as exactly one Error event with its text, in order.
        (Wine's report ends a text at a NUL and shortens long ones.)"""
        events = run.events
        self.assertEqual(len(events), len(messages), "%s: %r" % (name, events))
        for event, message in zip(events, messages):
            self.assertEqual((event.type, event.id), ERROR_EVENT, name)
            expected = message.split("\0")[0]
            if event.truncated:
                self.assertGreater(len(event.text), 200, name)
                self.assertTrue(expected.startswith(event.text), "%s: %r" % (name, event.text))
            else:
                self.assertEqual(event.text, expected, name)

    def assertBoxes(self, run: Run, boxes: list, name: str = ""):
        """The message boxes shown, as (text, style), each with the caption "ZUB Launcher".
        A box shows its text up to a NUL."""
        shown = run.boxes
        self.assertEqual(len(shown), len(boxes), "%s: %r" % (name, shown))
        for box, (text, style) in zip(shown, boxes):
            self.assertEqual((box.caption, box.style), ("ZUB Launcher", style), name)
            expected = text.split("\0")[0]
            if box.truncated:
                self.assertTrue(expected.startswith(box.text), "%s: %r" % (name, box.text))
            else:
                self.assertEqual(box.text, expected, name)

    def assertFailure(self, run: Run, code: int, messages: list, name: str = ""):
        """The run ended with the code, and each error message was shown in a box and written
        as one Error event."""
        self.assertEqual(run.code, code, "%s: %s" % (name, run.describe()))
        self.assertErrors(run, messages, name)
        self.assertBoxes(run, [(message, MB_ERROR) for message in messages], name)
