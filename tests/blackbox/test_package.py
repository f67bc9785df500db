"""Black-box tests of the Debian package: what it holds, what its maintainer scripts do to the
machine hive files of a sandbox root (installed there with dpkg --root), and zubdms: links handed
to the desktop (gio open, xdg-open) reaching the unpacked launcher and the sandbox's recorder."""

import os
import subprocess
import time
import unittest

from sandbox import LAUNCHER, LauncherTestCase, OpenTestCase, Sandbox, line, reg_string as reg

DEB = os.environ.get("ZUB_DEB", "")
LIB = "/usr/lib/zub-launcher"
HEADER = "Windows Registry Editor Version 5.00\n\n"
ADMIN = HEADER + ('[HKEY_LOCAL_MACHINE\\SOFTWARE\\varnelo\\launcher]\n'
                  '"NextCloudFolder"="/srv/ZUB"\n\n'
                  '[HKEY_LOCAL_MACHINE\\SOFTWARE\\Other]\n"x"=dword:00000001\n')


class PackageSandbox(Sandbox):
    """The open sandbox with a target root: the launcher, its desktop entry and the machine hive
    files are the target's, found through PATH and the XDG folders. No user base folder yet."""

    unpack = True

    def __init__(self):
        super().__init__()
        os.remove(os.path.join(self.config_home, "zub_launcher", "HKEY_CURRENT_USER.reg"))
        self.target = os.path.join(self.root, "target")
        self.machine = os.path.join(self.target, "etc/xdg/zub_launcher")
        self.launcher = os.path.join(self.target, "usr/bin/zub_launcher")
        self.env.update(PATH=self.target + "/usr/bin:" + self.env["PATH"],
                        XDG_DATA_DIRS=self.data_dirs + ":" + self.target + "/usr/share",
                        XDG_CONFIG_DIRS=self.target + "/etc/xdg")
        if self.unpack:
            subprocess.run(["dpkg-deb", "-x", DEB, self.target], check=True)
            # What the trigger of desktop-file-utils does on an installation.
            subprocess.run(["update-desktop-database", self.target + "/usr/share/applications"],
                           check=True)

    def dpkg(self, *args):
        for folder in ("info", "updates", "triggers"):
            os.makedirs(os.path.join(self.target, "var/lib/dpkg", folder), exist_ok=True)
        open(os.path.join(self.target, "var/lib/dpkg/status"), "a").close()
        # The caller's XDG_CONFIG_DIRS must not steer the scripts; DPKG_ROOT does.
        env = dict(os.environ, XDG_CONFIG_DIRS=self.root + "/elsewhere",
                   PATH="/usr/sbin:/usr/bin:/sbin:/bin")
        result = subprocess.run(["dpkg", "--root=" + self.target, "--force-script-chrootless",
                                 "--force-depends", "--log=/dev/null", *args],
                                env=env, capture_output=True, text=True)
        if result.returncode != 0:
            raise AssertionError("dpkg " + " ".join(args) + ": " + result.stderr)

    def machine_files(self):
        return sorted(os.listdir(self.machine)) if os.path.exists(self.machine) else None

    def hive(self, root: str) -> str:
        with open(os.path.join(self.machine, root + ".reg"), encoding="utf-8") as f:
            return f.read()


@unittest.skipUnless(DEB, "ZUB_DEB is not set")
class PackageContents(unittest.TestCase):
    def test_run_time_needs_and_icon(self):
        # GIO comes with dlopen, which dpkg-shlibdeps cannot see: the package names it itself.
        fields = subprocess.run(["dpkg-deb", "-f", DEB, "Depends", "Recommends"],
                                capture_output=True, text=True).stdout
        self.assertRegex(fields, r"^Depends: libglib2\.0-0 .*shared-mime-info, libc6 .*\n"
                                 r"Recommends: zenity\n$")
        listing = subprocess.run(["dpkg-deb", "-c", DEB], capture_output=True, text=True).stdout
        self.assertIn("./usr/share/icons/hicolor/48x48/apps/zub-launcher.png", listing)


