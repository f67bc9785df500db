"""Stress of the Linux registry stand-in through the built launcher: many writers at once,
writers killed at any moment, and writers of other programs that follow the same lock. Every
hive file must stay readable and lose no write."""

import concurrent.futures
import fcntl
import os
import random
import re
import signal
import struct
import subprocess
import time
import unittest

from sandbox import LAUNCHER, Sandbox

HEADER = "Windows Registry Editor Version 5.00"
LAUNCHER_KEY = "[HKEY_CURRENT_USER\\SOFTWARE\\varnelo\\launcher]"
BASE_DIR_VALUE = re.compile(r'^"NextCloudFolder"="((?:[^"\\]|\\.)*)"$', re.MULTILINE)


def base_dir_in(hive: str):
    """The base directory in a user hive file, None without one; fails on anything torn."""
    if not os.path.exists(hive):
        return None
    with open(hive, encoding="utf-8") as f:
        text = f.read()
    assert text.startswith(HEADER + "\n") and text.endswith("\n"), text[:100] + text[-100:]
    values = BASE_DIR_VALUE.findall(text)
    assert len(values) == text.count('"NextCloudFolder"') <= 1, text[:100] + text[-100:]
    assert not values or LAUNCHER_KEY in text, text[:400]
    return re.sub(r"\\(.)", r"\1", values[0]) if values else None


def leftovers(hive: str) -> list:
    folder, name = os.path.split(hive)
    return [entry for entry in os.listdir(folder) if entry.startswith("." + name + ".")]


def add_section_as_another_program(hive: str, key: str):
    """What another program that honours the lock does: read, change and replace the file
    while holding an fcntl write lock (of its open file, as fcntl.lockf's would not keep out the
    other threads of this process)."""
    with open(hive + ".lock", "a") as lock:
        fcntl.fcntl(lock, fcntl.F_OFD_SETLKW, struct.pack("hhqqi", fcntl.F_WRLCK, 0, 0, 0, 0))
        with open(hive, encoding="utf-8") as f:
            text = f.read()
        text += "[" + key + "]\n\n"
        temporary = hive + ".other"
        with open(temporary, "w", encoding="utf-8") as f:
            f.write(text)
            f.flush()
            os.fsync(f.fileno())
        os.rename(temporary, hive)


