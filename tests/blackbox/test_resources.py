"""The message table generated from the level table, and the resources of the Windows build."""

import os
import subprocess
import sys
import tempfile
import unittest

REPO = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
sys.path.insert(0, os.path.join(REPO, "tools"))

import check_resources  # noqa: E402

LEVEL_TABLE = os.path.join(REPO, "src", "logging", "event_levels.def")
GENERATOR = os.path.join(REPO, "tools", "gen_message_table.py")
WINDOWS_EXE = os.environ.get(
    "ZUB_WINDOWS_LAUNCHER", os.path.join(REPO, "build", "windows", "zub_launcher.exe"))


def generate(level_table_text):
    with tempfile.TemporaryDirectory() as scratch:
        source = os.path.join(scratch, "levels.def")
        target = os.path.join(scratch, "table.bin")
        with open(source, "w", encoding="utf-8") as out:
            out.write(level_table_text)
        result = subprocess.run([sys.executable, GENERATOR, source, target],
                                capture_output=True, text=True, check=False)
        if result.returncode != 0:
            return None, result.stderr
        with open(target, "rb") as table:
            return table.read(), ""


class MessageTableTest(unittest.TestCase):
    def test_generated_table_has_the_fixed_120_byte_layout(self):
        with open(LEVEL_TABLE, encoding="utf-8") as source:
            table, errors = generate(source.read())
        self.assertEqual(errors, "")
        self.assertEqual(len(table), 120)
        # Compared field by field first, so that a fault names its place.
        expected = check_resources.EXPECTED_MESSAGE_TABLE
        for offset in range(0, 120, 4):
            with self.subTest(offset=offset):
                self.assertEqual(table[offset:offset + 4].hex(), expected[offset:offset + 4].hex())
        self.assertEqual(table, expected)

    def test_the_order_of_the_level_table_does_not_matter(self):
        with open(LEVEL_TABLE, encoding="utf-8") as source:
            lines = source.read().splitlines()
        reversed_table = "\n".join(reversed(lines)) + "\n"
        table, errors = generate(reversed_table)
        self.assertEqual(errors, "")
        self.assertEqual(table, check_resources.EXPECTED_MESSAGE_TABLE)

    def test_a_malformed_level_table_is_refused(self):
        for name, text in [
            ("empty", "// nothing\n"),
            ("garbage line", "ZUB_EVENT_LEVEL(Error, 1, 0xC0000001)\nint x;\n"),
            ("repeated identifier",
             "ZUB_EVENT_LEVEL(Error, 1, 0xC0000001)\nZUB_EVENT_LEVEL(Warn, 2, 0xC0000001)\n"),
        ]:
            with self.subTest(name):
                table, errors = generate(text)
                self.assertIsNone(table)
                self.assertIn("level table", errors)


class ImportCheckTest(unittest.TestCase):
    def test_only_dlls_of_windows_pass(self):
        names = ["KERNEL32.dll", "msvcrt.dll", "libstdc++-6.dll", "SHELL32.dll",
                 "libwinpthread-1.dll", "zlib1.dll"]
        self.assertEqual(check_resources.foreign_dlls(names),
                         ["libstdc++-6.dll", "libwinpthread-1.dll", "zlib1.dll"])


@unittest.skipUnless(os.path.exists(WINDOWS_EXE), "the Windows build has not been made")
class WindowsResourcesTest(unittest.TestCase):
    def test_the_executable_carries_its_resources_and_imports_only_windows_dlls(self):
        self.assertEqual(check_resources.check(WINDOWS_EXE), [])


if __name__ == "__main__":
    unittest.main()