@unittest.skipUnless(DEB, "ZUB_DEB is not set")
class MaintainerScripts(LauncherTestCase):
    class sandbox_class(PackageSandbox):
        unpack = False

    def test_install_remove_purge(self):
        command = '"' + LIB + '\\varnelo.exe" "%1"'
        rows = [
            # name, HKEY_LOCAL_MACHINE before, what stays after removing, after purging
            ("nothing there before", None, ["HKEY_LOCAL_MACHINE.reg.lock"], None),
            ("an administrator's values", ADMIN,
             ["HKEY_LOCAL_MACHINE.reg", "HKEY_LOCAL_MACHINE.reg.lock"],
             ["HKEY_LOCAL_MACHINE.reg", "HKEY_LOCAL_MACHINE.reg.lock"]),
            # The file is a link to one kept elsewhere: the link stays, and so does its file,
            # without the package's values (its lock lies beside it).
            ("a link to the administrator's file", HEADER, ["HKEY_LOCAL_MACHINE.reg"],
             ["HKEY_LOCAL_MACHINE.reg"]),
        ]
        for name, before, after_remove, after_purge in rows:
            with self.subTest(name):
                self.setUp()
                box = self.sandbox
                hive_file = os.path.join(box.machine, "HKEY_LOCAL_MACHINE.reg")
                if before:
                    os.makedirs(box.machine)
                    if before == HEADER:
                        os.symlink(os.path.join(box.root, "machine.reg"), hive_file)
                    with open(hive_file, "w") as f:
                        f.write(before)
                box.dpkg("-i", DEB)
                self.assertEqual(box.run("-c", box.base).returncode, 0)
                self.assertRun(box.run("-i"), 0, stdout=line(
                    "Launcher Installationsverzeichnis " + LIB + "\nVarnelo Verzeichnis " +
                    box.base + "\nregistered command for zubdms " + command))
                # The command names the launcher; the event source is its real path, as "-l"
                # of the installed launcher records it.
                self.assertEqual(os.path.realpath(box.target + LIB + "/varnelo.exe"),
                                 box.target + LIB + "/zub_launcher")
                self.assertIn('"EventMessageFile"=' + reg(LIB + "/zub_launcher"),
                              box.hive("HKEY_LOCAL_MACHINE"))
                # "-r" of the installed launcher writes the very same.
                registered = box.hive("HKEY_CLASSES_ROOT")
                self.assertRun(box.run("-r"), 0,
                               stdout=line("Launcher wurde erfolgreich registriert!"))
                self.assertEqual(box.hive("HKEY_CLASSES_ROOT"), registered)

                box.dpkg("-r", "zub-launcher")
                self.assertEqual(box.machine_files(),
                                 sorted(after_remove + ["HKEY_CLASSES_ROOT.reg.lock"]))
                self.assertEqual(os.path.islink(hive_file), before == HEADER)
                if before:
                    machine = box.hive("HKEY_LOCAL_MACHINE")
                    self.assertNotIn(LIB, machine)
                if before == ADMIN:
                    self.assertIn('"NextCloudFolder"="/srv/ZUB"', machine)
                    self.assertIn("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Other]", machine)
                box.dpkg("-P", "zub-launcher")
                self.assertEqual(box.machine_files(), after_purge)
                # The user's base folder stays: only the installation is missing now.
                box.launcher = LAUNCHER
                self.assertEqual(box.run("-i").returncode, 11)

    @unittest.skipUnless(os.geteuid() == 0, "needs root, to try the lock files as user nobody")
    def test_no_other_user_can_stall_the_writers(self):
        """User nobody tries to hold each lock file (earlier versions left them 0644) with flock
        and with an fcntl read lock: root's writes and the maintainer scripts go on at once."""
        box = self.sandbox
        locks = [os.path.join(box.machine, "HKEY_LOCAL_MACHINE.reg.lock"),
                 os.path.join(box.machine, "HKEY_CLASSES_ROOT.reg.lock"),
                 os.path.join(box.config_home, "zub_launcher", "HKEY_CURRENT_USER.reg.lock")]
        os.makedirs(box.machine)
        os.chmod(box.root, 0o755)
        for lock in locks:
            os.close(os.open(lock, os.O_CREAT | os.O_WRONLY, 0o644))
        box.dpkg("-i", DEB)
        self.assertEqual(box.run("-c", box.base).returncode, 0)
        self.assertEqual([os.stat(lock).st_mode & 0o777 for lock in locks], [0o600] * 3)
        read_lock = "import fcntl, sys, time; fcntl.lockf(open(sys.argv[1]), fcntl.LOCK_SH); " \
                    "print('held', flush=True); time.sleep(60)"
        for lock in locks:
            for holder in (["flock", "-x", lock, "sh", "-c", "echo held; exec sleep 60"],
                           ["/usr/bin/python3", "-c", read_lock, lock]):
                process = subprocess.Popen(
                    ["setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups", *holder],
                    stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, start_new_session=True)
                self.addCleanup(process.communicate)
                self.addCleanup(os.killpg, process.pid, 9)
                process.stdout.readline()  # once it holds the lock, or has given up
        started = time.monotonic()
        self.assertEqual([box.run(*args).returncode for args in (["-x"], ["-l"], ["-c", "/neu"])],
                         [0, 0, 0])
        box.dpkg("-r", "zub-launcher")
        box.dpkg("-i", DEB)
        self.assertLess(time.monotonic() - started, 10)

    def test_removal_keeps_what_others_changed_since(self):
        box = self.sandbox
        box.dpkg("-i", DEB)
        # Another product takes the scheme over; another copy of the launcher the event source.
        other = '"/opt/viewer" "%1"'
        with open(os.path.join(box.machine, "HKEY_CLASSES_ROOT.reg"), "w") as f:
            f.write(HEADER + "[HKEY_CLASSES_ROOT\\zubdms\\shell\\open\\command]\n@=" +
                    reg(other) + "\n")
        self.assertEqual(box.run("-l").returncode, 0)
        box.dpkg("-r", "zub-launcher")
        self.assertIn("@=" + reg(other), box.hive("HKEY_CLASSES_ROOT"))
        machine = box.hive("HKEY_LOCAL_MACHINE")
        self.assertIn('"EventMessageFile"=' + reg(box.target + LIB + "/zub_launcher"), machine)
        self.assertNotIn("@=", machine)

    def test_a_damaged_machine_file_stops_the_configuration_and_says_so(self):
        """So does one that another user may change (as root: nobody's), naming it and its owner."""
        rows = [("damaged", ADMIN + "[broken\n", 0, r"HKEY_LOCAL_MACHINE\.reg: .*\(The registry "
                 r"is corrupted\..*, status 1015\)"),
                ("nobody's", ADMIN, 65534,
                 r"status 5\)\n.*/HKEY_LOCAL_MACHINE\.reg belongs to nobody")]
        for name, content, owner, names in rows[:1 if os.geteuid() else 2]:
            with self.subTest(name):
                self.setUp()
                hive = os.path.join(self.sandbox.machine, "HKEY_LOCAL_MACHINE.reg")
                os.makedirs(self.sandbox.machine)
                with open(hive, "w") as f:
                    f.write(content)
                if owner:
                    os.chown(hive, owner, owner)
                with self.assertRaisesRegex(AssertionError, names):
                    self.sandbox.dpkg("-i", DEB)
                self.assertEqual(self.sandbox.hive("HKEY_LOCAL_MACHINE"), content)


