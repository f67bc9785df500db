"""Black-box tests of the open action: the built launcher opens documents under the base
directory with the user's default application, and never hands anything outside it (or anything
that would run) to that application. The default application is a recorder defined in the
sandbox's own XDG folders; it writes each path it is given to a file."""

import os
import shutil
import unittest

from sandbox import LONGEST_ARGUMENT, OpenTestCase, line


class OpensDocuments(OpenTestCase):
    def test_opens_the_document_silently(self):
        plan = self.sandbox.write("Docs/Projekte/A B/Plan.pdf", b"%PDF-1.4\n")
        self.assertRun(self.sandbox.run("zubdms:/Projekte/A%20B/Plan.pdf"), 0)
        self.assertEqual(self.sandbox.opened(expect=1), [plan])

    def test_debug_report(self):
        plan = self.sandbox.write("Docs/Projekte/Plan.pdf", b"%PDF-1.4\n")
        base = self.sandbox.base
        self.assertRun(self.sandbox.run("-d", "zubdms:/Projekte/Plan.pdf"), 0,
                       stdout=line('Basedir "' + base + '"\nFile ' + plan + "\ndocument opened!"))
        self.assertEqual(self.sandbox.opened(expect=1), [plan])

    def test_base_directory_with_trailing_separator(self):
        plan = self.sandbox.write("Docs/Plan.pdf", b"%PDF-1.4\n")
        self.sandbox.set_base_dir(self.sandbox.base + "/")
        self.assertRun(self.sandbox.run("zubdms:/Plan.pdf"), 0)
        self.assertEqual(self.sandbox.opened(expect=1), [plan])

    def test_folders_and_the_base_itself(self):
        base = self.sandbox.base
        # Whatever their names: a customer's domain, types that run as files.
        folders = ["Projekte", "www.kunde.com", "Release.app", "Fotos.img", "Archiv.cab"]
        for folder in folders:
            os.makedirs(os.path.join(base, folder))
        links = ["zubdms:/Projekte/", "zubdms:/", "zubdms:"] + ["zubdms:/" + f for f in folders]
        for link in links:
            self.assertRun(self.sandbox.run(link), 0, name=link)
        dotted = os.path.dirname(self.sandbox.write("ZUB.com/x.txt"))
        self.sandbox.set_base_dir(dotted)
        self.assertRun(self.sandbox.run("zubdms:/"), 0)
        expected = [base + "/" + f for f in folders] + [base + "/Projekte", base, base, dotted]
        self.assertEqual(sorted(self.sandbox.opened(expect=len(expected))), sorted(expected))

    def test_link_inside_the_base_is_followed(self):
        target = self.sandbox.write("Docs/Archiv/2023.txt")
        os.symlink(target, os.path.join(self.sandbox.base, "aktuell.txt"))
        self.assertRun(self.sandbox.run("zubdms:/aktuell.txt"), 0)
        self.assertEqual(self.sandbox.opened(expect=1), [target])

    def test_umlauts_in_the_link(self):
        umlaut = self.sandbox.write("Docs/Übersicht ä.txt")
        self.assertRun(self.sandbox.run("zubdms:/%C3%9Cbersicht%20%C3%A4.txt"), 0)
        self.assertEqual(self.sandbox.opened(expect=1), [umlaut])

    def test_names_stored_in_the_other_unicode_form(self):
        # Linked composed, stored decomposed (as a Mac writes it), and the other way round.
        decomposed = self.sandbox.write("Docs/U\u0308ber.txt")
        composed = self.sandbox.write("Docs/\u00dcbersicht.txt")
        self.assertRun(self.sandbox.run("zubdms:/%C3%9Cber.txt"), 0)
        base = self.sandbox.base
        self.assertRun(self.sandbox.run("-d", "zubdms:/U%CC%88bersicht.txt"), 0,
                       stdout=line('Basedir "' + base + '"\nName found in Unicode form NFC: ' +
                                   base + "\\\u00dcbersicht.txt\nFile " + composed +
                                   "\ndocument opened!"))
        # A folder made on a Mac (NFD), filled from Windows (NFC), linked in NFC.
        mac = self.sandbox.write("Docs/Pru\u0308fung/\u00c4nderung.txt")
        self.assertRun(self.sandbox.run("-d", "zubdms:/Pr%C3%BCfung/%C3%84nderung.txt"), 0,
                       stdout=line('Basedir "' + base + '"\nName found with parts in Unicode '
                                   "form NFD: " + base + "\\Pru\u0308fung\\\u00c4nderung.txt"
                                   "\nFile " + mac + "\ndocument opened!"))
        self.assertEqual(sorted(self.sandbox.opened(expect=3)),
                         sorted([decomposed, composed, mac]))


