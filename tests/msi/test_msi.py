"""The Windows installer under Wine: what it places and records, what the installed launcher
makes of it, upgrades, refusals and the uninstallation. All tests share one fresh Wine prefix
with a kept-alive wineserver and leave it as they found it.

Environment: ZUB_MSI (the built installer), ZUB_LAUNCHER (the Windows executable it carries),
ZUB_WXS (its source, from which other versions are built), ZUB_RECORDER (the application of the
test file type) and ZUB_CONSOLE_DRIVER (it runs a logon's Active Setup command), from tests/wine."""

import os
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), os.pardir, "wine"))
from wine_prefix import (BOXES, CONSOLE_DRIVER, ERROR_EVENT, EVENTS, RECORDER, RECORDER_EXE,  # noqa
                         RECORDER_TYPE, USER_KEY, WINE_FAILURE, parse_boxes, parse_events)

WINE = "/usr/lib/wine/wine64"
WINESERVER = "/usr/lib/wine/wineserver"

MSI = os.environ.get("ZUB_MSI", "")
LAUNCHER = os.environ.get("ZUB_LAUNCHER", "")
WXS = os.environ.get("ZUB_WXS", "")
OLDER_VERSION = "0.0.1"  # older than any release

DEFAULT_DIR = r"C:\Program Files\Varnelo"
LAUNCHER_KEY = r"HKLM\SOFTWARE\varnelo\launcher"
SCHEME_KEY = r"HKCR\zubdms"
COMMAND_KEY = SCHEME_KEY + r"\shell\open\command"
ICON_KEY = SCHEME_KEY + r"\DefaultIcon"
EVENT_SOURCE_KEY = r"HKLM\SYSTEM\CurrentControlSet\Services\EventLog\Application\ZUB Launcher"
UNINSTALL_KEY = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall"
SETUP_ID = "{5969E26C-1FDD-4E85-91F4-B08171E7A68B}"
ACTIVE_SETUP_KEY = r"HKLM\SOFTWARE\Microsoft\Active Setup\Installed Components" "\\" + SETUP_ID
PRODUCT_NAME = "ZUB Launcher"
DEFAULT = "(Default)"

INSTALL_FAILURE = 1603 % 256  # exit codes arrive modulo 256
UNKNOWN_PRODUCT = 1605 % 256
BASE_DIR_NOT_SET = 3
OUTSIDE_BASE_DIR = 17

# How a browser hands a link to the shell. It ends with 0 at once, before the launcher has run.
BROWSER = ("rundll32.exe", "url.dll,FileProtocolHandler")
# Wine's start.exe takes a URL as well; asked to wait, it ends with the launcher's exit code.
START = ("start", "/wait")


