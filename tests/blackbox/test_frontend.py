"""Black-box tests of the launcher's front end: the argument scan, the dispatch, the exit codes,
the console lines and their streams, the help screen and the message boxes (through a stand-in
zenity), run against the built binary in a throw-away sandbox."""

import json
import os
import shutil
import subprocess
import sys
import tempfile
import textwrap
import unittest

from sandbox import LAUNCHER, LauncherTestCase, line

NOTHING_CONFIGURED_REPORT = (
    "Fehler Installationsverzeichnis kann nicht ermittelt werden Error accessing registry key\n"
    "Fehler Varnelo Verzeichnis kann nicht ermittelt werden Error accessing registry key\n"
    "Der Launcher ist nicht registriert! "
)


def help_text(program_name: str, report: str) -> str:
    lines = [
        "Varnelo DMS Lancher version 1.0.4",
        "",
        "Das Programm dient zum öffnen von lokal synchronisierten Dateien aus Varnelo",
        "",
        "",
        "Aufruf:",
        program_name + " url | -h | -i | -r  | -c baseDir | -d | -u | -l | -x",
        "",
        "Optionen:",
        "   url - url zur Datei  url in der Form zubdms:/pfad relativ zum Nextcoud ZUB Verzeichnis",
        "   -h - zeige Hilfe",
        "   -i - zeige Konfiguration",
        "   -r - registriere zubdms:/",
        "   -l - register Zub_launcher as event source",
        "   -x - unregister Zub_launcher as event source",
        "   -c - setze das Varneloverzeichnis",
        "   -d - erweiterte Debugausgabe",
        "   -u - deregistriere zubdms:/",
        "   ",
        "    Returncodes:",
        "    0 erfolgreich beendet",
        "    1 es fehlen Argumente",
        "    2 Launcher ist nicht registriert ( when called with -i )",
        "    3 Varneloverzeichnis ist nicht gesetzt( when called with -i )",
        "    4 Launcher ist nicht registriert und Varneloverzeichnis ist nicht gesetzt( when called with -i )",
        "    5 Fehler bei dem Versuch eine Datei zu öffnen",
        "    6 Fehler bei dem Versuch den Launcher zu registrieren",
        "    7 Fehler bei dem Versuch das Varneloverzeichnis zu setzen",
        "    8 Fehler bei dem Versuch den Launcher zu deregistrieren",
        "    9 Ungültige Kombination von Argumente",
        "    10 registrierter Launcher stimmt nicht mit Installationsverzeichnis überein;",
        "    11 Installationsverzeichnis nicht gesetzt;",
        "    12 Fehler beim registrieren der event source",
        "    13 Fehler beim entfernen der event source",
        "    14 Fehler im URL Format",
        "    15 Fehler beim URLDECODE",
        "    16 Fehler beim normalisieren des Pfades",
        "    17 Datei liegt nicht im Varnelo Basisverzeichnis",
        "    18 Fehler beim normalisieren des Basisverzeichnis",
        "    " + report,
    ]
    return "\n".join(lines) + "\n"


def url_format_error(link: str) -> bytes:
    return line("\nFehler in der URL : " + link + "\nURL muss mit zubdms:/ starten\n" + " " * 18)


class Sandbox:
    """A throw-away HOME with its own registry files, and no graphical session."""

    def __init__(self):
        self.root = tempfile.mkdtemp(prefix="zub_frontend_")
        self.config_home = os.path.join(self.root, "config")
        self.config_dirs = os.path.join(self.root, "xdg")
        os.makedirs(self.config_home)
        os.makedirs(self.config_dirs)
        self.env = {
            "HOME": self.root,
            "XDG_CONFIG_HOME": self.config_home,
            "XDG_CONFIG_DIRS": self.config_dirs,
            "PATH": os.environ.get("PATH", "/usr/bin:/bin"),
            "LANG": "C.UTF-8",
        }

    def cleanup(self):
        shutil.rmtree(self.root, ignore_errors=True)

    def user_hive(self) -> str:
        return os.path.join(self.config_home, "zub_launcher", "HKEY_CURRENT_USER.reg")

    def machine_hive(self) -> str:
        return os.path.join(self.config_dirs, "zub_launcher", "HKEY_LOCAL_MACHINE.reg")

    def run(self, *args, env=None, **kwargs) -> subprocess.CompletedProcess:
        argv = [LAUNCHER] + [a if isinstance(a, bytes) else str(a) for a in args]
        return subprocess.run(argv, env=env or self.env, stdin=subprocess.DEVNULL,
                              capture_output=True, timeout=60, **kwargs)


