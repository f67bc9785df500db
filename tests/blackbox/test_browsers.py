"""Black-box tests with real browsers under Xvfb: a zubdms: link clicked on a page served from
127.0.0.1 goes through the browser's own hand-over to the desktop (Chromium: xdg-open, Firefox:
GIO) to the launcher of the Debian package, unpacked into a sandbox, and from there to the
sandbox's recorder. The browsers' machine-wide policy decides whether the link starts at once;
that policy file is the only change to the machine, and each test removes it again."""

import fcntl
import functools
import http.server
import json
import os
import shutil
import socket
import subprocess
import sys
import threading
import time
import unittest

from sandbox import LauncherTestCase
from test_package import DEB, PackageSandbox

try:
    from selenium import webdriver
    from selenium.webdriver.chrome.service import Service
    from selenium.webdriver.common.by import By
except ImportError:
    webdriver = None

WAIT = 30           # for anything that is to arrive, however loaded the machine
NOTHING_WITHIN = 5  # how long a link that must not open is given (it arrives in under a second)

PAGE_LINKS = {
    "plan": "zubdms:/Projekte/Plan.txt",
    "control": "zubdms:/control.txt",
    # Ways out of the base folder. Both browsers resolve "." and ".." segments of the path
    # themselves (also as %2E): the first reaches the launcher as zubdms:/secret.txt.
    "dots": "zubdms:/../secret.txt",
    "escaped_slash": "zubdms:/%2e%2e%2Fsecret.txt",
    "escaped_backslash": "zubdms:/..%5Csecret.txt",
    "backslashes": "zubdms:\\..\\secret.txt",
}


def missing(*programs) -> str:
    absent = [p for p in programs if not shutil.which(p)]
    return "not installed: " + ", ".join(absent) if absent else ""


class BrowserSandbox(PackageSandbox):
    """The package sandbox with a display, a page of links served from 127.0.0.1 and a message box
    that records what the launcher shows (a real one would wait for a click)."""

    def __init__(self):
        super().__init__()
        self.boxes = os.path.join(self.root, "message_boxes")
        bin_dir = os.path.join(self.root, "bin")
        os.makedirs(bin_dir)
        with open(os.path.join(bin_dir, "zenity"), "w") as f:
            f.write("#!/bin/sh\nprintf '%s\\037' \"$@\" >> " + self.boxes +
                    "\nprintf '\\036' >> " + self.boxes + "\n")
        os.chmod(os.path.join(bin_dir, "zenity"), 0o755)
        self.env["PATH"] = bin_dir + ":" + self.env["PATH"]

        self.xvfb = subprocess.Popen(["Xvfb", "-displayfd", "1", "-nolisten", "tcp", "-screen", "0",
                                      "1280x1024x24"], stdout=subprocess.PIPE,
                                     stderr=subprocess.DEVNULL)
        display = self.xvfb.stdout.readline().decode().strip()
        if not display:
            raise AssertionError("Xvfb did not start")
        self.env["DISPLAY"] = ":" + display

        www = os.path.join(self.root, "www")
        os.makedirs(www)
        with open(os.path.join(www, "index.html"), "w") as f:
            f.write("<!DOCTYPE html>\n" + "".join('<p><a id="%s" href="%s">%s</a></p>\n' % (
                name, link, name) for name, link in PAGE_LINKS.items()))
        handler = functools.partial(QuietHandler, directory=www)
        self.server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
        threading.Thread(target=self.server.serve_forever, daemon=True).start()
        self.origin = "http://127.0.0.1:%d" % self.server.server_address[1]

    def cleanup(self):
        self.server.shutdown()
        self.server.server_close()
        self.xvfb.kill()
        self.xvfb.wait()
        self.xvfb.stdout.close()
        super().cleanup()

    def messages(self, expect: int) -> list:
        """The texts of the message boxes shown, once `expect` of them have been."""
        deadline = time.monotonic() + WAIT
        while True:
            shown = []
            if os.path.exists(self.boxes):
                with open(self.boxes, encoding="utf-8", errors="surrogateescape") as f:
                    calls = f.read().split("\036")[:-1]
                shown = [a[len("--text="):] for call in calls for a in call.split("\037")
                         if a.startswith("--text=")]
            if len(shown) >= expect or time.monotonic() > deadline:
                return shown
            time.sleep(0.05)


class QuietHandler(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *args):
        pass


