"""The configuration actions of the Windows build under Wine: "-c" stores the base directory,
"-r" and "-u" write and remove the open command of the scheme, "-i" reports and checks it all.
What they did is read back with Wine's reg.exe."""

import unittest

from wine_prefix import (COMMAND_KEY, LAUNCHER, MACHINE_KEY, MB_INFORMATION, USER_KEY,
                         WineTestCase, removal, requires_wine, section)

INSTALL_DIR = r"C:\Programme\Varnelo"
COMMAND = '"C:\\Programme\\Varnelo\\varnelo.exe" "%1"'
SCHEME_KEY = r"HKCR\zubdms"


@requires_wine
class ConfigurationTest(WineTestCase):
    GROUP = "configuration"

    def setUp(self):
        self.configure()

    def configure(self, install_dir=None, base_dir=None, command=None):
        """Only the given values exist, with the keys that hold them."""
        sections = [removal(USER_KEY), removal(MACHINE_KEY), removal(SCHEME_KEY)]
        if install_dir is not None:
            sections.append(section(MACHINE_KEY, {"": install_dir}))
        if base_dir is not None:
            sections.append(section(USER_KEY, {"NextCloudFolder": base_dir}))
        if command is not None:
            sections.append(section(COMMAND_KEY, {"": command}))
        self.wine.reg_import(*sections)

    def report(self, code_expected: int) -> list:
        """The three lines of "-i", which it shows in one box."""
        run = self.wine.launch("-i")
        self.assertEqual(run.code, code_expected)
        self.assertEqual(len(run.boxes), 1)
        self.assertEqual(run.boxes[0].style, MB_INFORMATION)
        self.assertErrors(run, [])
        return run.boxes[0].text.split("\n")

    def test_c_stores_the_folder_exactly_as_given(self):
        # Also proves that the command line is split as Windows programs split it.
        rows = ["C:\\Program Files\\", "C:\\Dokumente\\Übersicht 😀", 'a"b', 'a\\"b', "trail\\\\",
                " lead", "tab\there", "", "-h", "\\\\server\\share", "%USERPROFILE%"]
        for i, folder in enumerate(rows):
            run = self.wine.launch("-c", folder)
            self.assertEqual(run.code, 0, folder)
            self.assertEqual(self.wine.reg_values(USER_KEY),
                             {"NextCloudFolder": ("REG_SZ", folder)}, folder)
            # Only the first run had to create the key. Wine hands the Unix standard output to
            # the GUI process; on Windows this line is lost without a console.
            self.assertEqual(run.stdout, b"Try to create path\n" if i == 0 else b"", folder)
            self.assertBoxes(run, [("Varneloverzeichnis gesetzt", MB_INFORMATION)], folder)
            self.assertErrors(run, [], folder)
        self.assertIsNone(self.wine.reg_values(MACHINE_KEY))

    def test_the_user_value_wins_over_the_machine_value(self):
        self.wine.reg_add(MACHINE_KEY, "NextCloudFolder", r"C:\Maschine")
        self.assertEqual(self.report(11)[1], r"Varnelo Verzeichnis C:\Maschine")
        self.assertEqual(self.wine.launch("-c", r"C:\Benutzer").code, 0)
        self.assertEqual(self.report(11)[1], r"Varnelo Verzeichnis C:\Benutzer")
        self.assertEqual(self.wine.reg_value(MACHINE_KEY, "NextCloudFolder"),
                         ("REG_SZ", r"C:\Maschine"))
        # A user value of another type counts as missing; "-c" replaces it with REG_SZ.
        self.wine.reg_add(USER_KEY, "NextCloudFolder", r"%TEMP%\x", "REG_EXPAND_SZ")
        self.assertEqual(self.report(11)[1], r"Varnelo Verzeichnis C:\Maschine")
        self.assertEqual(self.wine.launch("-c", r"C:\Benutzer").code, 0)
        self.assertEqual(self.wine.reg_value(USER_KEY, "NextCloudFolder"),
                         ("REG_SZ", r"C:\Benutzer"))

    def test_r_writes_the_command_from_the_installation_directory(self):
        # Without the installation directory nothing is written.
        for prepare, error in [(None, "Error accessing registry key"),
                               ("NextCloudFolder", "Error accessing registry value")]:
            if prepare:
                self.wine.reg_add(MACHINE_KEY, prepare, "C:\\Docs")
            run = self.wine.launch("-r")
            self.assertEqual(run.code, 6, error)
            self.assertErrors(run, ["Fehler bei der Registrierung des Launcher! " + error])
            self.assertIsNone(self.wine.reg_values(SCHEME_KEY), error)

        self.wine.reg_add(MACHINE_KEY, None, INSTALL_DIR)
        for attempt in (1, 2):
            run = self.wine.launch("-r")
            self.assertEqual(run.code, 0, attempt)
            self.assertBoxes(run, [("Launcher wurde erfolgreich registriert!", MB_INFORMATION)])
            self.assertEqual(self.wine.reg_values(COMMAND_KEY), {"": ("REG_SZ", COMMAND)})
        # Nothing else: no marker or description on the scheme's keys.
        for key in (SCHEME_KEY, SCHEME_KEY + r"\shell", SCHEME_KEY + r"\shell\open"):
            self.assertEqual(self.wine.reg_values(key), {}, key)

        # The command follows the directory, unchanged (blanks, trailing backslash).
        self.wine.reg_add(MACHINE_KEY, None, "C:\\Program Files\\Värnelo\\")
        self.assertEqual(self.wine.launch("-r").code, 0)
        self.assertEqual(self.wine.reg_value(COMMAND_KEY),
                         ("REG_SZ", '"C:\\Program Files\\Värnelo\\\\varnelo.exe" "%1"'))

    def test_u_removes_the_command(self):
        self.configure(INSTALL_DIR, r"C:\Docs")
        self.assertEqual(self.wine.launch("-r").code, 0)
        self.wine.reg_add(COMMAND_KEY + r"\deeper", "x", "y")

        run = self.wine.launch("-u")
        self.assertEqual(run.code, 0)
        self.assertBoxes(run, [("Launcher wurde erfolgreich deregistriert!", MB_INFORMATION)])
        self.assertIsNone(self.wine.reg_values(COMMAND_KEY + r"\deeper"))
        self.assertIsNone(self.wine.reg_value(COMMAND_KEY))
        self.assertEqual(self.wine.reg_values(SCHEME_KEY + r"\shell\open"), {})
        self.assertEqual(self.report(2)[2], "Der Launcher ist nicht registriert! ")

        # Wine 8's RegDeleteTreeW(key, L"") empties the key but keeps it, where Windows deletes
        # it: a second "-u" then still opens it and succeeds under Wine, and ends with 8 on
        # Windows.
        left_behind = self.wine.reg_values(COMMAND_KEY) is not None
        self.assertEqual(self.wine.launch("-u").code, 0 if left_behind else 8)
        self.wine.reg_delete(COMMAND_KEY)
        run = self.wine.launch("-u")
        self.assertEqual(run.code, 8)
        self.assertErrors(run, ["Fehler bei der Deregistrierung des Launcher! "
                                "Error accessing registry key"])

        # A later "-r" creates the key again.
        self.assertEqual(self.wine.launch("-r").code, 0)
        self.assertEqual(self.report(0)[2], "registered command for zubdms " + COMMAND)

    def test_i_condenses_the_three_values_into_its_code(self):
        other = '"C:\\Anderes\\tool.exe" "%1"'
        lower = '"c:\\programme\\varnelo\\varnelo.exe" "%1"'
        # installation directory, base directory, registered command -> code
        rows = [
            (None, None, None, 4),
            (INSTALL_DIR, r"C:\Docs", COMMAND, 0),
            (INSTALL_DIR, r"C:\Docs", other, 10),
            (INSTALL_DIR, r"C:\Docs", lower, 10),
            (INSTALL_DIR, None, COMMAND, 3),
            (INSTALL_DIR, None, other, 10),
            (INSTALL_DIR, r"C:\Docs", None, 2),
            (INSTALL_DIR, None, None, 4),
            (None, r"C:\Docs", COMMAND, 11),
            (None, None, COMMAND, 3),
            (None, r"C:\Docs", None, 11),
            ("", "", other, 0),  # present but empty counts as set, and is in every command
        ]
        for install_dir, base_dir, command, code in rows:
            name = "%r %r %r" % (install_dir, base_dir, command)
            self.configure(install_dir, base_dir, command)
            lines = self.report(code)
            expected = [
                "Fehler Installationsverzeichnis kann nicht ermittelt werden Error accessing "
                "registry key" if install_dir is None
                else "Launcher Installationsverzeichnis " + install_dir,
                # The machine key, when it holds the installation directory, lacks the value.
                "Fehler Varnelo Verzeichnis kann nicht ermittelt werden Error accessing registry "
                + ("key" if install_dir is None else "value") if base_dir is None
                else "Varnelo Verzeichnis " + base_dir,
                "Der Launcher ist nicht registriert! " if command is None
                else "registered command for zubdms " + command,
            ]
            self.assertEqual(lines, expected, name)

    def test_the_registered_command_starts_the_launcher(self):
        # The whole road of a link: the shell finds the command that "-r" wrote and starts
        # varnelo.exe, the launcher as the installation places it, which opens the document.
        self.wine.install_recorder()
        self.wine.write(r"C:\Docs\A B\Plan ä.zubt")
        self.wine.install(LAUNCHER, INSTALL_DIR + r"\varnelo.exe")
        self.configure(INSTALL_DIR, r"C:\Docs")
        self.assertEqual(self.wine.launch("-r").code, 0)
        started = self.wine.wine("start", "/wait", "zubdms:/A%20B/Plan%20%C3%A4.zubt")
        self.assertEqual(started.code, 0)
        self.assertEqual(self.wine.recorded(expect=1), ["C:\\Docs\\A B\\Plan ä.zubt"])
        # The launcher's own exit code comes back through the shell.
        self.assertEqual(self.wine.wine("start", "/wait", "zubdms:/../none.zubt").code, 5)


if __name__ == "__main__":
    unittest.main()