class FrontendTestCase(LauncherTestCase):
    sandbox_class = Sandbox


class ScanAndDispatch(FrontendTestCase):
    def test_help_screen_rows(self):
        helped = line(help_text(LAUNCHER, NOTHING_CONFIGURED_REPORT))
        rows = [
            ("no argument", [], 1),
            ("-h", ["-h"], 0),
            ("-h wins over -i and a link", ["-i", "zubdms:/a.txt", "-h"], 0),
            ("-c as last argument", ["-c"], 1),
            ("-c last after a link", ["zubdms:/a.txt", "-c"], 1),
            ("surplus argument after a link", ["zubdms:/a.txt", "zubdms:/b.txt"], 9),
            ("surplus text is not examined", ["zubdms:/a.txt", "kein link"], 9),
        ]
        for name, args, code in rows:
            with self.subTest(name):
                self.assertRun(self.sandbox.run(*args), code, stdout=helped, name=name)

    def test_program_name_with_blanks_is_inserted_unchanged(self):
        folder = os.path.join(self.sandbox.root, "Program Files")
        os.makedirs(folder)
        copy = os.path.join(folder, "zub_launcher")
        shutil.copy(LAUNCHER, copy)
        result = subprocess.run([copy, "-h"], env=self.sandbox.env, capture_output=True,
                                stdin=subprocess.DEVNULL, timeout=60)
        self.assertRun(result, 0, stdout=line(help_text(copy, NOTHING_CONFIGURED_REPORT)))

    def test_debug_alone_shows_nothing(self):
        self.assertRun(self.sandbox.run("-d"), 10)
        self.assertRun(self.sandbox.run("-d", "-d"), 10)

    def test_refused_links(self):
        rows = [
            ("letters", ["hallo"], "hallo"),
            ("two bytes, no option", ["-z"], "-z"),
            ("option in capitals", ["-H"], "-H"),
            ("long form", ["--h"], "--h"),
            ("prefix in capitals", ["ZUBDMS:/a.txt"], "ZUBDMS:/a.txt"),
            ("-h before a bad link", ["-h", "kein link"], "kein link"),
            ("options after a bad link are not looked at", ["x", "-h"], "x"),
            ("empty argument", [""], ""),
            ("bytes that are no UTF-8 shown escaped", [b"zubdmX:/a\x9bb\x85c"], "zubdmX:/a\\x9bb\\x85c"),
        ]
        for name, args, link in rows:
            with self.subTest(name):
                self.assertRun(self.sandbox.run(*args), 14, stderr=url_format_error(link), name=name)

    def test_link_that_is_not_utf8_is_refused(self):
        rows = [
            ("raw byte in the argument", b"zubdms:/a\xff.txt",
             "invalid utf-8 sequence of 1 bytes from index 9"),
            ("escape", "zubdms:/%FF", "invalid utf-8 sequence of 1 bytes from index 8"),
            ("truncated escape sequence", "zubdms:/%C3", "incomplete utf-8 byte sequence from index 8"),
        ]
        for name, link, detail in rows:
            with self.subTest(name):
                self.assertRun(self.sandbox.run("-i", link), 15,
                               stderr=line("Fehler beim URL Decode der Datei " + detail), name=name)

    def test_configuration_report_nothing_configured(self):
        self.assertRun(self.sandbox.run("-i"), 4, stdout=line(NOTHING_CONFIGURED_REPORT))
        self.assertRun(self.sandbox.run("-r", "-i"), 4, stdout=line(NOTHING_CONFIGURED_REPORT))
        self.assertFalse(os.path.exists(os.path.join(self.sandbox.config_dirs, "zub_launcher",
                                                     "HKEY_CLASSES_ROOT.reg")),
                         "-i must not register the scheme")


