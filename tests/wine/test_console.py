"""Console lines and message boxes of the Windows build under Wine.

Started by a console program that runs under a terminal (the console driver, under `script` for a
pseudo-terminal), the launcher attaches to that console and writes "<text> true" lines:
information to standard output, errors to standard error. The driver starts it without a console
of its own (DETACHED_PROCESS), as a command prompt starts a GUI program on Windows; under Wine a
GUI program started plainly by a console program shares that console, so AttachConsole fails
with 5 and the launcher would show boxes. Started from the shell without any console, the launcher
shows message boxes instead (Wine's relay trace of MessageBoxW; without a display the call
returns at once)."""

import os
import re
import shlex
import subprocess
import unittest

from wine_prefix import (CONSOLE_DRIVER, EVENTS, LAUNCHER, MB_DEBUG, MB_ERROR, MB_INFORMATION,
                         QUIET, USER_KEY, WINE, Run, WineTestCase, removal, requires_wine,
                         section, windows_path)

SCRIPT = "/usr/bin/script"
# Wine's own lines on standard error: "0024:fixme:advapi:...".
WINE_LINE = re.compile(rb"^[0-9a-f]{4}:.*\n", re.M)
TERMINAL_CONTROL = re.compile(rb"\x1b\[[0-9;?]*[A-Za-z]|\r")


def line(text: str) -> bytes:
    return (text + " true\n").encode()


