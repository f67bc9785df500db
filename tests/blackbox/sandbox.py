"""The sandbox of the black-box tests that open documents: a throw-away HOME with its own
registry files, its own default application (a recorder) and no display."""

import os
import shutil
import subprocess
import tempfile
import time
import unittest

LAUNCHER = os.environ.get("ZUB_LAUNCHER", "")

# Longest single argument Linux passes to a program (MAX_ARG_STRLEN, with its NUL).
LONGEST_ARGUMENT = 128 * 1024 - 1


def line(text: str) -> bytes:
    """A console line as the launcher writes it."""
    return (text + " true\n").encode()


def reg_string(text: str) -> str:
    return '"' + text.replace("\\", "\\\\").replace('"', '\\"') + '"'


class Sandbox:
    """A throw-away HOME with its own registry, its own default application and no display.

    The recorder is the only application GIO can see: XDG_DATA_DIRS holds just the shared MIME
    database, so no application of the machine can be chosen instead."""

    def __init__(self):
        self.root = os.path.realpath(tempfile.mkdtemp(prefix="zub_open_"))
        self.config_home = os.path.join(self.root, "config")
        self.data_home = os.path.join(self.root, "data")
        self.data_dirs = os.path.join(self.root, "sysdata")
        self.record = os.path.join(self.root, "opened.txt")
        self.base = os.path.join(self.root, "Docs")
        for folder in (self.config_home, os.path.join(self.data_home, "applications"),
                       self.data_dirs, self.base):
            os.makedirs(folder)
        os.symlink("/usr/share/mime", os.path.join(self.data_dirs, "mime"))

        recorder = os.path.join(self.root, "recorder.sh")
        with open(recorder, "w") as f:
            f.write('#!/bin/sh\nfor a in "$@"; do printf "%s\\n" "$a" >> "' + self.record +
                    '"; done\n')
        os.chmod(recorder, 0o755)
        types = ["text/plain", "application/pdf", "inode/directory", "application/octet-stream",
                 "application/x-shellscript", "application/x-desktop", "application/x-executable",
                 "application/x-sharedlib", "application/x-pie-executable", "application/json",
                 "application/vnd.ms-word.document.macroEnabled.12", "application/vnd.squashfs"]
        with open(os.path.join(self.data_home, "applications", "zubrecorder.desktop"), "w") as f:
            f.write("[Desktop Entry]\nType=Application\nName=Recorder\n"
                    "Exec=" + recorder + " %f\nMimeType=" + ";".join(types) + ";\n")
        with open(os.path.join(self.config_home, "mimeapps.list"), "w") as f:
            f.write("[Default Applications]\n")
            for mime_type in types:
                f.write(mime_type + "=zubrecorder.desktop\n")

        self.env = {
            "HOME": self.root,
            "XDG_CONFIG_HOME": self.config_home,
            "XDG_CONFIG_DIRS": os.path.join(self.root, "xdg"),
            "XDG_DATA_HOME": self.data_home,
            "XDG_DATA_DIRS": self.data_dirs,
            "PATH": os.environ.get("PATH", "/usr/bin:/bin"),
            "LANG": "C.UTF-8",
        }
        self.launcher = LAUNCHER
        self.set_base_dir(self.base)

    def cleanup(self):
        shutil.rmtree(self.root, ignore_errors=True)

    def set_base_dir(self, folder: str):
        hive = os.path.join(self.config_home, "zub_launcher", "HKEY_CURRENT_USER.reg")
        os.makedirs(os.path.dirname(hive), exist_ok=True)
        with open(hive, "w", encoding="utf-8") as f:
            f.write("Windows Registry Editor Version 5.00\n\n"
                    "[HKEY_CURRENT_USER\\SOFTWARE\\varnelo\\launcher]\n"
                    '"NextCloudFolder"=' + reg_string(folder) + "\n")

    def write(self, relative: str, content: bytes = b"Inhalt\n") -> str:
        path = os.path.join(self.root, relative)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(content)
        return path

    def run(self, *args, timeout: float = 60) -> subprocess.CompletedProcess:
        argv = [self.launcher] + [a if isinstance(a, bytes) else str(a) for a in args]
        return self.run_program(*argv, timeout=timeout)

    def run_program(self, *argv, timeout: float = 60, **env) -> subprocess.CompletedProcess:
        """Any program in the sandbox's environment, with `env` added to it."""
        return subprocess.run(argv, env=dict(self.env, **env), stdin=subprocess.DEVNULL,
                              capture_output=True, timeout=timeout)

    def opened(self, expect: int = 0) -> list:
        """The paths the recorder was given, once `expect` of them have arrived (the
        application is started, not waited for)."""
        deadline = time.monotonic() + 30
        while True:
            entries = []
            if os.path.exists(self.record):
                with open(self.record, encoding="utf-8", errors="surrogateescape") as f:
                    entries = f.read().splitlines()
            if len(entries) >= expect or time.monotonic() > deadline:
                return entries
            time.sleep(0.05)


@unittest.skipUnless(LAUNCHER, "ZUB_LAUNCHER is not set")
class LauncherTestCase(unittest.TestCase):
    """A test with a fresh sandbox of `sandbox_class` for each test."""

    sandbox_class = None

    def setUp(self):
        self.sandbox = self.sandbox_class()
        self.addCleanup(self.sandbox.cleanup)

    def assertRun(self, result, code, stdout=b"", stderr=b"", name=""):
        self.assertEqual((result.returncode, result.stdout, result.stderr), (code, stdout, stderr),
                         name)


class OpenTestCase(LauncherTestCase):
    sandbox_class = Sandbox

    def assertNothingOpenedBesides(self, control_relative: str, earlier=()):
        """Opens a harmless control document last; once it has arrived, anything an earlier run
        had started would have arrived too. `earlier`: what earlier runs were to open."""
        control = self.sandbox.write(os.path.join("Docs", control_relative))
        self.assertRun(self.sandbox.run("zubdms:/" + control_relative), 0)
        expected = sorted(list(earlier) + [control])
        self.assertEqual(sorted(self.sandbox.opened(expect=len(expected))), expected)