class PolicyFile:
    """A browser's machine-wide policy file, written for one test and removed again with the
    folders it needed."""

    def __init__(self, path: str, policies: dict, shared: bool = False):
        self.path = path
        self.shared = shared  # Firefox's one file, which the machine may have already
        self.text = json.dumps({"policies": policies} if shared else policies, indent=2)
        self.made = []
        self.written = False

    def install(self):
        if self.shared and os.path.exists(self.path):
            raise unittest.SkipTest(self.path + " exists: this machine has browser policies "
                                    "of its own")
        folder = os.path.dirname(self.path)
        while not os.path.isdir(folder):
            self.made.insert(0, folder)
            folder = os.path.dirname(folder)
        for folder in self.made:
            os.mkdir(folder)
        self.written = True
        with open(self.path, "w") as f:
            f.write(self.text)

    def remove(self):
        if self.written and os.path.exists(self.path):
            os.remove(self.path)
        for folder in reversed(self.made):
            os.rmdir(folder)


class Marionette:
    """The few WebDriver commands the tests need, over Firefox's own Marionette protocol
    (Debian has no geckodriver): "<length>:<JSON>" messages on a TCP port."""

    def __init__(self, port: int):
        self.sock = socket.create_connection(("127.0.0.1", port), timeout=WAIT)
        self.buffer = b""
        self.last_id = 0
        self.receive()  # the server's greeting

    def receive(self):
        while b":" not in self.buffer:
            self.buffer += self.sock.recv(65536) or self.closed()
        length, rest = self.buffer.split(b":", 1)
        while len(rest) < int(length):
            rest += self.sock.recv(65536) or self.closed()
        self.buffer = rest[int(length):]
        return json.loads(rest[:int(length)])

    def closed(self):
        raise ConnectionError("Firefox closed the Marionette connection")

    def __call__(self, command: str, **params):
        self.last_id += 1
        data = json.dumps([0, self.last_id, command, params]).encode()
        self.sock.sendall(str(len(data)).encode() + b":" + data)
        while True:
            _, reply_id, error, result = self.receive()
            if reply_id == self.last_id:
                break
        if error:
            raise AssertionError(command + ": " + error.get("message", str(error)))
        return result


class Chromium:
    name = "Chromium"
    needs = missing("chromium", "chromedriver", "Xvfb") or ("" if webdriver else
                                                             "not installed: python3-selenium")

    @staticmethod
    def policy(origin: str) -> PolicyFile:
        return PolicyFile("/etc/chromium/policies/managed/zub_launcher_test.json", {
            "AutoLaunchProtocolsFromOrigins": [{"protocol": "zubdms", "allowed_origins": [origin]}]})

    def __init__(self, box: BrowserSandbox, log: str):
        options = webdriver.ChromeOptions()
        options.binary_location = "/usr/bin/chromium"
        # Root needs --no-sandbox; the rest keeps a fresh profile quiet and offline.
        for argument in ("--no-sandbox", "--disable-background-networking",
                         "--disable-component-update", "--disable-sync", "--no-first-run",
                         "--user-data-dir=" + os.path.join(box.root, "chromium")):
            options.add_argument(argument)
        # Chromium inherits chromedriver's environment and its output.
        service = Service("/usr/bin/chromedriver", env=box.env, log_path=log,
                          service_args=["--log-level=WARNING"])
        self.driver = webdriver.Chrome(service=service, options=options)
        self.driver.implicitly_wait(WAIT)

    def open(self, url: str):
        self.driver.get(url)

    def click(self, element_id: str):
        self.driver.find_element(By.ID, element_id).click()

    def quit(self):
        self.driver.quit()


class FirefoxESR:
    name = "Firefox ESR"
    needs = missing("firefox-esr", "Xvfb")

    @staticmethod
    def policy(origin: str) -> PolicyFile:
        # Debian's firefox-esr reads /etc/firefox/policies (not /etc/firefox-esr), and otherwise
        # /usr/lib/firefox-esr/distribution/policies.json.
        return PolicyFile("/etc/firefox/policies/policies.json", {
            "AutoLaunchProtocolsFromOrigins": [{"protocol": "zubdms", "allowed_origins": [origin]}]},
            shared=True)

    def __init__(self, box: BrowserSandbox, log: str):
        profile = os.path.join(box.root, "firefox")
        os.makedirs(profile)
        # Port 0: Marionette picks a free port and names it in the profile.
        with open(os.path.join(profile, "user.js"), "w") as f:
            f.write('user_pref("marionette.port", 0);\n')
        with open(log, "wb") as output:
            self.process = subprocess.Popen(
                ["firefox-esr", "--marionette", "--new-instance", "--profile", profile],
                env=box.env, stdin=subprocess.DEVNULL, stdout=output, stderr=subprocess.STDOUT,
                start_new_session=True)
        self.marionette = None
        try:
            port_file = os.path.join(profile, "MarionetteActivePort")
            deadline = time.monotonic() + WAIT
            while not os.path.exists(port_file):
                if time.monotonic() > deadline:
                    raise TimeoutError("Marionette did not start")
                time.sleep(0.1)
            with open(port_file) as f:
                self.marionette = Marionette(int(f.read()))
            # Without waiting for loads, a click on a link that leaves the browser does not
            # wait for a page that never comes; elements are waited for instead.
            self.marionette("WebDriver:NewSession", pageLoadStrategy="none",
                            timeouts={"implicit": WAIT * 1000})
        except BaseException:
            self.quit()
            raise

    def open(self, url: str):
        self.marionette("WebDriver:Navigate", url=url)

    def click(self, element_id: str):
        element = self.marionette("WebDriver:FindElement", using="css selector",
                                  value="#" + element_id)["value"]
        self.marionette("WebDriver:ElementClick", id=next(iter(element.values())))

    def quit(self):
        if self.marionette:
            self.marionette.sock.close()
        os.killpg(self.process.pid, 15)
        try:
            self.process.wait(WAIT)
        except subprocess.TimeoutExpired:
            os.killpg(self.process.pid, 9)
            self.process.wait()


