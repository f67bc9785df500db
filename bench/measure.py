"""Measures the built launcher against its performance targets and prints one table.

Whole-process figures come from zub_spawn_timer, which runs the commands of one comparison in
turn, round after round (so a busy machine slows both sides alike), lets whatever a run started
end before the next run begins, and reports each run's wall time, peak resident memory and CPU
time. Every run happens in the black-box tests' sandbox: its own HOME, XDG folders and registry
hives, a recorder as the only default application, no display.

A figure is the mean of the middle 80 % of a command's run times, not their median. The times of
an open do not spread evenly: they gather at steps about 4 ms apart, for the launcher and
`gio open` alike. The steps come at the end of the process, whose last thread waits for kernel
work that runs on the timer tick (seen with `perf sched timehist`: a kworker woken as the
process ends and done one or more ticks later; GIO's inotify watches are the likely cause). A
median jumps from one step to the next as the runs happen to fall: the open figure of the
median moved between 0.7x and 1.5x from one run of the same build to the next. The trimmed mean
moves with the share of runs at each step and leaves out the slowest and the fastest tenth; the
open is measured over more runs (--open-rounds) so that this share settles.

Run it through bench/run.sh, which builds what it needs first."""

import argparse
import errno
import os
import shutil
import statistics
import subprocess
import sys
import tempfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "tests", "blackbox"))
from sandbox import LONGEST_ARGUMENT, Sandbox  # noqa: E402

LAUNCHER = os.path.join(ROOT, "build", "linux", "zub_launcher")
SPAWN_TIMER = os.path.join(ROOT, "build", "linux", "bench", "zub_spawn_timer")
LINK_BENCH = os.path.join(ROOT, "build", "linux", "bench", "zub_link_bench")
WINDOWS_EXE = os.path.join(ROOT, "build", "windows", "zub_launcher.exe")
GIO = shutil.which("gio") or "/usr/bin/gio"
TRUE = "/bin/true"

MIB = 1024 * 1024
KIB = 1024
OPEN_RATIO = 1.0      # opening: at most as long as `gio open`
OTHER_RATIO = 2.0     # every other action: at most twice /bin/true
LONG_LINK_MS = 20.0   # a 1 MiB link refused within this
RSS_KIB = 8 * KIB     # peak resident memory of any action
EXE_BYTES = 300 * KIB


TRIM = 0.1  # share of the runs left out at either end of the sorted times


def trimmed_mean(values):
    ordered = sorted(values)
    cut = int(len(ordered) * TRIM)
    return statistics.mean(ordered[cut:len(ordered) - cut])


class Measurement:
    def __init__(self, label, times_ns, rss_kib, statuses, cpu_us):
        self.label = label
        self.time_ms = trimmed_mean(times_ns) / 1e6
        self.cpu_ms = trimmed_mean(cpu_us) / 1e3
        self.rss_kib = max(rss_kib)
        self.statuses = set(statuses)


def spawn_timed(commands, env, rounds, warmup, folder):
    """commands: list of (label, argv, expected exit code). Returns one Measurement each."""
    files = []
    for index, (_, argv, _) in enumerate(commands):
        path = os.path.join(folder, "command%d" % index)
        with open(path, "wb") as f:
            for word in argv:
                f.write((word if isinstance(word, bytes) else word.encode()) + b"\0")
        files.append(path)
    out = subprocess.run([SPAWN_TIMER, str(rounds), str(warmup)] + files, env=env,
                         cwd=folder, check=True, capture_output=True, text=True).stdout
    runs = [[] for _ in commands]
    for row in out.splitlines():
        index, ns, rss, status, cpu = (int(x) for x in row.split())
        runs[index].append((ns, rss, status, cpu))
    results = []
    for (label, _, expected), rows in zip(commands, runs):
        m = Measurement(label, [r[0] for r in rows], [r[1] for r in rows],
                        [os.waitstatus_to_exitcode(r[2]) for r in rows], [r[3] for r in rows])
        if m.statuses != {expected}:
            sys.exit("%s: exit codes %s, expected %d" % (label, sorted(m.statuses), expected))
        results.append(m)
    return results


