"""The open action of the Windows build under Wine: a document under the base folder reaches the
application of its type (a recorder registered under HKEY_CLASSES_ROOT), and nothing outside the
base folder, nor anything the shell would run, is ever handed to the shell.

The error numbers in the messages are Wine's (wording and number), and Wine has no alternate data
streams; the comments at the rows say what Windows does differently. On both, nothing outside the
base folder is handed on."""

import os
import re
import unittest
import urllib.parse

from wine_prefix import (ANSI_RECORDER_EXE, MB_DEBUG, RECORDER, RECORDER_EXE, USER_KEY,
                         WineTestCase, requires_wine, section, windows_path)

BASE = r"C:\Docs"
# Wine's texts of the system errors the open action meets.
OS_ERRORS = {2: "File not found.", 3: "Path not found.", 6: "Invalid handle.",
             123: "Invalid name.", 234: "More data available.",
             1921: "The filename cannot be resolved."}


# With C:\Docs\ in front, a path of 255 units: the longest that Wine 8's ShellExecuteW opens
# (from 256 units on it fails, plain or verbatim; Windows takes up to MAX_PATH). Its verbatim
# form, 259 units, is beyond that: only the plain form reaches the application.
LONGEST_PLAIN_NAME = "x" * 242 + ".zubt"


def relative_path(link: str) -> str:
    """What the link check makes of a link (for the rows here, which decode to valid text)."""
    return urllib.parse.unquote(link).replace("zubdms:", "").replace("/", "\\")


def outside(link: str, canonical: str, base: str = BASE) -> str:
    return ("Fehler:\nDie zu öffnende Datei " + base + relative_path(link) + " canonicalized to " +
            canonical + "\nliegt nicht unter dem varnelo Basisverzeichnis " + base + "\n")


def not_found(link: str, error: int, base: str = BASE) -> str:
    return ("\nFehler beim öffnen : %s (os error %d)\nURL: %s\nFile: %s\n"
            % (OS_ERRORS[error], error, link, base + relative_path(link)))


def not_opened(link: str, canonical: str) -> str:
    return ("\nFehler beim normalisieren des Pfades : IO error\nURL: " + link + "\nFile: " +
            canonical + "\n")


def verbatim(path: str) -> str:
    return "\\\\?\\" + path