class RefusesEscapes(OpenTestCase):
    """Every way out of the base directory ends with 17 (or 5 when the target does not exist),
    and nothing of it reaches the application."""

    def outside(self, joined: str, canonical: str) -> bytes:
        return line("Fehler:\nDie zu öffnende Datei " + joined + " canonicalized to " + canonical +
                    "\nliegt nicht unter dem varnelo Basisverzeichnis " + self.sandbox.base + "\n")

    def test_escapes(self):
        root, base = self.sandbox.root, self.sandbox.base
        secret = self.sandbox.write("secret.txt")
        sibling = self.sandbox.write("DocsX/a.txt")
        docsx = self.sandbox.write("Docsx.txt")
        outside_folder = self.sandbox.write("Elsewhere/b.txt")
        os.symlink(secret, os.path.join(base, "escape.txt"))
        os.symlink(os.path.dirname(outside_folder), os.path.join(base, "junction"))
        os.symlink("../DocsX", os.path.join(base, "relative"))
        rows = [
            ("zubdms:/../secret.txt", base + "\\..\\secret.txt", secret),
            ("zubdms:/%2E%2E/secret.txt", base + "\\..\\secret.txt", secret),
            ("zubdms:/%2e%2e%2Fsecret.txt", base + "\\..\\secret.txt", secret),
            ("zubdms:/..%5Csecret.txt", base + "\\..\\secret.txt", secret),
            ("zubdms:/a/../../secret.txt", base + "\\a\\..\\..\\secret.txt", None),
            ("zubdms:/escape.txt", base + "\\escape.txt", secret),
            ("zubdms:/junction/b.txt", base + "\\junction\\b.txt", outside_folder),
            ("zubdms:/relative/a.txt", base + "\\relative\\a.txt", sibling),
            ("zubdms:/../DocsX/a.txt", base + "\\..\\DocsX\\a.txt", sibling),
            ("zubdms:X/a.txt", base + "X\\a.txt", sibling),
            ("zubdms:x.txt", base + "x.txt", docsx),
            ("zubdms:/zubdms:../secret.txt", base + "\\..\\secret.txt", secret),
            ("zubdms:/..%2F..%2F..%2F..%2F..%2F..%2F..%2F..%2Fetc%2Fpasswd",
             base + "\\..\\..\\..\\..\\..\\..\\..\\..\\etc\\passwd", "/etc/passwd"),
        ]
        for link, joined, canonical in rows:
            result = self.sandbox.run(link)
            if canonical is None:
                # The path goes through a folder that does not exist.
                self.assertEqual(result.returncode, 5, link)
            else:
                self.assertRun(result, 17, stderr=self.outside(joined, canonical), name=link)
        self.assertNothingOpenedBesides("control.txt")

    def test_missing_targets_end_with_5(self):
        base = self.sandbox.base
        rows = [
            ("zubdms:/none.txt", base + "\\none.txt"),
            ("zubdms:x.txt", base + "x.txt"),
            ("zubdms:/../none.txt", base + "\\..\\none.txt"),
        ]
        for link, joined in rows:
            self.assertRun(self.sandbox.run(link), 5,
                           stderr=line("\nFehler beim öffnen : No such file or directory "
                                       "(os error 2)\nURL: " + link + "\nFile: " + joined + "\n"),
                           name=link)
        self.assertNothingOpenedBesides("control.txt")

    def test_nul_in_the_link(self):
        self.sandbox.write("Docs/a")
        link = "zubdms:/a%00b"
        self.assertRun(self.sandbox.run(link), 5,
                       stderr=line("\nFehler beim öffnen : strings passed to WinAPI cannot contain "
                                   "NULs\nURL: " + link + "\nFile: " + self.sandbox.base +
                                   "\\a\\0b\n"))
        self.assertNothingOpenedBesides("control.txt")

    def test_longest_links(self):
        # Linux passes no single argument beyond 128 KiB: that is the longest link there is.
        deep = "zubdms:/" + "a/" * ((LONGEST_ARGUMENT - len("zubdms:/")) // 2)
        climbing = "zubdms:/" + "../" * ((LONGEST_ARGUMENT - 30) // 3) + "etc/passwd"
        escaped = "zubdms:/" + "%2E%2E%2F" * ((LONGEST_ARGUMENT - 30) // 9) + "etc%2Fpasswd"
        for link in (deep, climbing, escaped):
            self.assertLessEqual(len(link), LONGEST_ARGUMENT)
            result = self.sandbox.run(link)
            self.assertIn(result.returncode, (5, 17), link[:40])
            self.assertEqual(result.stdout, b"", link[:40])
        self.assertNothingOpenedBesides("control.txt")


class RefusesExecutableContent(OpenTestCase):
    def test_programs_and_scripts_are_not_handed_over(self):
        base = self.sandbox.base
        shutil.copy("/bin/true", os.path.join(base, "programm"))
        self.sandbox.write("Docs/start.sh", b"#!/bin/sh\ntouch /tmp/zub_should_not_exist\n")
        self.sandbox.write("Docs/skript", b"#!/bin/sh\necho\n")
        self.sandbox.write("Docs/tool.py", b"print(1)\n")
        self.sandbox.write("Docs/start.desktop",
                           b"[Desktop Entry]\nType=Application\nName=x\nExec=true\n")
        # Programs by their content (the ELF magic, whatever follows it; e_lfanew leading to
        # "PE"), whatever their names say.
        shutil.copy("/bin/true", os.path.join(base, "Rechnung.pdf"))
        self.sandbox.write("Docs/Format.txt", b"\x7fELF ist ein Format\n")
        self.sandbox.write("Docs/notes.txt", b"MZ" + bytes(58) + b"\x40\0\0\0PE\0\0")
        os.chmod(self.sandbox.write("Docs/x.pdf", b"#!/bin/sh\necho ran\n"), 0o755)
        # A disk image that the desktop would mount, known by its content alone (Squashfs).
        self.sandbox.write("Docs/Urlaubsfotos", b"hsqs" + bytes(92))
        # Types that run on Windows are refused here too, whatever the desktop does with them.
        windows_types = ("x.url", "Handbuch.hlp", "Hilfe.chm", "tool.jar", "Archiv.cab")
        for name in windows_types:
            self.sandbox.write("Docs/" + name, b"x")
        for name in ("programm", "start.sh", "skript", "tool.py", "start.desktop", "Rechnung.pdf",
                     "Format.txt", "notes.txt", "x.pdf", "Urlaubsfotos") + windows_types:
            link = "zubdms:/" + name
            self.assertRun(self.sandbox.run(link), 16,
                           stderr=line("\nFehler beim normalisieren des Pfades : IO error\nURL: " +
                                       link + "\nFile: " + base + "/" + name + "\n"),
                           name=name)
        # Text that merely begins like a program: no PE header, a script without its run bit.
        documents = {"Mosambik.csv": b"MZ;Mosambik;Maputo\n", "Notiz.txt": b"MZ-Nummer 4711\n",
                     "y.pdf": b"#!/bin/sh\necho ran\n"}
        for name, content in documents.items():
            self.sandbox.write("Docs/" + name, content)
            self.assertRun(self.sandbox.run("zubdms:/" + name), 0, name=name)
        self.assertNothingOpenedBesides("control.txt", [base + "/" + name for name in documents])


class ShellFailure(OpenTestCase):
    def test_no_application_for_the_type(self):
        document = self.sandbox.write("Docs/Tabelle.ods", b"PK\x03\x04")
        link = "zubdms:/Tabelle.ods"
        self.assertRun(self.sandbox.run(link), 16,
                       stderr=line("\nFehler beim normalisieren des Pfades : IO error\nURL: " +
                                   link + "\nFile: " + document + "\n"))
        self.assertNothingOpenedBesides("control.txt")


if __name__ == "__main__":
    unittest.main()