class Table:
    def __init__(self):
        self.rows = []

    def add(self, figure, measured, target, passed):
        """passed: True, False, or None for a figure given for reference."""
        result = "-" if passed is None else "pass" if passed else "MISS"
        self.rows.append((figure, measured, target, result))

    def time_ratio(self, m, base, limit):
        ratio = m.time_ms / base.time_ms
        self.add("%s: time vs %s" % (m.label, base.label),
                 "%.2f / %.2f ms = %.2fx" % (m.time_ms, base.time_ms, ratio),
                 "<= %.1fx" % limit, ratio <= limit)

    def cpu_ratio(self, m, base):
        """For reference: the CPU time of the command and the children it waited for, which a
        busy machine hardly changes (the application it started is not counted)."""
        ratio = m.cpu_ms / base.cpu_ms
        self.add("reference: %s: CPU time vs %s" % (m.label, base.label),
                 "%.2f / %.2f ms = %.2fx" % (m.cpu_ms, base.cpu_ms, ratio), "-", None)

    def time_absolute(self, m, base, limit_ms):
        self.add("%s: time" % m.label,
                 "%.2f ms (%s: %.2f ms)" % (m.time_ms, base.label, base.time_ms),
                 "<= %.0f ms" % limit_ms, m.time_ms <= limit_ms)

    def rss(self, m):
        self.add("%s: max RSS" % m.label, "%.1f MiB" % (m.rss_kib / KIB), "<= 8 MiB",
                 m.rss_kib <= RSS_KIB)

    def print(self):
        header = ("figure", "measured", "target", "result")
        widths = [max(len(r[i]) for r in self.rows + [header]) for i in range(4)]
        for row in [header, tuple("-" * w for w in widths)] + self.rows:
            print("  ".join(cell.ljust(w) for cell, w in zip(row, widths)).rstrip())
        misses = sum(r[3] == "MISS" for r in self.rows)
        print("\n%d figures, %d pass, %d miss" % (len(self.rows), len(self.rows) - misses, misses))
        return misses


def prepare(sandbox):
    """A configured, registered launcher, and the documents the runs use."""
    hive = os.path.join(sandbox.env["XDG_CONFIG_DIRS"], "zub_launcher", "HKEY_LOCAL_MACHINE.reg")
    os.makedirs(os.path.dirname(hive))
    with open(hive, "w", encoding="utf-8") as f:
        f.write("Windows Registry Editor Version 5.00\n\n"
                "[HKEY_LOCAL_MACHINE\\SOFTWARE\\varnelo\\launcher]\n"
                '@="C:\\\\Programme\\\\Varnelo"\n')
    subprocess.run([LAUNCHER, "-r"], env=sandbox.env, check=True, capture_output=True)
    sandbox.write("secret.txt")
    return sandbox.write("Docs/Projekte/Plan.pdf", b"%PDF-1.4\n")