@requires_wine
@unittest.skipUnless(CONSOLE_DRIVER and os.path.exists(SCRIPT), "needs ZUB_CONSOLE_DRIVER, script")
class ConsoleTest(WineTestCase):
    GROUP = "console"

    def setUp(self):
        self.wine.reg_import(removal(USER_KEY))

    def from_console(self, *args, redirect: bool = True, debug: str = QUIET) -> Run:
        """Runs the launcher through the console driver under a terminal. With `redirect` the
        driver's standard output and error are files, which the launcher gets as its own;
        otherwise it writes to the console, and `stdout` is what the terminal showed."""
        out, err, typescript = (os.path.join(self.wine.root, name)
                                for name in ("console.out", "console.err", "typescript"))
        command = shlex.join([WINE, CONSOLE_DRIVER, windows_path(LAUNCHER), *args])
        if redirect:
            command += " >%s 2>%s" % (shlex.quote(out), shlex.quote(err))
        # A wide terminal, so that the console does not wrap the lines it shows.
        command = "stty cols 2000; " + command
        code = subprocess.run([SCRIPT, "-q", "-e", "-c", command, typescript],
                              env=dict(self.wine.env, WINEDEBUG=debug), stdin=subprocess.DEVNULL,
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                              timeout=60).returncode
        captured = []
        for path in (out, err, typescript):
            data = b""
            if os.path.exists(path):
                with open(path, "rb") as f:
                    data = f.read()
                os.remove(path)
            captured.append(data)
        if redirect:
            return Run(code, captured[0], captured[1])
        shown = TERMINAL_CONTROL.sub(b"", captured[2])
        return Run(code, shown.split(b"\n", 1)[1].rsplit(b"\nScript done", 1)[0], b"")

    def test_lines_go_to_the_streams_the_console_gave(self):
        folder = "C:\\Dokumente\\Übersicht"
        report = ("Fehler Installationsverzeichnis kann nicht ermittelt werden Error accessing "
                  "registry key\nVarnelo Verzeichnis " + folder +
                  "\nDer Launcher ist nicht registriert! ")
        nul_link = "zubdms:/a%00b"
        rows = [
            # arguments, code, standard output, standard error
            (["-c", folder], 0, b"Try to create path\n" + line("Varneloverzeichnis gesetzt"), b""),
            (["-d", "-c", folder], 0,
             line("Try to open path") + line("Try to set value") +
             line("Varneloverzeichnis gesetzt"), b""),
            (["-i"], 11, line(report), b""),
            (["-x"], 13, b"", line("Fehler bei der entfernen Registrierung der Logging Quelle! "
                                   "Provided path not found: ZUB Launcher")),
            # A NUL of the path shows escaped, as every control character of a path does.
            ([nul_link], 5, b"", line("\nFehler beim öffnen : strings passed to WinAPI cannot "
                                      "contain NULs\nURL: " + nul_link + "\nFile: " + folder +
                                      "\\a\\0b\n")),
            (["-d"], 10, b"", b""),
        ]
        for args, code, stdout, stderr in rows:
            self.assertEqual(self.from_console(*args), (code, stdout, stderr), args)

        help_screen = self.from_console()
        self.assertEqual(help_screen.code, 1)
        self.assertTrue(help_screen.stdout.startswith(b"Varnelo DMS Lancher version 1.0.4\n\n"))
        self.assertIn(windows_path(LAUNCHER).encode() + b" url | -h | -i", help_screen.stdout)
        self.assertTrue(help_screen.stdout.endswith(line("    " + report + "\n")))

    def test_errors_are_logged_with_a_console_as_well(self):
        run = self.from_console("-x", debug=EVENTS)
        message = ("Fehler bei der entfernen Registrierung der Logging Quelle! "
                   "Provided path not found: ZUB Launcher")
        self.assertEqual(run.code, 13)
        self.assertErrors(run, [message])
        self.assertEqual(WINE_LINE.sub(b"", run.stderr), line(message))

    def test_lines_reach_the_terminal(self):
        self.wine.reg_import(section(USER_KEY, {"NextCloudFolder": "C:\\Übersicht"}))
        run = self.from_console("-d", "-c", "C:\\Übersicht", redirect=False)
        self.assertEqual(run.code, 0)
        self.assertEqual(run.stdout, line("Try to open path") + line("Try to set value") +
                         line("Varneloverzeichnis gesetzt"))
        run = self.from_console("-x", redirect=False)
        self.assertEqual(run.code, 13)
        self.assertEqual(run.stdout, line("Fehler bei der entfernen Registrierung der Logging "
                                          "Quelle! Provided path not found: ZUB Launcher"))

    def test_without_a_console_every_message_is_a_box(self):
        self.wine.reg_import(section(USER_KEY, {"NextCloudFolder": r"C:\Docs"}))
        nul_link = "zubdms:/a%00b"
        rows = [
            (["-c", r"C:\Docs"], 0, [("Varneloverzeichnis gesetzt", MB_INFORMATION)]),
            (["-d", "-c", r"C:\Docs"], 0, [("Try to open path", MB_DEBUG),
                                           ("Try to set value", MB_DEBUG),
                                           ("Varneloverzeichnis gesetzt", MB_INFORMATION)]),
            (["-x"], 13, [("Fehler bei der entfernen Registrierung der Logging Quelle! "
                           "Provided path not found: ZUB Launcher", MB_ERROR)]),
            # The NUL of the path shows escaped, so the box shows the whole text.
            ([nul_link], 5, [("\nFehler beim öffnen : strings passed to WinAPI cannot contain "
                              "NULs\nURL: " + nul_link + "\nFile: C:\\Docs\\a\\0b\n", MB_ERROR)]),
            (["-d"], 10, []),
        ]
        for args, code, boxes in rows:
            run = self.wine.launch(*args)
            self.assertEqual(run.code, code, args)
            self.assertBoxes(run, boxes, " ".join(args))
            self.assertEqual(run.stdout, b"", args)
            self.assertEqual(WINE_LINE.sub(b"", run.stderr), b"", args)

        self.wine.reg_import(removal(USER_KEY))
        run = self.wine.launch("zubdms:/a.txt")
        self.assertBoxes(run, [("Error try to get base dir!", MB_ERROR),
                               ("Error access the registry key : Error accessing registry key",
                                MB_ERROR)])


if __name__ == "__main__":
    unittest.main()