@unittest.skipUnless(DEB, "ZUB_DEB is not set")
class DesktopHandOver(OpenTestCase):
    """The link goes the way a browser sends it; the launcher it reaches is the package's."""

    sandbox_class = PackageSandbox

    def test_links_reach_the_launcher(self):
        box = self.sandbox
        self.assertEqual(box.run("-c", box.base).returncode, 0)
        plan = box.write("Docs/Projekte/Plan.txt")
        box.write("secret.txt")
        refused = line("Fehler:\nDie zu öffnende Datei " + box.base + "\\..\\secret.txt "
                       "canonicalized to " + box.root + "/secret.txt\nliegt nicht unter dem "
                       "varnelo Basisverzeichnis " + box.base + "\n")
        # gio open hands the link on and does not wait; xdg-open goes through gio in a GNOME
        # session, and without one runs the desktop entry itself and waits for it (17 becomes
        # its 4), but only with a display (it ends with 3 otherwise; the launcher needs none).
        routes = [
            ("gio open", ["gio", "open"], {}, 0),
            ("xdg-open, GNOME", ["xdg-open"], {"XDG_CURRENT_DESKTOP": "GNOME"}, 0),
            ("xdg-open, no desktop", ["xdg-open"], {"DISPLAY": ":99"}, 4),
        ]
        for name, program, env, refused_code in routes:
            with self.subTest(name):
                result = box.run_program(*program, "zubdms:/Projekte/Plan.txt", **env)
                self.assertEqual((result.returncode, result.stderr), (0, b""), name)
                result = box.run_program(*program, "zubdms:/../secret.txt", **env)
                self.assertEqual((result.returncode, result.stderr), (refused_code, refused), name)
        # What the refusal looks like when the launcher is called itself.
        self.assertRun(box.run("zubdms:/../secret.txt"), 17, stderr=refused)
        self.assertNothingOpenedBesides("control.txt", earlier=[plan] * 3)


if __name__ == "__main__":
    unittest.main()