@requires_wine
class OpenTest(WineTestCase):
    GROUP = "open"

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        wine = cls.wine
        wine.install_recorder()
        # Folders go to the recorder too; without the DDE part of Wine's default, which the
        # recorder would not answer.
        wine.reg_delete(r"HKCR\Folder\shell\open\ddeexec")
        wine.reg_add(r"HKCR\Folder\shell\open\command", None, '"%s" "%%1"' % RECORDER_EXE)
        wine.reg_add(r"HKCR\.pdf", None, "zubtestfile")  # the recorder stands in for a PDF viewer
        # A type whose application registered only a verb of its own, and made it the default.
        wine.reg_add(r"HKCR\.zubedit", None, "zubeditfile")
        wine.reg_add(r"HKCR\zubeditfile\shell", None, "bearbeiten")
        wine.reg_add(r"HKCR\zubeditfile\shell\bearbeiten\command", None,
                     '"%s" "%%1"' % RECORDER_EXE)
        wine.install_ansi_recorder()
        wine.write(r"C:\Docs\Plan.pdf", b"%PDF-1.4\n")
        for document in (r"C:\Docs\a.zubt", r"C:\Docs\Projekte\A B\Plan ä.zubt",
                         r"C:\Docs\Archiv\2023.zubt", r"C:\secret.zubt",
                         r"C:\Docs.zubt", r"C:\Elsewhere\b.zubt",
                         r"C:\Outside Folder Long\secret.zubt",
                         r"C:\Docs\server\share\x.zubt", "C:\\Docs\\" + LONGEST_PLAIN_NAME,
                         r"C:\Docs\www.kunde.com\index.zubt", r"C:\ZUB.com\x.zubt",
                         "C:\\Docs\\U\u0308bersicht.zubt", r"C:\Docs\Notiz.zubedit"):
            wine.write(document)

    def setUp(self):
        self.wine.reg_import(section(USER_KEY, {"NextCloudFolder": BASE}))
        log = self.wine.unix_path(RECORDER_EXE + ".log")
        if os.path.exists(log):
            os.remove(log)

    def set_base(self, base: str):
        self.wine.reg_import(section(USER_KEY, {"NextCloudFolder": base}))

    def assertOpens(self, link: str, document: str):
        run = self.wine.launch(link)
        self.assertEqual(run.code, 0, "%s: %r" % (link, run.events))
        self.assertErrors(run, [], link)
        self.assertBoxes(run, [], link)
        self.assertEqual(self.wine.recorded(expect=1), [document], link)
        os.remove(self.wine.unix_path(RECORDER_EXE + ".log"))

    def assertNothingOpenedBesidesAControl(self):
        """Opens a harmless document last; once it has arrived, whatever an earlier run had
        handed to the shell would have arrived too."""
        run = self.wine.launch("zubdms:/a.zubt")
        self.assertEqual(run.code, 0)
        self.assertEqual(self.wine.recorded(expect=1), [r"C:\Docs\a.zubt"])

    def test_documents_and_folders_under_the_base_are_opened(self):
        rows = [
            ("zubdms:/a.zubt", r"C:\Docs\a.zubt"),
            ("zubdms:/Projekte/A%20B/Plan%20%C3%A4.zubt", r"C:\Docs\Projekte\A B\Plan ä.zubt"),
            ("zubdms:/projekte/a%20b/PLAN%20%C3%84.ZUBT", r"C:\Docs\Projekte\A B\Plan ä.zubt"),
            ("zubdms:/Archiv/../a.zubt", r"C:\Docs\a.zubt"),
            # A UNC-looking link is a path under the base like any other.
            ("zubdms://server/share/x.zubt", r"C:\Docs\server\share\x.zubt"),
            # Trailing dots and blanks of the last name are dropped by Windows and Wine alike.
            ("zubdms:/a.zubt.", r"C:\Docs\a.zubt"),
            ("zubdms:/a.zubt%20", r"C:\Docs\a.zubt"),
            ("zubdms:/Plan.pdf", r"C:\Docs\Plan.pdf"),
            # No "open": the type's default verb. (Where a type does not name its default,
            # Windows takes its first verb; Wine 8 finds none, 16.)
            ("zubdms:/Notiz.zubedit", r"C:\Docs\Notiz.zubedit"),
            # Stored decomposed (as a Mac writes it), linked composed: found by NormalizeString.
            ("zubdms:/%C3%9Cbersicht.zubt", "C:\\Docs\\U\u0308bersicht.zubt"),
            # The application gets the plain path, which is shorter than the verbatim one.
            ("zubdms:/" + LONGEST_PLAIN_NAME, "C:\\Docs\\" + LONGEST_PLAIN_NAME),
            ("zubdms:/Projekte", r"C:\Docs\Projekte"),
            # A folder opens whatever its name; AssocIsDangerous(".com") would refuse a file.
            ("zubdms:/www.kunde.com", r"C:\Docs\www.kunde.com"),
            ("zubdms:/", r"C:\Docs"),
            ("zubdms:", r"C:\Docs"),
        ]
        for link, document in rows:
            self.assertOpens(link, document)

        # The base as written in the registry matters not: trailing separator, letter case,
        # the drive's root.
        for base, link in [("C:\\Docs\\", "zubdms:/a.zubt"), (r"c:\DOCS", "zubdms:/a.zubt"),
                           ("C:\\", "zubdms:/Docs/a.zubt")]:
            self.set_base(base)
            self.assertOpens(link, r"C:\Docs\a.zubt")
        self.set_base(r"C:\ZUB.com")
        self.assertOpens("zubdms:/", r"C:\ZUB.com")

    def test_the_debug_report_is_a_box(self):
        run = self.wine.launch("-d", "zubdms:/a.zubt")
        self.assertEqual(run.code, 0)
        self.assertBoxes(run, [('Basedir "C:\\\\Docs"\nFile \\\\?\\C:\\Docs\\a.zubt\n'
                                "document opened!", MB_DEBUG)])
        self.assertEqual(self.wine.recorded(expect=1), [r"C:\Docs\a.zubt"])

    def test_links_that_leave_the_base_give_17(self):
        docs = self.wine.unix_path(BASE)
        os.symlink(self.wine.unix_path(r"C:\secret.zubt"), os.path.join(docs, "escape.zubt"))
        os.symlink(self.wine.unix_path(r"C:\Elsewhere"), os.path.join(docs, "junction"))
        unix_file = os.path.join(self.wine.root, "outside.zubt")
        with open(unix_file, "w") as f:
            f.write("x")
        os.symlink(unix_file, os.path.join(docs, "unix.zubt"))
        short = self.wine.short_name(r"C:\Outside Folder Long")
        secret = verbatim(r"C:\secret.zubt")
        rows = [
            ("zubdms:/../secret.zubt", secret),
            ("zubdms:/%2E%2E/secret.zubt", secret),
            ("zubdms:/%2e%2e%2Fsecret.zubt", secret),
            ("zubdms:/..%5Csecret.zubt", secret),
            ("zubdms:/Archiv/../../secret.zubt", secret),
            ("zubdms:/zubdms:../secret.zubt", secret),
            ("zubdms:/../secret.zubt.", secret),
            ("zubdms:.zubt", verbatim(r"C:\Docs.zubt")),  # C:\Docs, then .zubt
            # Unix symbolic links inside the prefix's drive, resolved to their targets.
            ("zubdms:/escape.zubt", secret),
            ("zubdms:/junction/b.zubt", verbatim(r"C:\Elsewhere\b.zubt")),
            ("zubdms:/unix.zubt", verbatim(windows_path(unix_file))),
            # The 8.3 name of a folder outside the base.
            ("zubdms:/../" + short + "/secret.zubt",
             verbatim(r"C:\Outside Folder Long\secret.zubt")),
            ("zubdms:/" + "%2E%2E%2F" * 3600 + "secret.zubt", secret),
            ("zubdms:/" + "../" * 10000 + "secret.zubt", secret),
        ]
        for link, canonical in rows:
            run = self.wine.launch(link)
            self.assertFailure(run, 17, [outside(link, canonical)], link[:60])
        self.assertNothingOpenedBesidesAControl()

    def test_links_to_nothing_give_5(self):
        rows = [
            ("zubdms:/none.zubt", 2),
            ("zubdms:/nowhere/none.zubt", 3),
            ("zubdms:x.zubt", 2),  # C:\Docsx.zubt
            ("zubdms:/../none.zubt", 2),
            ("zubdms:/" + "a/" * 16000, 3),  # near the longest command line Windows passes
            # Device and verbatim prefixes in the middle of a path name nothing there. (Windows
            # may answer 123, invalid name, for a colon inside a name.)
            ("zubdms:/\\\\.\\C:\\secret.zubt", 3),
            ("zubdms:\\\\.\\C:\\secret.zubt", 3),
            ("zubdms:/\\\\?\\C:\\secret.zubt", 123),
            ("zubdms:C:\\secret.zubt", 3),
            ("zubdms:/..%20/secret.zubt", 3),
            ("zubdms:/.../secret.zubt", 123),
            # Wine has no alternate data streams. On NTFS "a.zubt::$DATA" is the file itself
            # (opened), "../secret.zubt::$DATA" lies outside (17), "a.zubt:stream" does not
            # exist (2).
            ("zubdms:/a.zubt:stream", 2),
            ("zubdms:/a.zubt::$DATA", 2),
            ("zubdms:/../secret.zubt::$DATA", 2),
        ]
        for link, error in rows:
            run = self.wine.launch(link)
            self.assertFailure(run, 5, [not_found(link, error)], link[:60])

        docs = self.wine.unix_path(BASE)
        os.symlink("loop", os.path.join(docs, "loop"))
        for link in ("zubdms:/loop", "zubdms:/loop/a.zubt"):
            self.assertFailure(self.wine.launch(link), 5, [not_found(link, 1921)], link)

        # Control and format characters of the link and the path show escaped: a link cannot
        # put lines of its own into the box and the event, nor reorder their text.
        # (Names with controls below U+0020 are invalid on Windows: error 123.)
        for link, shown, path, error in [
                ("zubdms:/a%00b.zubt", None, r"a\0b.zubt", None),
                ("zubdms:/a.zubt%0A%0ASICHERHEITSWARNUNG%09Bitte", None,
                 r"a.zubt\n\nSICHERHEITSWARNUNG\tBitte", 123),
                ("zubdms:/%E2%80%AEtbuz.exe%E2%80%8B", None, r"\u{202e}tbuz.exe\u{200b}", 2),
                ("zubdms:/a\u2028b", r"zubdms:/a\u{2028}b", r"a\u{2028}b", 2)]:
            error = ("strings passed to WinAPI cannot contain NULs" if error is None
                     else "%s (os error %d)" % (OS_ERRORS[error], error))
            self.assertFailure(self.wine.launch(link), 5, [
                "\nFehler beim öffnen : " + error + "\nURL: " + (shown or link) +
                "\nFile: C:\\Docs\\" + path + "\n"], link)
        self.assertNothingOpenedBesidesAControl()

    def test_an_unresolvable_base_gives_18(self):
        for base, link in [(r"C:\Fehlt", "zubdms:/../secret.zubt"),
                           (r"C:\secret", "zubdms:.zubt")]:  # the document is C:\secret.zubt
            self.set_base(base)
            run = self.wine.launch(link)
            self.assertFailure(run, 18, [
                "\nFehler beim normalisieren des Basisverzeichnis : File not found. (os error 2)"
                "\nBasisverzeichnis: " + base + "\n"], base)
        self.setUp()
        self.assertNothingOpenedBesidesAControl()

    def test_dos_device_names_are_never_handed_on(self):
        # Wine maps these names to Unix devices, whose final paths lie outside the base (17),
        # or fails to open them (5). Windows may answer otherwise, but with 5 or 17 as well.
        for link in ("zubdms:/NUL", "zubdms:/nul.zubt", "zubdms:/COM1", "zubdms:/aux.zubt",
                     "zubdms:/CON", "zubdms:/CONIN$"):
            run = self.wine.launch(link)
            self.assertIn(run.code, (5, 17), link)
            self.assertEqual(len(run.events), 1, link)
        self.assertNothingOpenedBesidesAControl()

    def test_the_base_in_other_forms(self):
        # Behind a verbatim prefix ".." is a name like any other, which Windows refuses (123).
        self.set_base("\\\\?\\C:\\Docs")
        self.assertOpens("zubdms:/a.zubt", r"C:\Docs\a.zubt")
        link = "zubdms:/../secret.zubt"
        self.assertFailure(self.wine.launch(link), 5,
                           [not_found(link, 123, base="\\\\?\\C:\\Docs")])
        for base in ("\\\\.\\C:\\Docs", "C:/Docs"):
            self.set_base(base)
            self.assertOpens("zubdms:/a.zubt", r"C:\Docs\a.zubt")
            self.assertFailure(self.wine.launch(link), 17,
                               [outside(link, verbatim(r"C:\secret.zubt"), base=base)], base)
        self.setUp()
        self.assertNothingOpenedBesidesAControl()

    def test_the_base_written_as_short_name_still_contains_its_documents(self):
        self.wine.write(r"C:\Dokumente Ablage\Plan.zubt")
        self.set_base("C:\\" + self.wine.short_name(r"C:\Dokumente Ablage"))
        self.assertOpens("zubdms:/Plan.zubt", r"C:\Dokumente Ablage\Plan.zubt")

    def test_a_type_without_application_gives_16(self):
        # No association at all, and a type with no verb: asked for "open", then for the
        # default verb, and nothing opens.
        self.wine.reg_add(r"HKCR\.zubnoverb", None, "zubnoverbfile")
        self.wine.reg_add(r"HKCR\zubnoverbfile\shell", None, "")
        for name in ("Tabelle.zubnone", "Tabelle.zubnoverb"):
            self.wine.write("C:\\Docs\\" + name)
            link = "zubdms:/" + name
            self.assertFailure(self.wine.launch(link), 16,
                               [not_opened(link, verbatim("C:\\Docs\\" + name))], name)
        self.assertNothingOpenedBesidesAControl()

    def test_programs_without_unicode_get_no_character_of_meaning(self):
        """A program that reads its command line in the ANSI code page (1252 here) gets each
        character the code page lacks in its best fit: U+FF02 becomes a double quote. Such a
        path goes over in its short form, which Wine gives every file (ASCII, with "_" for what
        an 8.3 name cannot hold); names that the code page holds go over as they are."""
        for name in ("a\uff02 --evil \uff02b.zuba", "Gr\u00fc\u00dfe \u00e9t\u00e9.zuba"):
            self.wine.write("C:\\Docs\\" + name)
        program = '"' + ANSI_RECORDER_EXE + '" '
        short = r"[A-Z0-9_~-]+"  # an 8.3 name as Wine makes them: "A__-~1YF", "B~~~~ETY"
        rows = [
            # Handed over as it is, the program got "C:\Docs\a" --evil "b.zuba".
            ("zubdms:/a%EF%BC%82%20--evil%20%EF%BC%82b.zuba",
             r"C:\\Docs\\" + short + r"\.ZUB", 0xFF02, '"'),
            ("zubdms:/Gr%C3%BC%C3%9Fe%20%C3%A9t%C3%A9.zuba",
             re.escape("C:\\Docs\\Gr\u00fc\u00dfe \u00e9t\u00e9.zuba"), None, None),
        ]
        log = self.wine.unix_path(ANSI_RECORDER_EXE + ".log")
        for link, handed_over, character, becomes in rows:
            run = self.wine.launch("-d", link)
            self.assertEqual(run.code, 0, "%s: %s" % (link, run.describe()))
            lines = self.wine.recorded_ansi(expect=1)
            os.remove(log)
            self.assertEqual(len(lines), 1, link)
            command_line = lines[0].decode("cp1252")
            match = re.fullmatch(re.escape(program) + '"(' + handed_over + ')"', command_line)
            self.assertTrue(match, "%s: %r" % (link, command_line))
            report = ('Basedir "C:\\\\Docs"\nFile ' + verbatim(BASE + relative_path(link)))
            if character:
                report += ("\nPath holds U+%04X, which ANSI programs read as %s, handed over in "
                           "its short (8.3) form %s" % (character, becomes, match[1]))
            self.assertBoxes(run, [(report + "\ndocument opened!", MB_DEBUG)], link)

    def test_executable_content_gives_16_and_nothing_runs(self):
        marker = r"C:\ran.txt"
        script = ("echo ran > " + marker + "\r\n").encode()
        self.wine.install(RECORDER, r"C:\Docs\tool.exe")  # would log to tool.exe.log
        self.wine.install(RECORDER, r"C:\Docs\report.exe")
        self.wine.write(r"C:\Docs\report", b"no extension, and report.exe beside it\r\n")
        for name in ("run.bat", "run.cmd"):
            self.wine.write("C:\\Docs\\" + name, script)
        for name in ("link.lnk", "setup.msi", "x.ps1", "x.url", "x.hta", "x.com", "x.scr",
                     "Handbuch.hlp"):
            self.wine.write("C:\\Docs\\" + name, b"MZ")
        # Programs whose names say document: each would log to "<its name>.log" if it ran.
        programs = ("Rechnung.pdf", "notes.txt", "a.zubt", "report")
        for name in programs:
            self.wine.install(RECORDER, "C:\\Docs\\Programme\\" + name)
        # Unix files in the prefix's drive, placed from the Unix side with their run bit.
        unix_marker = os.path.join(self.wine.root, "script_ran")
        unix_script = "#!/bin/sh\ntouch " + unix_marker + "\n"
        os.chmod(self.wine.write(r"C:\Docs\x.pdf", unix_script.encode()), 0o755)
        elf = self.wine.install("/bin/true", r"C:\Docs\elf.zubt")
        os.chmod(elf, 0o755)
        rows = [
            ("zubdms:/tool.exe", "tool.exe"),
            ("zubdms:/TOOL.EXE", "tool.exe"),
            ("zubdms:/run.bat", "run.bat"),
            ("zubdms:/run.cmd", "run.cmd"),
            ("zubdms:/run.bat.", "run.bat"),
            ("zubdms:/run.bat%20", "run.bat"),
            ("zubdms:/link.lnk", "link.lnk"),
            ("zubdms:/setup.msi", "setup.msi"),
            ("zubdms:/x.ps1", "x.ps1"),
            ("zubdms:/x.url", "x.url"),
            ("zubdms:/x.hta", "x.hta"),
            ("zubdms:/x.com", "x.com"),
            ("zubdms:/x.scr", "x.scr"),
            # Wine's AssocIsDangerous answers FALSE for every type, and Wine opens help files
            # with its winhlp32, whose ExecFile macro starts any program.
            ("zubdms:/Handbuch.hlp", "Handbuch.hlp"),
            # Without a type the shell finds no application either; it does not run the
            # program of the same name.
            ("zubdms:/report", "report"),
            # Programs by content. Wine's ShellExecuteW starts a file whose content is a program
            # before it looks at the association: handed over that way, each of the four below
            # ran (seen with Wine 8) and the recorder got nothing. Handed over as its own type
            # (ShellExecuteExW with SEE_MASK_CLASSNAME), Rechnung.pdf and a.zubt went to the
            # recorder and did not run; notes.txt (".txt" has no application in a fresh
            # prefix) and report (type ".") found no application. Their PE headers refuse
            # them all with 16 before the shell is asked. Windows starts none of them.
            *[("zubdms:/Programme/" + name, "Programme\\" + name) for name in programs],
            ("zubdms:/elf.zubt", "elf.zubt"),  # an ELF program, whose run bit Wine honours
        ]
        for link, name in rows:
            run = self.wine.launch(link)
            self.assertFailure(run, 16, [not_opened(link, verbatim("C:\\Docs\\" + name))], link)
        # Text that begins like a program goes to the application of its type: "MZ" without a
        # program header, and a Unix script with its run bit or without. Handed over by name,
        # Wine ran x.pdf (and reported success); handed over as type .pdf it runs nothing.
        self.wine.write(r"C:\Docs\Mosambik.zubt", b"MZ;Mosambik;Maputo\r\n")
        self.wine.write(r"C:\Docs\y.pdf", unix_script.encode())
        for name in ("Mosambik.zubt", "x.pdf", "y.pdf"):
            self.assertOpens("zubdms:/" + name, "C:\\Docs\\" + name)
        self.assertNothingOpenedBesidesAControl()
        traces = [marker, r"C:\Docs\tool.exe.log", r"C:\Docs\report.exe.log"]
        traces += ["C:\\Docs\\Programme\\" + name + ".log" for name in programs]
        for trace in traces:
            self.assertFalse(os.path.exists(self.wine.unix_path(trace)), trace)
        self.assertFalse(os.path.exists(unix_marker))

    def test_names_with_percent_pairs_open_as_themselves(self):
        # Wine's ShellExecuteW expands %NAME% in the path: handed over by name, the link to
        # x.%ZUBEXT% started x.bat and the one to x.%ZUBEXT%.zubt gave the recorder
        # x.bat.zubt (seen with Wine 8). Handed over as its own type the path is not expanded:
        # x.%ZUBEXT% has no application (16) and x.%ZUBEXT%.zubt reaches the recorder under its
        # own name. Windows expands only when asked to (SEE_MASK_DOENVSUBST).
        marker = r"C:\bat_ran.txt"
        self.wine.write(r"C:\Docs\x.%ZUBEXT%")
        self.wine.write(r"C:\Docs\x.bat", ("echo ran > " + marker + "\r\n").encode())
        self.wine.write(r"C:\Docs\x.%ZUBEXT%.zubt")
        self.wine.write(r"C:\Docs\x.bat.zubt")
        environment = {"ZUBEXT": "bat"}
        link = "zubdms:/x.%25ZUBEXT%25"
        self.assertFailure(self.wine.launch(link, env=environment), 16,
                           [not_opened(link, verbatim(r"C:\Docs\x.%ZUBEXT%"))])
        run = self.wine.launch("zubdms:/x.%25ZUBEXT%25.zubt", env=environment)
        self.assertEqual(run.code, 0, run.describe())
        self.assertEqual(self.wine.recorded(expect=1), [r"C:\Docs\x.%ZUBEXT%.zubt"])
        self.assertFalse(os.path.exists(self.wine.unix_path(marker)))

    def test_paths_beyond_max_path(self):
        folder = "C:\\Docs\\" + "\\".join(["d" * 50] * 5)
        self.wine.write(folder + "\\deep.zubt")
        link = "zubdms:/" + "/".join(["d" * 50] * 5) + "/deep.zubt"
        run = self.wine.launch(link)
        if run.code == 0:  # Windows: the short (8.3) form, the only one its shell can take
            self.assertIn("~", self.wine.recorded(expect=1)[0])
        elif run.code == 16:  # Windows, on a volume without short names
            self.assertFailure(run, 16, [not_opened(link, verbatim(folder + "\\deep.zubt"))])
        else:
            # Wine 8's GetFinalPathNameByHandleW fails beyond MAX_PATH whatever the buffer.
            self.assertFailure(run, 5, [not_found(link, 234)])


if __name__ == "__main__":
    unittest.main()
