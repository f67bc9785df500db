"""Hostile links against the built launcher: any web page can make the browser start it with
any text. Whatever the link, nothing outside the base folder reaches the default application,
the run ends with the exit code of its case, and the launcher neither crashes nor hangs."""

import os
import subprocess

from sandbox import LONGEST_ARGUMENT, OpenTestCase

OUTSIDE = 17     # the file exists, but not under the base folder
NOT_OPENED = 5   # no such file (or a name the file system refuses)
URL_FORMAT = 14
URL_DECODE = 15
WRONG_CALL = 9   # a second argument after the link: help text, nothing opened
MISSING = 1      # "-c" without its value: help text


def links(code, *texts):
    """Rows of one link each that end alike and open nothing."""
    return [(text, [text], code, None) for text in texts]


class HostileLinks(OpenTestCase):
    def prepare(self):
        """The base folder Docs with a few documents and links, and neighbours of it that share
        its name as a prefix."""
        s = self.sandbox
        for relative in ("secret.txt", "DocsX/a.txt", "Docs Kopie/a.txt", "Docs.bak/a.txt",
                         "Docsx.txt", "Docs/inside.txt", "Docs/sub/inner.txt", "Docs/a:b.txt",
                         "Docs/--help", "Docs/100%.txt", "Docs/%2E%2E/secret.txt",
                         "Docs/a#b.txt", "Docs/a?b.txt", "Docs/a b.txt", "Docs/x.%ZUBEXT%.txt",
                         "Docs/x.bat.txt"):
            s.write(relative)
        # Data that shared-mime-info derives from JavaScript, and a document with macros.
        for name in ("a.json", "a.geojson", "a.jsonld", "a.gltf", "a.ipynb"):
            s.write("Docs/" + name, b'{"type": "x"}\n')
        s.write("Docs/Bericht.docm", b"PK\x03\x04")
        for name, target in (("escape.txt", os.path.join(s.root, "secret.txt")), ("up", ".."),
                             ("sibling", "../DocsX"), ("system", "/etc"), ("loop", "loop"),
                             ("inner.txt", "sub/inner.txt"), ("sub/back.txt", "../../secret.txt")):
            os.symlink(target, os.path.join(s.base, name))

    def test_hostile_links(self):
        self.prepare()
        base = self.sandbox.base
        longest_filler = "x" * LONGEST_ARGUMENT
        secret = os.path.join(self.sandbox.root, "secret.txt")
        # name, arguments, exit code, the document under the base that is opened (if any)
        rows = [
            # Traversal, plain, escaped and mixed; "\" (escaped or not) separates like "/".
            *links(OUTSIDE,
                "zubdms:/../secret.txt", "zubdms:/%2E%2E/secret.txt", "zubdms:/%2e%2E%2fsecret.txt",
                "zubdms:/..%2Fsecret.txt", "zubdms:/..%5Csecret.txt", "zubdms:/%5C..%5Csecret.txt",
                "zubdms:/.%2E/secret.txt", "zubdms:/..\\secret.txt", "zubdms:\\..\\secret.txt",
                "zubdms:/sub/..%5C..%5Csecret.txt", "zubdms:/sub/../../secret.txt",
                "zubdms:/./sub/./../.././secret.txt", "zubdms:/zubdms:../secret.txt",
                "zubdms:/%7Aubdms:../secret.txt",
                "zubdms:/" + "../" * 40 + "etc/passwd"),
            *links(NOT_OPENED,
                "zubdms:/....//secret.txt", "zubdms:/.../secret.txt", "zubdms:/..%20/secret.txt",
                "zubdms:/%252E%252E/%252E%252E/secret.txt", "zubdms:/nowhere/../../secret.txt"),
            # The folder literally named %2E%2E lies under the base: it opens, and nothing
            # decodes its name a second time on the way to the application.
            ("double escape names a folder", ["zubdms:/%252E%252E/secret.txt"], 0,
             "%2E%2E/secret.txt"),
            # Symbolic links are followed before the containment test.
            *links(OUTSIDE,
                "zubdms:/escape.txt", "zubdms:/up/secret.txt", "zubdms:/sibling/a.txt",
                "zubdms:/system/passwd", "zubdms:/sub/back.txt", "zubdms:/up/Docs/../secret.txt"),
            ("link loop", ["zubdms:/loop/x"], NOT_OPENED, None),
            ("link inside the base", ["zubdms:/inner.txt"], 0, "sub/inner.txt"),
            # Neighbours whose names start with the base's name.
            *links(OUTSIDE,
                "zubdms:X/a.txt", "zubdms:x.txt", "zubdms:%20Kopie/a.txt", "zubdms:.bak/a.txt",
                "zubdms:/../DocsX/a.txt", "zubdms:/../Docs%20Kopie/a.txt",
                "zubdms:/../Docs.bak/a.txt"),
            # Absolute paths, shares and other schemes after the prefix stay relative to the base.
            *links(NOT_OPENED,
                "zubdms:/" + self.sandbox.root + "/secret.txt", "zubdms://etc/passwd",
                "zubdms:%2Fetc%2Fpasswd", "zubdms:C:/Windows/win.ini", "zubdms:/C:/secret.txt",
                "zubdms://server/share/secret.txt", "zubdms:\\\\server\\share\\secret.txt",
                "zubdms:/zubdms:/etc/passwd", "zubdms:file:///etc/passwd",
                "zubdms:/\\\\?\\C:\\secret.txt", "zubdms:/\\\\.\\pipe\\x"),
            # NUL, line breaks and other control characters, escaped or raw.
            *links(NOT_OPENED,
                "zubdms:/a%00b", "zubdms:/inside.txt%00.pdf", "zubdms:/%0A/inside.txt",
                "zubdms:/inside.txt%0D%0A", "zubdms:/%1B[31m.txt", "zubdms:/%7F.txt",
                "zubdms:/a\x01b", "zubdms:/inside.txt\t", "zubdms:/%C2%85inside.txt",
                "zubdms:/%E2%80%AEtxt.exe"),
            *links(URL_DECODE,
                "zubdms:/%FF", "zubdms:/%C0%AF", "zubdms:/%C0%AE%C0%AE/secret.txt",
                "zubdms:/%ED%A0%80", "zubdms:/%F4%90%80%80", "zubdms:/inside.txt%C3"),
            ("raw byte that is no UTF-8", [b"zubdms:/\xff/secret.txt"], URL_DECODE, None),
            # Trailing dots and blanks name other files on Linux (Windows drops them).
            *links(NOT_OPENED,
                "zubdms:/inside.txt.", "zubdms:/inside.txt%20", "zubdms:/inside.txt. . ",
                "zubdms:/sub./inner.txt", "zubdms:/sub%20/inner.txt", "zubdms:/../secret.txt."),
            # Names with ":" (drive letters, alternate data streams, devices).
            ("colon in the name", ["zubdms:/a:b.txt"], 0, "a:b.txt"),
            *links(NOT_OPENED,
                "zubdms:/inside.txt:Zone.Identifier", "zubdms:/inside.txt::$DATA",
                "zubdms:/CON", "zubdms:/nul.txt", "zubdms:/COM1:"),
            # Names the application must not take for options or for parts of a URI.
            ("leading dashes", ["zubdms:/--help"], 0, "--help"),
            ("escaped percent sign", ["zubdms:/100%25.txt"], 0, "100%.txt"),
            ("percent sign", ["zubdms:/100%.txt"], 0, "100%.txt"),
            ("escaped hash", ["zubdms:/a%23b.txt"], 0, "a#b.txt"),
            ("question mark", ["zubdms:/a?b.txt"], 0, "a?b.txt"),
            # %NAME% pairs name the file itself, never another one (x.bat.txt lies beside it).
            ("percent pairs", ["zubdms:/x.%25ZUBEXT%25.txt"], 0, "x.%ZUBEXT%.txt"),
            # JSON is data although its type derives from JavaScript; macros are the office
            # application's to guard.
            *[("data " + name, ["zubdms:/" + name], 0, name)
              for name in ("a.json", "a.geojson", "a.jsonld", "a.gltf", "a.ipynb", "Bericht.docm")],
            # The longest single argument Linux allows, and 1 MiB over several arguments.
            ("longest deep link", ["zubdms:/" + "a/" * ((LONGEST_ARGUMENT - 8) // 2)],
             NOT_OPENED, None),
            ("longest climbing link",
             ["zubdms:/" + "../" * ((LONGEST_ARGUMENT - 20) // 3) + "secret.txt"],
             NOT_OPENED, None),
            ("longest climbing link to a file outside",
             ["zubdms:/" + "../" * ((LONGEST_ARGUMENT - 40 - len(secret)) // 3) + secret[1:]],
             OUTSIDE, None),
            ("longest escaped link",
             ["zubdms:/" + "%2E%2E%2F" * ((LONGEST_ARGUMENT - 20) // 9) + "secret.txt"],
             NOT_OPENED, None),
            ("longest foreign text", [longest_filler], URL_FORMAT, None),
            ("1 MiB after a link", ["zubdms:/../secret.txt"] + [longest_filler] * 8,
             WRONG_CALL, None),
            ("longest -c value before a link", ["-c", longest_filler, "zubdms:/../secret.txt"],
             OUTSIDE, None),
            ("1 MiB of -c values", ["-c", longest_filler] * 8 + ["zubdms:/../secret.txt", "-c"],
             MISSING, None),
            # Links with quotes and blanks, split over several arguments as a shell would.
            ('quoted and split', ['zubdms:/"a', 'b.txt"'], WRONG_CALL, None),
            ('split at a blank', ["zubdms:/a", "b.txt"], WRONG_CALL, None),
            ('quotes around the link', ['"zubdms:/a b.txt"'], URL_FORMAT, None),
            ('quotes in the link', ['zubdms:/"a b.txt"'], NOT_OPENED, None),
            ('quote and blank before a traversal', ['zubdms:/inside.txt" "../../secret.txt'],
             NOT_OPENED, None),
            ('traversal in a second argument', ["zubdms:/..", "/secret.txt"], WRONG_CALL, None),
            ("blank in the link", ["zubdms:/a b.txt"], 0, "a b.txt"),
            ("debug switch before a traversal", ["-d", "zubdms:/../secret.txt"], OUTSIDE, None),
            ("option glued to the link", ["-d zubdms:/../secret.txt"], URL_FORMAT, None),
            ("end of options marker", ["--", "zubdms:/../secret.txt"], URL_FORMAT, None),
        ]
        expected_opened = []
        for name, args, code, document in rows:
            with self.subTest(name[:60]):
                try:
                    result = self.sandbox.run(*args, timeout=20)
                except subprocess.TimeoutExpired:
                    self.fail("no end within 20 s")
                self.assertEqual(result.returncode, code, result.stderr[-300:])
                self.assertNotIn(b"Sanitizer", result.stderr)
                if document is not None:
                    expected_opened.append(os.path.join(base, document))
        self.assertNothingOpenedBesides("control.txt", earlier=expected_opened)