@unittest.skipUnless(DEB, "ZUB_DEB is not set")
@unittest.skipUnless(os.geteuid() == 0,
                     "writing the browsers' machine-wide policy files (/etc/chromium/policies, "
                     "/etc/firefox/policies) needs root")
class BrowserLinks:
    """The tests of one browser (`browser`)."""

    browser = None
    sandbox_class = BrowserSandbox

    def setUp(self):
        if self.browser.needs:
            self.skipTest(self.browser.needs)
        # Runs of this file in other build trees write the same policy files: one at a time.
        lock = os.open("/etc", os.O_RDONLY)
        self.addCleanup(os.close, lock)
        deadline = time.monotonic() + 300
        while True:
            try:
                fcntl.flock(lock, fcntl.LOCK_EX | fcntl.LOCK_NB)
                break
            except BlockingIOError:
                if time.monotonic() > deadline:
                    raise
                time.sleep(1)
        super().setUp()
        box = self.sandbox
        box.set_base_dir(box.base)
        self.plan = box.write("Docs/Projekte/Plan.txt")
        self.control = box.write("Docs/control.txt")
        box.write("secret.txt")

    def start(self, policy: bool):
        if policy:
            policy_file = self.browser.policy(self.sandbox.origin)
            self.addCleanup(policy_file.remove)
            policy_file.install()
        self.log = os.path.join(self.sandbox.root, "browser.log")
        try:
            self.session = self.browser(self.sandbox, self.log)
        except Exception as error:
            raise AssertionError(self.browser.name + " did not start: " + str(error) +
                                 self.output()) from error
        self.addCleanup(self.session.quit)
        self.session.open(self.sandbox.origin + "/index.html")

    def output(self) -> str:
        """For a failure's message: what reached the application and the message boxes, and
        what the browser and the programs it started printed."""
        text = "\nopened: %r\nmessage boxes: %r" % (self.sandbox.opened(),
                                                      self.sandbox.messages(expect=0))
        if os.path.exists(self.log):
            with open(self.log, encoding="utf-8", errors="replace") as f:
                text += "\n" + self.browser.name + " printed:\n" + f.read()[-6000:]
        return text

    def test_listed_origin_opens_without_asking(self):
        box = self.sandbox
        self.start(policy=True)
        clicked = time.time()
        self.session.click("plan")
        self.assertEqual(box.opened(expect=1), [self.plan], self.output())
        print("\n%s: click to arrival %.2f s" % (self.browser.name,
                                                 os.stat(box.record).st_mtime - clicked),
              file=sys.stderr)

        # Each refusal shows its message box; nothing of it reaches the application.
        outside = ("Fehler:\nDie zu öffnende Datei " + box.base + "\\..\\secret.txt canonicalized "
                   "to " + box.root + "/secret.txt\nliegt nicht unter dem varnelo "
                   "Basisverzeichnis " + box.base + "\n")
        absent = ("\nFehler beim öffnen : No such file or directory (os error 2)\nURL: "
                  "zubdms:/secret.txt\nFile: " + box.base + "\\secret.txt\n")
        rows = [("dots", absent), ("escaped_slash", outside), ("escaped_backslash", outside),
                ("backslashes", outside)]
        for shown, (name, _) in enumerate(rows, 1):
            self.session.click(name)
            self.assertEqual(box.messages(expect=shown), [m for _, m in rows[:shown]],
                             PAGE_LINKS[name] + self.output())
        self.session.click("control")
        self.assertEqual(box.opened(expect=2), [self.plan, self.control], self.output())

    def test_without_the_policy_the_browser_asks(self):
        self.start(policy=False)
        self.session.click("plan")
        time.sleep(NOTHING_WITHIN)
        self.assertEqual((self.sandbox.opened(), self.sandbox.messages(expect=0)), ([], []),
                         self.output())


class ChromiumLinks(BrowserLinks, LauncherTestCase):
    browser = Chromium


class FirefoxLinks(BrowserLinks, LauncherTestCase):
    browser = FirefoxESR


if __name__ == "__main__":
    unittest.main()