class AdministrativeActions(FrontendTestCase):
    def test_base_directory(self):
        first = self.sandbox.run("-c", "D:\\Nextcloud\\ZUB")
        self.assertRun(first, 0, stdout=b"Try to create path\n" + line("Varneloverzeichnis gesetzt"))
        self.assertRun(self.sandbox.run("-c", "-h"), 0, stdout=line("Varneloverzeichnis gesetzt"))
        self.assertRun(self.sandbox.run("-c", "a", "-c", "zubdms:/x.txt"), 0,
                       stdout=line("Varneloverzeichnis gesetzt"))
        with open(self.sandbox.user_hive(), encoding="utf-8-sig") as hive:
            content = hive.read()
        self.assertIn('"NextCloudFolder"="zubdms:/x.txt"', content, "the last -c value counts")

    def test_base_directory_value_that_is_not_utf8_is_not_written(self):
        self.assertEqual(self.sandbox.run("-c", "D:\\ok").returncode, 0)
        with open(self.sandbox.user_hive(), "rb") as hive:
            before = hive.read()
        result = self.sandbox.run("-c", b"D:\\\xff")
        self.assertRun(result, 7, stderr=line(
            "Fehler beim setzen des Varneloverzeichnis! Error accessing registry value"))
        with open(self.sandbox.user_hive(), "rb") as hive:
            self.assertEqual(hive.read(), before)

    def test_a_write_the_reader_would_refuse_fails_and_leaves_the_file(self):
        """Long hex lines come back wrapped, deep keys with sections for their parents: a file
        that would then be above the 16 MiB the reader takes is not written. The old one stays
        as it was, readable (the failure is the value's: the key was read)."""
        head = ("Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\SOFTWARE\\varnelo\\"
                'launcher]\n"NextCloudFolder"="/alt"\n"big"=hex:')
        deep = "".join("[HKEY_CURRENT_USER\\c%03d%s]\n" % (i, "\\k" * 499) for i in range(100))
        rows = [("hex line just under 16 MiB", head + "ab," * ((16 * 2**20 - len(head)) // 3)
                 + "ab"), ("keys 500 levels deep without their parents", head + "00\n" + deep),
                ("a write 250 times the old file's size", head + "00\n" + "".join(deep.splitlines(True)[:10]))]
        os.makedirs(os.path.dirname(self.sandbox.user_hive()))
        for name, content in rows:
            with self.subTest(name):
                with open(self.sandbox.user_hive(), "w", encoding="utf-8") as hive:
                    hive.write(content)
                self.assertRun(self.sandbox.run("-c", "/neu"), 7, stderr=line(
                    "Fehler beim setzen des Varneloverzeichnis! Error accessing registry value"))
                with open(self.sandbox.user_hive(), encoding="utf-8") as hive:
                    self.assertTrue(hive.read() == content)

    def test_debug_messages_of_the_base_directory(self):
        result = self.sandbox.run("-c", "D:\\a", "-d")
        self.assertRun(result, 0, stdout=line("Try to open path") + b"Try to create path\n" +
                       line("Try to set value") + line("Varneloverzeichnis gesetzt"))

    def test_scheme_without_installation(self):
        self.assertRun(self.sandbox.run("-r"), 6, stderr=line(
            "Fehler bei der Registrierung des Launcher! Error accessing registry key"))
        self.assertRun(self.sandbox.run("-u"), 8, stderr=line(
            "Fehler bei der Deregistrierung des Launcher! Error accessing registry key"))
        self.assertRun(self.sandbox.run("-u", "-r"), 6, stderr=line(
            "Fehler bei der Registrierung des Launcher! Error accessing registry key"))

    def test_scheme_registered_from_installation_directory(self):
        os.makedirs(os.path.dirname(self.sandbox.machine_hive()))
        with open(self.sandbox.machine_hive(), "w", encoding="utf-8") as hive:
            hive.write("Windows Registry Editor Version 5.00\n\n"
                       "[HKEY_LOCAL_MACHINE\\SOFTWARE\\varnelo\\launcher]\n"
                       '@="C:\\\\Programme\\\\Varnelo"\n')
        self.assertRun(self.sandbox.run("-r"), 0,
                       stdout=line("Launcher wurde erfolgreich registriert!"))
        self.assertEqual(self.sandbox.run("-c", "D:\\ZUB").returncode, 0)
        report = ("Launcher Installationsverzeichnis C:\\Programme\\Varnelo\n"
                  "Varnelo Verzeichnis D:\\ZUB\n"
                  'registered command for zubdms "C:\\Programme\\Varnelo\\varnelo.exe" "%1"')
        self.assertRun(self.sandbox.run("-i"), 0, stdout=line(report))
        self.assertRun(self.sandbox.run("-u"), 0,
                       stdout=line("Launcher wurde erfolgreich deregistriert!"))

    def test_event_source(self):
        self.assertRun(self.sandbox.run("-x"), 13, stderr=line(
            "Fehler bei der entfernen Registrierung der Logging Quelle! "
            "Provided path not found: ZUB Launcher"))
        self.assertRun(self.sandbox.run("-x", "-l"), 0, stdout=line("Logging Quelle wurde registriert"))
        self.assertRun(self.sandbox.run("-x"), 0, stdout=line("Logging Quelle wurde entfernt"))


class ConsoleAndMessageBoxes(FrontendTestCase):
    """With a graphical session and no terminal, messages become zenity dialogs."""

    def install_zenity(self, exit_code: int) -> str:
        bin_dir = os.path.join(self.sandbox.root, "bin")
        os.makedirs(bin_dir, exist_ok=True)
        record = os.path.join(self.sandbox.root, "zenity_calls.jsonl")
        script = os.path.join(bin_dir, "zenity")
        with open(script, "w", encoding="utf-8") as out:
            out.write(textwrap.dedent(f"""\
                #!{sys.executable}
                import json, sys
                with open({record!r}, "a", encoding="utf-8", errors="surrogateescape") as out:
                    out.write(json.dumps(sys.argv[1:]) + "\\n")
                sys.exit({exit_code})
                """))
        os.chmod(script, 0o755)
        return record

    def graphical_env(self, with_zenity_dir: bool) -> dict:
        env = dict(self.sandbox.env)
        env["DISPLAY"] = ":97"
        if with_zenity_dir:
            env["PATH"] = os.path.join(self.sandbox.root, "bin") + ":" + env["PATH"]
        else:
            env["PATH"] = os.path.join(self.sandbox.root, "empty")
        return env

    def calls(self, record: str) -> list:
        if not os.path.exists(record):
            return []
        with open(record, encoding="utf-8") as calls:
            return [json.loads(entry) for entry in calls]

    def test_each_kind_of_message_is_one_dialog(self):
        record = self.install_zenity(0)
        env = self.graphical_env(True)
        self.assertRun(self.sandbox.run("-x", "-d", env=env), 13)
        self.assertRun(self.sandbox.run("-d", "-c", "-h", env=env), 0,
                       stdout=b"Try to create path\n")
        self.assertEqual(self.calls(record), [
            ["--error", "--no-markup", "--title=ZUB Launcher",
             "--text=Fehler bei der entfernen Registrierung der Logging Quelle! "
             "Provided path not found: ZUB Launcher"],
            ["--info", "--icon-name=", "--no-markup", "--title=ZUB Launcher",
             "--text=Try to open path"],
            ["--info", "--icon-name=", "--no-markup", "--title=ZUB Launcher",
             "--text=Try to set value"],
            ["--info", "--no-markup", "--title=ZUB Launcher", "--text=Varneloverzeichnis gesetzt"],
        ])

    def test_help_is_one_dialog_with_the_whole_text(self):
        record = self.install_zenity(0)
        self.assertRun(self.sandbox.run("-h", env=self.graphical_env(True)), 0)
        text = help_text(LAUNCHER, NOTHING_CONFIGURED_REPORT)
        self.assertEqual(self.calls(record),
                         [["--info", "--no-markup", "--title=ZUB Launcher", "--text=" + text]])

    def test_text_is_an_argument_never_a_command(self):
        record = self.install_zenity(0)
        link = "$(touch pwned); `touch pwned` --help"
        self.assertRun(self.sandbox.run(link, env=self.graphical_env(True)), 14)
        calls = self.calls(record)
        self.assertEqual(len(calls), 1)
        self.assertEqual(calls[0][-1], "--text=" + url_format_error(link).decode()[:-len(" true\n")])
        self.assertFalse(os.path.exists(os.path.join(self.sandbox.root, "pwned")))

    def test_message_goes_to_stderr_when_no_dialog_can_be_shown(self):
        rows = [("zenity missing", None), ("zenity fails", 255), ("display cannot be opened", 1)]
        for name, exit_code in rows:
            with self.subTest(name):
                if exit_code is not None:
                    self.install_zenity(exit_code)
                env = self.graphical_env(exit_code is not None)
                self.assertRun(self.sandbox.run("-x", env=env), 13, stderr=line(
                    "Fehler bei der entfernen Registrierung der Logging Quelle! "
                    "Provided path not found: ZUB Launcher"), name=name)
                self.assertRun(self.sandbox.run("-l", env=env), 0,
                               stderr=line("Logging Quelle wurde registriert"), name=name)
                self.assertEqual(self.sandbox.run("-x", env=env).returncode, 0)

    def test_closed_stdout_does_not_change_the_exit_code(self):
        read_end, write_end = os.pipe()
        os.close(read_end)
        try:
            result = subprocess.run([LAUNCHER, "-h"], env=self.sandbox.env, stdout=write_end,
                                    stderr=subprocess.PIPE, stdin=subprocess.DEVNULL, timeout=60)
        finally:
            os.close(write_end)
        self.assertEqual(result.returncode, 0)


if __name__ == "__main__":
    unittest.main()
