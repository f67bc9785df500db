"""Black-box tests of "-i", "-r", "-u", "-l" and "-x" against prepared hive files: the report
lines, every row of the registration check, odd registry data, and what the actions write."""

import os
import unittest

from sandbox import line, reg_string as reg
from test_frontend import FrontendTestCase

INSTALL_KEY = "[HKEY_LOCAL_MACHINE\\SOFTWARE\\varnelo\\launcher]"
USER_KEY = "[HKEY_CURRENT_USER\\SOFTWARE\\varnelo\\launcher]"
COMMAND_KEY = "[HKEY_CLASSES_ROOT\\zubdms\\shell\\open\\command]"
INSTALL_DIR = 'C:\\Programme\\Varnelo'
COMMAND = '"C:\\Programme\\Varnelo\\varnelo.exe" "%1"'
HEADER = "Windows Registry Editor Version 5.00\n\n"


class ConfigurationTestCase(FrontendTestCase):
    def hive_path(self, root: str) -> str:
        folder = self.sandbox.config_home if root == "HKEY_CURRENT_USER" else self.sandbox.config_dirs
        return os.path.join(folder, "zub_launcher", root + ".reg")

    def write_hive(self, root: str, body: str):
        path = self.hive_path(root)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "w", encoding="utf-8") as f:
            f.write(HEADER + body)

    def read_hive(self, root: str) -> str:
        with open(self.hive_path(root), encoding="utf-8-sig") as f:
            return f.read()

    def prepare(self, install=None, base=None, command=None):
        """Writes the three values; None leaves a value out, a tuple is a raw value line."""
        machine = ""
        if install is not None:
            machine += INSTALL_KEY + "\n" + (install[0] if isinstance(install, tuple)
                                             else "@=" + reg(install)) + "\n"
        self.write_hive("HKEY_LOCAL_MACHINE", machine)
        if base is not None:
            self.write_hive("HKEY_CURRENT_USER", USER_KEY + "\n" + (
                base[0] if isinstance(base, tuple) else '"NextCloudFolder"=' + reg(base)) + "\n")
        if command is not None:
            self.write_hive("HKEY_CLASSES_ROOT", COMMAND_KEY + "\n" + (
                command[0] if isinstance(command, tuple) else "@=" + reg(command)) + "\n")


def hex_sz(name: str, text: str) -> tuple:  # a REG_SZ value line as hex, for a line break
    return (name + "=hex(1):" + (text + "\0").encode("utf-16-le").hex(","),)


class RegistrationCheck(ConfigurationTestCase):
    def test_every_row_of_the_check(self):
        other_product = '"C:\\Other\\viewer.exe" "%1"'
        rows = [
            # name, install dir, base dir, command, exit code
            ("all in order", INSTALL_DIR, "D:\\ZUB", COMMAND, 0),
            ("command of another product", INSTALL_DIR, "D:\\ZUB", other_product, 10),
            ("base missing, command matches", INSTALL_DIR, None, COMMAND, 3),
            ("base missing, command of another product", INSTALL_DIR, None, other_product, 10),
            ("not registered", INSTALL_DIR, "D:\\ZUB", None, 2),
            ("not registered, base missing", INSTALL_DIR, None, None, 4),
            ("no installation", None, "D:\\ZUB", COMMAND, 11),
            ("no installation, base missing", None, None, COMMAND, 3),
            ("no installation, not registered", None, "D:\\ZUB", None, 11),
            ("nothing", None, None, None, 4),
            ("other letter case in the command", INSTALL_DIR, "D:\\ZUB",
             COMMAND.replace("Programme", "programme"), 10),
            ("empty installation directory", "", "D:\\ZUB", other_product, 0),
            ("empty base directory counts as set", INSTALL_DIR, "", COMMAND, 0),
            ("base as REG_EXPAND_SZ", INSTALL_DIR,
             ('"NextCloudFolder"=hex(2):44,00,3a,00,00,00',), COMMAND, 3),
            ("install dir as DWORD", ("@=dword:00000001",), "D:\\ZUB", COMMAND, 11),
            ("command without terminator", INSTALL_DIR, "D:\\ZUB", ("@=hex(1):41,00",), 2),
            ("command of zero bytes", INSTALL_DIR, "D:\\ZUB", ("@=hex(1):",), 2),
            # Each value stays on its line, whatever line breaks it holds.
            ("line breaks in every value", hex_sz("@", "C:\\V\r\nX"),
             hex_sz('"NextCloudFolder"', "D:\\ZUB\nY"), hex_sz("@", '"C:\\V\r\nX\\v.exe"\n'), 0),
        ]
        for name, install, base, command, code in rows:
            with self.subTest(name):
                self.setUp()
                self.prepare(install, base, command)
                result = self.sandbox.run("-i")
                self.assertEqual((result.returncode, result.stderr), (code, b""), name)
                self.assertEqual(result.stdout.decode().count("\n"), 3, name)

    def test_report_lines(self):
        self.prepare(("",), ('"NextCloudFolder"=hex(2):44,00,3a,00,00,00',), COMMAND)
        self.assertRun(self.sandbox.run("-i"), 3, stdout=line(
            "Fehler Installationsverzeichnis kann nicht ermittelt werden "
            "Error accessing registry value\n"
            "Fehler Varnelo Verzeichnis kann nicht ermittelt werden Error accessing registry value\n"
            "registered command for zubdms " + COMMAND))

    def test_text_after_an_embedded_nul_is_ignored(self):
        # "C:\x" NUL "y" NUL as REG_SZ data.
        self.prepare(("@=hex(1):43,00,3a,00,5c,00,78,00,00,00,79,00,00,00",), "D:\\ZUB", None)
        result = self.sandbox.run("-i")
        self.assertEqual(result.returncode, 2)
        self.assertTrue(result.stdout.startswith(b"Launcher Installationsverzeichnis C:\\x\n"))


