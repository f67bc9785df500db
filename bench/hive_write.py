"""What one write of a user hive costs the launcher: "-c" on hive files of deep keys whose parent
sections are left out (each chain names only its deepest key), and on a plain file of the same
size for comparison; "-i", which only reads the file, beside it. Prints, per case and command:
the file's size before, its size after, whether it changed, the exit code, wall time and peak
resident memory (from /usr/bin/time -v).

    /usr/bin/python3 bench/hive_write.py [path/to/zub_launcher]

Run it through bench/hive_write.sh, which builds the launcher first."""

import os
import re
import shutil
import subprocess
import sys
import tempfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
HEADER = "Windows Registry Editor Version 5.00\n\n"
BASE_KEY = "[HKEY_CURRENT_USER\\SOFTWARE\\varnelo\\launcher]\n"


def deep_chains(chains: int, levels: int = 500) -> str:
    """`chains` keys `levels` below the root key, each under its own first key, without the
    sections of the keys above them."""
    deep = "\\k" * (levels - 1)
    sections = ["[HKEY_CURRENT_USER\\c%05d%s]\n" % (i, deep) for i in range(chains)]
    return HEADER + BASE_KEY + '"NextCloudFolder"="/alt"\n\n' + "".join(sections)


def plain(size: int) -> str:
    """About `size` bytes of ordinary values, all in one key."""
    lines = ['"v%07d"="%s"\n' % (i, "x" * 60) for i in range(size // 73)]
    return HEADER + BASE_KEY + '"NextCloudFolder"="/alt"\n' + "".join(lines)


def measure(launcher: str, name: str, content: str, args: list) -> str:
    root = tempfile.mkdtemp(prefix="zub_hive_bench_")
    try:
        hive = os.path.join(root, "config", "zub_launcher", "HKEY_CURRENT_USER.reg")
        os.makedirs(os.path.dirname(hive))
        with open(hive, "w", encoding="utf-8") as f:
            f.write(content)
        before = os.path.getsize(hive)
        env = {"HOME": root, "XDG_CONFIG_HOME": os.path.join(root, "config"),
               "XDG_CONFIG_DIRS": os.path.join(root, "xdg"), "PATH": "/usr/bin:/bin",
               "LANG": "C.UTF-8"}
        result = subprocess.run(["/usr/bin/time", "-v", launcher, *args], env=env,
                                stdin=subprocess.DEVNULL, capture_output=True, text=True,
                                timeout=600)
        figures = dict(re.findall(r"^\s*(.+?): (.+)$", result.stderr, re.MULTILINE))
        after = os.path.getsize(hive)
        with open(hive, encoding="utf-8") as f:
            changed = f.read() != content
        return "%-24s %-8s %10d %10d %-7s %4d %10s %9.1f" % (
            name, " ".join(args), before, after, "yes" if changed else "no", result.returncode,
            figures["Elapsed (wall clock) time (h:mm:ss or m:ss)"],
            int(figures["Maximum resident set size (kbytes)"]) / 1024)
    finally:
        shutil.rmtree(root, ignore_errors=True)


def main():
    launcher = sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, "build", "linux",
                                                                   "zub_launcher")
    cases = [
        ("50 chains of 500 keys", deep_chains(50)),
        ("300 chains of 500 keys", deep_chains(300)),
        ("1000 chains of 500 keys", deep_chains(1000)),
        ("plain, 1 MB", plain(1000000)),
    ]
    print("%-24s %-8s %10s %10s %-7s %4s %10s %9s" % ("case", "command", "bytes", "after",
                                                      "changed", "exit", "wall", "RSS MiB"))
    for name, content in cases:
        for args in (["-i"], ["-c", "/neu"]):
            print(measure(launcher, name, content, args), flush=True)


if __name__ == "__main__":
    main()