def long_links():
    """The longest single link Linux passes, refused two ways, and a 1 MiB link split over
    arguments of that length: the first piece is the link, the rest are surplus arguments.
    Each comes with /bin/true given the same arguments: what the kernel's copy of the
    arguments costs on its own."""
    escapes = "zubdms:/" + "%2E%2E%2F" * ((LONGEST_ARGUMENT - 11) // 9) + "%FF"
    no_scheme = "x" * LONGEST_ARGUMENT
    whole = "zubdms:/" + "%2E%2E%2F" * ((MIB - 8) // 9)
    whole += "a" * (MIB - len(whole))
    pieces = [whole[i:i + LONGEST_ARGUMENT] for i in range(0, MIB, LONGEST_ARGUMENT)]
    assert max(map(len, [escapes, no_scheme] + pieces)) <= LONGEST_ARGUMENT
    rows = [
        ("refused 128 KiB link, code 15", [escapes], 15),
        ("refused 128 KiB link, code 14", [no_scheme], 14),
        ("1 MiB link in %d arguments, code 9" % len(pieces), pieces, 9),
    ]
    commands = []
    for label, arguments, code in rows:
        commands.append((label, [LAUNCHER] + arguments, code))
        commands.append(("/bin/true, same arguments", [TRUE] + arguments, 0))
    return commands


def argument_limit(table):
    """Linux refuses a single argument longer than MAX_ARG_STRLEN (128 KiB with its NUL)."""
    subprocess.run([TRUE, "x" * LONGEST_ARGUMENT], check=True)
    try:
        subprocess.run([TRUE, "x" * (LONGEST_ARGUMENT + 1)])
        refused = "accepted"
    except OSError as error:
        refused = errno.errorcode.get(error.errno, str(error.errno))
    if refused != "E2BIG":
        sys.exit("a single argument of %d bytes was %s" % (LONGEST_ARGUMENT + 1, refused))
    table.add("longest single argument Linux passes", "%d bytes (one more: %s)" %
              (LONGEST_ARGUMENT, refused), "-", None)


def in_process(table):
    out = subprocess.run([LINK_BENCH], check=True, capture_output=True, text=True).stdout
    for row in out.splitlines():
        name, size, ns, code = row.split()
        ms = int(ns) / 1e6
        table.add("1 MiB link check in process: %s (%s bytes, code %s)" % (name, size, code),
                  "%.2f ms" % ms, "<= %.0f ms" % LONG_LINK_MS, ms <= LONG_LINK_MS)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--rounds", type=int, default=200, help="measured runs per command")
    parser.add_argument("--open-rounds", type=int, default=600,
                        help="measured runs of the open and of gio open")
    parser.add_argument("--warmup", type=int, default=10, help="unmeasured runs first")
    args = parser.parse_args()

    sandbox = Sandbox()
    work = tempfile.mkdtemp(prefix="zub_bench_")
    try:
        document = prepare(sandbox)
        env = sandbox.env
        table = Table()
        timed = lambda commands: spawn_timed(commands, env, args.rounds, args.warmup, work)

        launcher_open, gio_open = spawn_timed([
            ("open (launcher)", [LAUNCHER, "zubdms:/Projekte/Plan.pdf"], 0),
            ("gio open", [GIO, "open", document], 0),
        ], env, args.open_rounds, args.warmup, work)
        # Each run's application has ended before the next run: every open has arrived.
        opened = sandbox.opened()
        if len(opened) != 2 * (args.open_rounds + args.warmup) or set(opened) != {document}:
            sys.exit("the recorder saw %d opens, expected %d" %
                     (len(opened), 2 * (args.open_rounds + args.warmup)))
        table.time_ratio(launcher_open, gio_open, OPEN_RATIO)
        table.cpu_ratio(launcher_open, gio_open)

        true, *others = timed([
            ("/bin/true", [TRUE], 0),
            ("-h", [LAUNCHER, "-h"], 0),
            ("-i", [LAUNCHER, "-i"], 0),
            ("refused link, code 14", [LAUNCHER, "http://example/a.pdf"], 14),
            ("refused link, code 15", [LAUNCHER, b"zubdms:/\xff.pdf"], 15),
            ("refused link, code 17", [LAUNCHER, "zubdms:/../secret.txt"], 17),
        ])
        for m in others:
            table.time_ratio(m, true, OTHER_RATIO)

        argument_limit(table)
        long_runs = timed(long_links())
        longs = long_runs[0::2]
        for m, same_arguments in zip(longs, long_runs[1::2]):
            table.time_absolute(m, same_arguments, LONG_LINK_MS)
        in_process(table)

        for m in [launcher_open] + others + longs:
            table.rss(m)
        table.add("reference: max RSS of gio open, /bin/true", "%.1f MiB, %.1f MiB" %
                  (gio_open.rss_kib / KIB, true.rss_kib / KIB), "-", None)

        if os.path.exists(WINDOWS_EXE):
            size = os.path.getsize(WINDOWS_EXE)
            table.add("size of build/windows/zub_launcher.exe", "%d bytes (%.1f KiB)" %
                      (size, size / KIB), "<= 300 KiB", size <= EXE_BYTES)
        else:
            table.add("size of build/windows/zub_launcher.exe", "not built", "<= 300 KiB", False)

        print("%d measured runs per command (%d of the open and of gio open) after %d warm-up "
              "runs; means of the middle 80 %% of wall (and CPU) times\n" %
              (args.rounds, args.open_rounds, args.warmup))
        return 1 if table.print() else 0
    finally:
        sandbox.cleanup()
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
