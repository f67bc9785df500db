"""The event log of the Windows build under Wine: "-l" and "-x" register and remove the event
source, and every error message becomes exactly one Error event with the message's text, while
successful runs write none. Wine prints each ReportEventW call on its standard error; its
RegisterEventSourceW and ReportEventW are stubs that write no log, so the registration is
checked in the registry alone."""

import unittest

from wine_prefix import (LAUNCHER, MACHINE_KEY, MB_INFORMATION, SOURCE_KEY, USER_KEY,
                         WineTestCase, removal, requires_wine, section, windows_path)

APPLICATION_KEY = r"HKLM\SYSTEM\CurrentControlSet\Services\EventLog\Application"
SCHEME_KEY = r"HKCR\zubdms"
NOT_REGISTERED = ("Fehler bei der entfernen Registrierung der Logging Quelle! "
                  "Provided path not found: ZUB Launcher")


@requires_wine
class EventLogTest(WineTestCase):
    GROUP = "eventlog"

    def setUp(self):
        self.wine.reg_import(removal(SOURCE_KEY))

    def assertRegistered(self, exe_windows_path: str):
        self.assertEqual(self.wine.reg_values(SOURCE_KEY),
                         {"EventMessageFile": ("REG_SZ", exe_windows_path)})

    def test_l_registers_the_running_executable(self):
        for attempt in (1, 2):
            run = self.wine.launch("-l")
            self.assertEqual(run.code, 0, attempt)
            self.assertBoxes(run, [("Logging Quelle wurde registriert", MB_INFORMATION)])
            self.assertErrors(run, [])
            self.assertRegistered(windows_path(LAUNCHER))

        # Another copy takes the registration over, whatever its path holds or how long it is.
        for copy in (r"C:\Programme\Värnelo 😀\varnelo.exe",
                     "C:\\" + "\\".join(["p" * 60] * 5) + "\\varnelo.exe"):
            self.wine.install(LAUNCHER, copy)
            self.assertEqual(self.wine.launch("-l", exe=self.wine.unix_path(copy)).code, 0)
            self.assertRegistered(copy)

    def test_x_removes_the_whole_source_key(self):
        self.assertEqual(self.wine.launch("-l").code, 0)
        self.wine.reg_import(section(SOURCE_KEY, {"CategoryCount": "1"}),
                             section(SOURCE_KEY + r"\Fremd", {"x": "y"}))
        run = self.wine.launch("-x")
        self.assertEqual(run.code, 0)
        self.assertBoxes(run, [("Logging Quelle wurde entfernt", MB_INFORMATION)])
        self.assertErrors(run, [])
        self.assertIsNone(self.wine.reg_values(SOURCE_KEY))
        self.assertIsNotNone(self.wine.reg_values(APPLICATION_KEY))

        self.assertFailure(self.wine.launch("-x"), 13, [NOT_REGISTERED])

    def test_without_the_application_log_key(self):
        self.wine.reg_import(removal(APPLICATION_KEY))
        self.addCleanup(self.wine.reg_import, section(APPLICATION_KEY, {}))
        self.assertFailure(self.wine.launch("-l"), 12, [
            "Fehler bei der Registrierung der Logging Quelle! Failed to modify registry key"])
        self.assertIsNone(self.wine.reg_values(SOURCE_KEY))
        self.assertFailure(self.wine.launch("-x"), 13, [
            "Fehler bei der entfernen Registrierung der Logging Quelle! Provided path not found: "
            "SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application"])

    def test_every_error_message_is_one_error_event(self):
        """Each error message of a run is one Error event (identifier 0xC0000001) with the
        message's text; runs without an error message write none. (The open action's messages
        are checked the same way in test_open.)"""
        nothing = [removal(USER_KEY), removal(MACHINE_KEY), removal(SCHEME_KEY),
                   removal(SOURCE_KEY)]
        base = nothing + [section(USER_KEY, {"NextCloudFolder": r"C:\Docs"})]
        # The machine key with one of its two values.
        no_install_dir = nothing + [section(MACHINE_KEY, {"NextCloudFolder": r"C:\Docs"})]
        no_base_dir = nothing + [section(MACHINE_KEY, {"": r"C:\Programme\Varnelo"})]
        long_link = "Zubdms:/" + "x" * 400
        rows = [
            # arguments, registry, code, error messages
            (["-x"], nothing, 13, [NOT_REGISTERED]),
            (["-r"], nothing, 6,
             ["Fehler bei der Registrierung des Launcher! Error accessing registry key"]),
            (["-r"], no_install_dir, 6,
             ["Fehler bei der Registrierung des Launcher! Error accessing registry value"]),
            (["-u"], nothing, 8,
             ["Fehler bei der Deregistrierung des Launcher! Error accessing registry key"]),
            (["zubdms:/a.txt"], nothing, 5,
             ["Error try to get base dir!",
              "Error access the registry key : Error accessing registry key"]),
            (["-d", "zubdms:/a.txt"], no_base_dir, 5,
             ["Error try to get base dir!",
              "Error access the registry value : Error accessing registry value"]),
            (["-h", "Zubdms:/a.txt"], base, 14,
             ["\nFehler in der URL : Zubdms:/a.txt\nURL muss mit zubdms:/ starten\n" + " " * 18]),
            ([long_link], base, 14,  # longer than Wine's report of it
             ["\nFehler in der URL : " + long_link + "\nURL muss mit zubdms:/ starten\n" +
              " " * 18]),
            (["zubdms:/%FF"], base, 15,
             ["Fehler beim URL Decode der Datei invalid utf-8 sequence of 1 bytes from index 8"]),
            (["zubdms:/%C3"], base, 15,
             ["Fehler beim URL Decode der Datei incomplete utf-8 byte sequence from index 8"]),
            # Successful runs and runs without an error message.
            (["-c", r"C:\Docs"], nothing, 0, []),
            (["-l"], nothing, 0, []),
            (["-x"], nothing + [section(SOURCE_KEY, {})], 0, []),
            (["-i"], nothing, 4, []),
            (["-h"], nothing, 0, []),
            ([], nothing, 1, []),
            (["-d"], nothing, 10, []),
            (["zubdms:/a", "zubdms:/b"], base, 9, []),
        ]
        for args, registry, code, messages in rows:
            name = " ".join(args)[:60]
            self.wine.reg_import(*registry)
            run = self.wine.launch(*args)
            self.assertEqual(run.code, code, name)
            self.assertErrors(run, messages, name)
            # Without a console each error message is also one error box.
            self.assertEqual([box.style for box in run.boxes if box.style == 0x1010],
                             [0x1010] * len(messages), name)


if __name__ == "__main__":
    unittest.main()