class Wine:
    """A fresh prefix with its wineserver kept alive, quiet and without a display."""

    def __init__(self):
        self.root = tempfile.mkdtemp(prefix="zub-msi-")
        self.env = {k: v for k, v in os.environ.items()
                    if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
        self.env.update(WINEPREFIX=os.path.join(self.root, "prefix"), WINEDEBUG="-all",
                        WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe=d",
                        LANG="C.UTF-8")  # file names and arguments in UTF-8
        self.output = os.path.join(self.root, "output.txt")
        self.log = os.path.join(self.root, "msiexec.log")
        try:
            os.mkdir(self.env["WINEPREFIX"])
            subprocess.run([WINESERVER, "-p"], env=self.env, check=True,
                           stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL)
            if self.run("wineboot", "-i", timeout=300) != 0:
                raise RuntimeError("wineboot failed: " + self.read_output())
            self.run("reg", "add", r"HKCU\Software\Wine\Debug", "/v", "RelayInclude", "/d",
                     "user32.MessageBoxW", "/f")  # for BOXES
        except BaseException:
            self.close()
            raise

    def close(self):
        subprocess.run([WINESERVER, "-k"], env=self.env, stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        shutil.rmtree(self.root, ignore_errors=True)

    def run(self, *args, timeout=120, debug="-all") -> int:
        """Runs a program in the prefix; a run that Wine itself gave up on (its loader or server
        connection says so) is repeated, twice at most, and reported on standard error."""
        for _ in range(3):
            # Through a file: Wine's helper processes inherit the handles and outlive the command.
            with open(self.output, "wb") as output:
                code = subprocess.run([WINE, *args], env=dict(self.env, WINEDEBUG=debug),
                                      stdin=subprocess.DEVNULL, stdout=output,
                                      stderr=subprocess.STDOUT, timeout=timeout).returncode
            text = self.read_output()
            # A crash of the program itself ("Unhandled ...") is never repeated.
            if code == 0 or "Unhandled" in text or not WINE_FAILURE.search(text):
                return code
            sys.stderr.write("\nWine did not run %r to its end, once more: exit %d, %r\n"
                             % (args, code, text[-2000:]))
        return code

    def read_output(self) -> str:
        with open(self.output, "rb") as output:
            return output.read().decode("utf-8", "replace")

    def msiexec(self, action: str, msi: str, ui="/qn", debug="-all", **properties) -> int:
        arguments = [f"{name}={value}" for name, value in properties.items()]
        return self.run("msiexec", action, msi, ui, "/l*v", self.log, *arguments, debug=debug)

    def log_tail(self) -> str:
        try:
            with open(self.log, "rb") as log:
                return log.read().decode("utf-8", "replace")[-3000:]
        except OSError:
            return "(no installer log)"

    def values(self, key: str):
        """The values of a key as {name: (type, data)}, or None when the key is missing."""
        if self.run("reg", "query", key) != 0:
            if "Unable to find the specified registry key" not in self.read_output():
                raise RuntimeError("reg query %s: %s" % (key, self.read_output()))
            return None
        values = {}
        for row in self.read_output().splitlines():
            if row.startswith("    "):
                name, kind, data = row[4:].split("    ", 2)
                values[name] = (kind, data)
        return values

    def export(self, key: str) -> bytes:
        exported = os.path.join(self.root, "export.reg")
        if self.run("reg", "export", key, exported, "/y") != 0:
            return b""
        with open(exported, "rb") as file:
            return file.read()

    def host_path(self, windows_path: str) -> str:
        drive, rest = windows_path.split(":", 1)
        return os.path.join(self.env["WINEPREFIX"], "drive_" + drive.lower(),
                            *rest.strip("\\").split("\\"))

    def write(self, windows_path: str):
        path = self.host_path(windows_path)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as file:
            file.write(b"Inhalt\r\n")

    def install_recorder(self):
        """The recorder of tests/wine as the application of the test file type."""
        path = self.host_path(RECORDER_EXE)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        shutil.copyfile(RECORDER, path)
        for key, data in (("HKCR\\" + RECORDER_TYPE, "zubtestfile"),
                          (r"HKCR\zubtestfile\shell\open\command", f'"{RECORDER_EXE}" "%1"')):
            if self.run("reg", "add", key, "/ve", "/d", data, "/f") != 0:
                raise RuntimeError("reg add " + key + ": " + self.read_output())

    def wait_for(self, path: str, done, timeout: float = 30) -> str:
        """The file's text once done(text) holds or the time is up: what the shell starts is not
        waited for."""
        deadline = time.monotonic() + timeout
        while True:
            text = ""
            if os.path.exists(path):
                with open(path, "rb") as file:
                    text = file.read().decode("utf-8", "replace")
            if done(text) or time.monotonic() > deadline:
                return text
            time.sleep(0.05)

    def opened(self) -> list:
        """What the recorder was started with, one line per start, once one start has been
        recorded; the record is emptied for the next."""
        log = self.host_path(RECORDER_EXE + ".log")
        lines = self.wait_for(log, lambda text: text.endswith("\n")).splitlines()
        if os.path.exists(log):
            os.remove(log)
        return lines

    def installed_products(self) -> list:
        """(product code, DisplayVersion) of every installed product of this name: the product
        code names its key under the Uninstall key."""
        if self.run("reg", "query", UNINSTALL_KEY, "/s") != 0:
            return []
        products, code, name = [], None, None
        for row in self.read_output().splitlines():
            if row.startswith("HKEY_"):
                code, name = row.rsplit("\\", 1)[1], None
            elif row.startswith("    DisplayName    REG_SZ    "):
                name = row.split("    ", 3)[3]
            elif row.startswith("    DisplayVersion    REG_SZ    ") and name == PRODUCT_NAME:
                products.append((code, row.split("    ", 3)[3]))
        return products

    def installed_versions(self) -> list:
        return [version for _, version in self.installed_products()]


def msi_rows(msi: str, table: str) -> list:
    exported = subprocess.run(["msiinfo", "export", msi, table], check=True,
                              capture_output=True, text=True).stdout
    return [row.split("\t") for row in exported.splitlines()[3:]]


@unittest.skipUnless(MSI and LAUNCHER and WXS and CONSOLE_DRIVER, "ZUB_MSI, ... are needed")
class Installer(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.version = dict(msi_rows(MSI, "Property"))["ProductVersion"]
        cls.wine = Wine()
        cls.addClassCleanup(cls.wine.close)
        cls.wine.run("cmd", "/c", "echo %USERPROFILE%")
        cls.profile = cls.wine.read_output().strip()
        # The same package as an older version, for the upgrade, and another build of this one.
        cls.older_msi, cls.rebuilt_msi = (os.path.join(cls.wine.root, version + ".msi")
                                          for version in (OLDER_VERSION, cls.version))
        for msi, version in ((cls.older_msi, OLDER_VERSION), (cls.rebuilt_msi, cls.version)):
            subprocess.run([os.path.join(os.path.dirname(WXS), "build_msi.sh"), version,
                            os.path.basename(LAUNCHER), msi],
                           cwd=os.path.dirname(os.path.abspath(LAUNCHER)), check=True,
                           capture_output=True)

    def tearDown(self):
        # A failed test must not leave its installation to the next one, nor a user's folder.
        self.wine.run("reg", "delete", USER_KEY, "/f")
        if self.wine.installed_versions():
            for msi in (MSI, self.older_msi, self.rebuilt_msi):
                self.wine.msiexec("/x", msi)

    def install(self, msi=MSI, expect=0, **properties):
        self.assertEqual(self.wine.msiexec("/i", msi, **properties), expect,
                         self.wine.log_tail())

    def launcher(self, install_dir: str, option: str) -> int:
        return self.wine.run(install_dir + r"\varnelo.exe", option)

    def assertInstalled(self, install_dir: str, base_dir=None, user_base_dir=None):
        """The files and values of an installation in install_dir, as the launcher writes them."""
        with open(self.wine.host_path(install_dir + r"\varnelo.exe"), "rb") as installed, \
                open(LAUNCHER, "rb") as built:
            self.assertEqual(installed.read(), built.read())
        recorded = self.wine.values(LAUNCHER_KEY)
        self.assertEqual(recorded.get(DEFAULT), ("REG_SZ", install_dir))
        self.assertEqual(recorded.get("NextCloudFolder"),
                         None if base_dir is None else ("REG_SZ", base_dir))
        self.assertEqual(self.wine.values(COMMAND_KEY),
                         {DEFAULT: ("REG_SZ", f'"{install_dir}\\varnelo.exe" "%1"')})
        # What makes it a URL scheme: "URL Protocol" there and empty, a name and an icon.
        self.assertEqual(self.wine.values(SCHEME_KEY), {DEFAULT: ("REG_SZ", "URL:zubdms Protocol"),
                                                        "URL Protocol": ("REG_SZ", "")})
        self.assertEqual(self.wine.values(ICON_KEY),
                         {DEFAULT: ("REG_SZ", f'"{install_dir}\\varnelo.exe",0')})
        self.assertEqual(self.wine.values(EVENT_SOURCE_KEY),
                         {"EventMessageFile": ("REG_SZ", install_dir + r"\varnelo.exe")})
        # The Active Setup component: the folder as given, for an upgrade, and the version.
        setup = self.wine.values(ACTIVE_SETUP_KEY)
        self.assertEqual(setup and (setup["NextCloudFolder"][1], setup["Version"][1]),
                         user_base_dir and (user_base_dir, self.version.replace(".", ",")))
        self.assertEqual(self.launcher(install_dir, "-i"),
                         BASE_DIR_NOT_SET if base_dir is None else 0)

    def assertNothingLeft(self, install_dir: str):
        self.assertFalse(os.path.exists(self.wine.host_path(install_dir)))
        for key in (LAUNCHER_KEY, SCHEME_KEY, EVENT_SOURCE_KEY, ACTIVE_SETUP_KEY):
            self.assertIsNone(self.wine.values(key), key)
        self.assertEqual(self.wine.installed_versions(), [])

    def test_install_writes_what_the_launcher_writes(self):
        self.install()
        self.assertInstalled(DEFAULT_DIR)
        # "-r" and "-l" of the installed launcher rewrite the same keys byte for byte.
        for option, key in (("-r", SCHEME_KEY), ("-l", EVENT_SOURCE_KEY)):
            written = self.wine.export(key)
            self.assertTrue(written, key)
            self.assertEqual(self.launcher(DEFAULT_DIR, option), 0, option)
            self.assertEqual(self.wine.export(key), written, option)
        self.install()  # a second time: nothing changes
        self.assertInstalled(DEFAULT_DIR)
        self.assertEqual(self.wine.installed_versions(), [self.version])
        # The scheme's and the event source's keys go as a whole, with what others added.
        for key in (SCHEME_KEY, EVENT_SOURCE_KEY + r"\Sub"):
            self.assertEqual(self.wine.run("reg", "add", key, "/v", "Other", "/d", "x", "/f"), 0)
        self.assertEqual(self.wine.msiexec("/x", MSI), 0, self.wine.log_tail())
        self.assertNothingLeft(DEFAULT_DIR)

    @unittest.skipUnless(RECORDER, "ZUB_RECORDER is needed")
    def test_links_reach_the_application_as_a_browser_hands_them_on(self):
        # Windows starts a scheme's command for a link only with "URL Protocol" on the scheme's
        # key; Wine starts it without. That value is checked with what the install writes.
        self.install(BASEDIR=r"C:\Docs")
        self.wine.install_recorder()
        plan = r"C:\Docs\Projekte\A B\Plan ä.zubt"
        for document in (r"C:\Docs\a.zubt", plan, r"C:\secret.zubt"):
            self.wine.write(document)
        for way, link, document in (
                (BROWSER, "zubdms:/a.zubt", r"C:\Docs\a.zubt"),
                (BROWSER, "zubdms:/Projekte/A%20B/Plan%20%C3%A4.zubt", plan),
                (START, "zubdms:/Projekte/A%20B/Plan%20%C3%A4.zubt", plan)):
            self.assertEqual(self.wine.run(*way, link), 0, (way, link, self.wine.read_output()))
            # What the launcher and the recorder printed, started by the run, lands in its output.
            self.assertEqual(self.wine.opened(), [document], (way, link, self.wine.read_output()))

        # Outside the base folder: start gives the launcher's code; rundll32 has ended before the
        # launcher decided, whose refusal shows as its Error event.
        outside = "zubdms:/../secret.zubt"
        self.assertEqual(self.wine.run(*START, outside), OUTSIDE_BASE_DIR)
        self.assertEqual(self.wine.run(*BROWSER, outside, debug=EVENTS), 0)
        events = parse_events(self.wine.wait_for(self.wine.output, parse_events))
        refusal = ("Fehler:\nDie zu öffnende Datei C:\\Docs\\..\\secret.zubt canonicalized to "
                   "\\\\?\\C:\\secret.zubt\nliegt nicht unter dem varnelo Basisverzeichnis "
                   "C:\\Docs\n")
        self.assertEqual([((event.type, event.id), event.text) for event in events],
                         [(ERROR_EVENT, refusal)])
        # Whatever those two had handed on would have arrived before this one.
        self.assertEqual(self.wine.run(*BROWSER, "zubdms:/a.zubt"), 0)
        self.assertEqual(self.wine.opened(), [r"C:\Docs\a.zubt"])

        self.assertEqual(self.wine.msiexec("/x", MSI), 0, self.wine.log_tail())
        self.assertNothingLeft(DEFAULT_DIR)

    def test_base_directories_are_stored_as_given(self):
        # Blanks and a trailing backslash in separate rows: Wine's command line doubles a
        # backslash before a closing quote, which msiexec then keeps.
        user = r"%USERPROFILE%\Nextcloud Daten"
        for name, base_dir, user_base_dir in (
                ("blanks", r"D:\Nextcloud Daten\ZUB Dokumente", None),
                ("trailing backslash", "C:\\Users\\Public\\Nextcloud\\", None),
                ("each user's", None, user), ("both", r"D:\Nextcloud", user)):
            with self.subTest(name):
                self.install(**{key: value for key, value in (
                    ("BASEDIR", base_dir), ("USERBASEDIR", user_base_dir)) if value})
                self.assertInstalled(DEFAULT_DIR, base_dir, user_base_dir)
                self.install()  # again without them: the values stay
                self.assertInstalled(DEFAULT_DIR, base_dir, user_base_dir)
                # A logon writes the user's folder, expanded, where the user has none.
                self.wine.run("reg", "delete", USER_KEY, "/f")
                for own in ((None, r"X:\Eigener Ordner") if user_base_dir else ()):
                    if own:
                        self.wine.run("reg", "add", USER_KEY, "/v", "NextCloudFolder", "/d", own,
                                      "/f")
                    self.assertEqual(self.wine.run(CONSOLE_DRIVER, "-stub", SETUP_ID), 0)
                    self.assertEqual(self.wine.values(USER_KEY), {"NextCloudFolder": (
                        "REG_SZ", own or user_base_dir.replace("%USERPROFILE%", self.profile))})
                self.assertEqual(self.wine.msiexec("/x", MSI), 0, self.wine.log_tail())
                self.assertNothingLeft(DEFAULT_DIR)
                # What the users' logons wrote stays, as their own "-c" does.
                self.assertEqual(self.wine.values(USER_KEY) is None, user_base_dir is None)

    def test_upgrade_replaces_the_older_version_and_keeps_its_settings(self):
        dirs = (r"C:\Zub Apps\Varnelo", r"D:\Nextcloud", r"%USERPROFILE%\Nextcloud")
        self.install(self.older_msi, **dict(zip(("INSTALLDIR", "BASEDIR", "USERBASEDIR"), dirs)))
        self.assertEqual(self.wine.installed_versions(), [OLDER_VERSION])
        self.install()
        self.assertEqual(self.wine.installed_versions(), [self.version])
        self.assertInstalled(*dirs)
        # A downgrade, or another build of this version, is refused and leaves it alone.
        for msi in (self.older_msi, self.rebuilt_msi):
            self.install(msi, expect=INSTALL_FAILURE)
        self.assertEqual(self.wine.installed_versions(), [self.version])
        self.assertInstalled(*dirs)
        # Removal takes the installed product: another build's package is unknown (Windows ends
        # with 1605, Wine 8 with 1603) and removes nothing; the product code from the Uninstall
        # key removes it.
        self.assertIn(self.wine.msiexec("/x", self.older_msi), (UNKNOWN_PRODUCT, INSTALL_FAILURE),
                      self.wine.log_tail())
        self.assertEqual(self.wine.installed_versions(), [self.version])
        [(product_code, _)] = self.wine.installed_products()
        self.assertEqual(self.wine.msiexec("/x", product_code), 0, self.wine.log_tail())
        self.assertNothingLeft(dirs[0])
        # Only an older version is removed (ICE61); the public properties are secure.
        self.assertEqual([row[2] for row in msi_rows(MSI, "Upgrade") if int(row[4]) & 0x202 == 0],
                         [self.version])
        self.assertLessEqual({"INSTALLDIR", "BASEDIR", "USERBASEDIR"}, set(
            dict(msi_rows(MSI, "Property"))["SecureCustomProperties"].split(";")))

    def test_folders_that_cannot_be_recorded_are_refused(self):
        # An installation directory with a trailing backslash, and a user's folder that breaks
        # the logon's command. Wine's msiexec drops quotes: the quote is a package's default.
        quoted = os.path.join(self.wine.root, "quoted.msi")
        shutil.copyfile(MSI, quoted)
        subprocess.run(["msibuild", quoted, "-q", "INSERT INTO Property (Property, Value) "
                        "VALUES ('USERBASEDIR', 'C:\\A\"B')"], check=True)
        user = 'USERBASEDIR must not contain any of " & | < > ^ and must not end in a backslash.'
        for msi, properties, message in (
                (MSI, {"INSTALLDIR": "C:\\Varnelo\\"}, "INSTALLDIR must not end in a backslash."),
                (MSI, {"USERBASEDIR": "C:\\A\\"}, user), (quoted, {}, user),
                *((MSI, {"USERBASEDIR": "C:\\A" + char + "B"}, user) for char in "&|<>^")):
            with self.subTest(properties or msi):
                self.assertEqual(self.wine.msiexec("/i", msi, "/qb", BOXES, **properties),
                                 INSTALL_FAILURE)
                self.assertEqual([box.text for box in parse_boxes(self.wine.read_output())],
                                 [message])
                self.assertNothingLeft(properties.get("INSTALLDIR", DEFAULT_DIR).rstrip("\\"))


if __name__ == "__main__":
    unittest.main()