class SchemeRegistration(ConfigurationTestCase):
    def test_register_without_installation_writes_nothing(self):
        for install in (None, ("",)):  # key missing (Key), default value missing (Value)
            with self.subTest(install=install):
                self.setUp()
                self.prepare(install)
                result = self.sandbox.run("-r")
                self.assertEqual(result.returncode, 6)
                self.assertFalse(os.path.exists(self.hive_path("HKEY_CLASSES_ROOT")))

    def test_register_follows_the_installation_directory(self):
        for install_dir, command in [
            ("C:\\Program Files\\Varnelo\\", '"C:\\Program Files\\Varnelo\\\\varnelo.exe" "%1"'),
            ("", '"\\varnelo.exe" "%1"'),
        ]:
            with self.subTest(install_dir):
                self.setUp()
                self.prepare(install_dir)
                self.assertRun(self.sandbox.run("-r", "-d"), 0, stdout=line("Try to open path") * 2 +
                               line("Launcher wurde erfolgreich registriert!"))
                # The key exists now: "Try to open path" once.
                self.assertRun(self.sandbox.run("-r", "-d"), 0, stdout=line("Try to open path") +
                               line("Launcher wurde erfolgreich registriert!"))
                hive = self.read_hive("HKEY_CLASSES_ROOT")
                self.assertIn(COMMAND_KEY + "\n@=" + reg(command) + "\n", hive)
                self.assertEqual(hive.count("="), 1, "nothing else is written")

    def test_unregister_deletes_the_command_key_with_all_it_holds(self):
        self.prepare(INSTALL_DIR, "D:\\ZUB",
                     ("@=" + reg(COMMAND) + '\n"Extra"="x"\n\n' + COMMAND_KEY[:-1] + "\\sub]",))
        self.assertRun(self.sandbox.run("-u"), 0,
                       stdout=line("Launcher wurde erfolgreich deregistriert!"))
        hive = self.read_hive("HKEY_CLASSES_ROOT")
        self.assertNotIn("command", hive)
        self.assertIn("[HKEY_CLASSES_ROOT\\zubdms\\shell\\open]", hive)
        self.assertEqual(self.sandbox.run("-i").returncode, 2)
        self.assertEqual(self.sandbox.run("-u").returncode, 8)


class EventSourceRegistration(ConfigurationTestCase):
    SOURCE_KEY = ("[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application"
                  "\\ZUB Launcher]")

    def test_register_writes_the_executable_path_and_remove_deletes_the_key(self):
        self.assertEqual(self.sandbox.run("-l").returncode, 0)
        self.assertEqual(self.sandbox.run("-l").returncode, 0)
        hive = self.read_hive("HKEY_LOCAL_MACHINE")
        exe = os.path.realpath(os.environ["ZUB_LAUNCHER"])
        self.assertIn(self.SOURCE_KEY + '\n"EventMessageFile"=' + reg(exe) + "\n", hive)
        self.assertEqual(self.sandbox.run("-x").returncode, 0)
        self.assertNotIn("ZUB Launcher", self.read_hive("HKEY_LOCAL_MACHINE"))

    def test_broken_hive_is_reported_and_left_as_it_was(self):
        broken = "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\x\n"
        path = self.hive_path("HKEY_LOCAL_MACHINE")
        os.makedirs(os.path.dirname(path))
        with open(path, "w", encoding="utf-8") as f:
            f.write(broken)
        self.assertRun(self.sandbox.run("-l"), 12, stderr=line(
            "Fehler bei der Registrierung der Logging Quelle! Failed to modify registry key"))
        with open(path, encoding="utf-8") as f:
            self.assertEqual(f.read(), broken)


if __name__ == "__main__":
    unittest.main()