@unittest.skipUnless(LAUNCHER, "ZUB_LAUNCHER is not set")
class RegistryStress(unittest.TestCase):
    def setUp(self):
        self.sandbox = Sandbox()
        self.addCleanup(self.sandbox.cleanup)
        self.user_hive = os.path.join(self.sandbox.config_home, "zub_launcher",
                                      "HKEY_CURRENT_USER.reg")
        self.machine_folder = os.path.join(self.sandbox.env["XDG_CONFIG_DIRS"], "zub_launcher")

    def start(self, *args, env=None):
        return subprocess.Popen([LAUNCHER, *args], env=env or self.sandbox.env,
                                stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                stderr=subprocess.PIPE)

    def finish(self, process) -> int:
        _, err = process.communicate(timeout=60)
        self.assertNotIn(b"Sanitizer", err)
        return process.returncode

    def run_all(self, commands):
        """Starts every command at once; their exit codes in order."""
        processes = [self.start(*args) for args in commands]
        return [self.finish(process) for process in processes]

    def reported_base_dir(self, env=None) -> str:
        result = subprocess.run([LAUNCHER, "-i"], env=env or self.sandbox.env,
                                stdin=subprocess.DEVNULL, capture_output=True, timeout=60)
        found = re.search(rb"^Varnelo Verzeichnis (.*)$", result.stdout, re.MULTILINE)
        self.assertIsNotNone(found, result.stdout + result.stderr)
        return found.group(1).decode()

    def test_concurrent_base_dir_writers(self):
        values = ["/daten/%03d" % i for i in range(100)]
        self.assertEqual(self.run_all([["-c", value] for value in values]), [0] * 100)
        stored = base_dir_in(self.user_hive)
        self.assertIn(stored, values)
        self.assertEqual(self.reported_base_dir(), stored)
        self.assertEqual(leftovers(self.user_hive), [])

    def test_a_writer_gives_up_on_a_lock_held_throughout_its_wait(self):
        """About ten seconds, then "-c" fails and the file stays; a reader does not wait. The
        flock of earlier versions holds it up as well."""
        self.assertEqual(self.finish(self.start("-c", "/alt")), 0)
        for hold in (lambda lock: fcntl.lockf(lock, fcntl.LOCK_EX),
                     lambda lock: fcntl.flock(lock, fcntl.LOCK_EX)):
            with open(self.user_hive + ".lock", "r+") as lock:
                hold(lock)
                started, writer = time.monotonic(), self.start("-c", "/neu")
                self.assertEqual(self.reported_base_dir(), "/alt")
                self.assertIsNone(writer.poll())
                self.assertEqual(self.finish(writer), 7)
                self.assertGreater(time.monotonic() - started, 9.5)
            self.assertEqual(base_dir_in(self.user_hive), "/alt")
        self.assertEqual(self.finish(self.start("-c", "/neu")), 0)

    def test_killed_writers_leave_the_old_or_the_new_file(self):
        """200 writers killed at random moments, in four sandboxes at once to keep it short.
        Large values make the write take long enough to be hit."""
        lanes = [Sandbox() for _ in range(4)]
        for lane in lanes:
            self.addCleanup(lane.cleanup)
        # How long undisturbed writes of a middling value take here, one in each sandbox at
        # once as below, to spread the kills over that time.
        started = time.monotonic()
        writers = [self.start("-c", "/start/" + "x" * 50000, env=lane.env) for lane in lanes]
        self.assertEqual([self.finish(writer) for writer in writers], [0] * len(lanes))
        duration = time.monotonic() - started

        def lane_run(lane_index: int):
            env = lanes[lane_index].env
            hive = os.path.join(env["XDG_CONFIG_HOME"], "zub_launcher", "HKEY_CURRENT_USER.reg")
            rng = random.Random(lane_index)
            previous = base_dir_in(hive)
            outcomes = {"old": 0, "new": 0, "temporary left": 0}
            for i in range(50):
                value = "/lane%d/%03d/" % (lane_index, i) + "x" * rng.randrange(100000)
                process = self.start("-c", value, env=env)
                time.sleep(rng.uniform(0, 1.2) * duration)
                process.send_signal(signal.SIGKILL)
                process.communicate(timeout=60)
                stored = base_dir_in(hive)
                if stored != previous:
                    self.assertEqual(stored, value, "run %d of lane %d" % (i, lane_index))
                outcomes["new" if stored == value else "old"] += 1
                outcomes["temporary left"] += len(leftovers(hive)) > 0
                previous = stored
            # The next writer is not hindered, and nothing of the killed ones stays behind.
            self.assertEqual(self.finish(self.start("-c", "/final", env=env)), 0)
            self.assertEqual(self.reported_base_dir(env), "/final")
            self.assertEqual(leftovers(hive), [])
            return outcomes

        with concurrent.futures.ThreadPoolExecutor(len(lanes)) as pool:
            lane_outcomes = [done.result()
                             for done in [pool.submit(lane_run, i) for i in range(len(lanes))]]
        # The kills hit writers before and after their rename alike.
        totals = {kind: sum(lane[kind] for lane in lane_outcomes) for kind in lane_outcomes[0]}
        self.assertGreater(totals["old"], 0, totals)
        self.assertGreater(totals["new"], 0, totals)

    def test_writers_of_other_hives_and_other_programs_lose_nothing(self):
        os.makedirs(self.machine_folder)
        with open(os.path.join(self.machine_folder, "HKEY_LOCAL_MACHINE.reg"), "w") as f:
            f.write(HEADER + "\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\varnelo\\launcher]\n"
                    '@="/opt/varnelo"\n\n')
        self.assertEqual(self.finish(self.start("-c", "/daten/start")), 0)
        values = ["/daten/%02d" % i for i in range(30)]
        others = ["HKEY_CURRENT_USER\\SOFTWARE\\Andere\\Programm%02d" % i for i in range(30)]

        # "-c" (user hive), "-r" (classes root, reads the machine hive) and "-l" (machine hive)
        # all at once, while another program adds its own keys to the user hive.
        commands = [["-c", value] for value in values] + [["-r"]] * 10 + [["-l"]] * 10
        random.Random(7).shuffle(commands)
        with concurrent.futures.ThreadPoolExecutor(4) as pool:
            added = [pool.submit(add_section_as_another_program, self.user_hive, key)
                     for key in others]
            codes = self.run_all(commands)
            for done in added:
                done.result()
        self.assertEqual(codes, [0] * len(commands))

        self.assertIn(base_dir_in(self.user_hive), values)
        with open(self.user_hive, encoding="utf-8") as f:
            user = f.read()
        self.assertEqual([key for key in others if "[" + key + "]" not in user], [])
        result = subprocess.run([LAUNCHER, "-i"], env=self.sandbox.env, stdin=subprocess.DEVNULL,
                                capture_output=True, timeout=60)
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
        with open(os.path.join(self.machine_folder, "HKEY_LOCAL_MACHINE.reg")) as f:
            machine = f.read()
        self.assertIn('@="/opt/varnelo"', machine)
        self.assertIn('"EventMessageFile"="' + LAUNCHER + '"', machine)


if __name__ == "__main__":
    unittest.main()
