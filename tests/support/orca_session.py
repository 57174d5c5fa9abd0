"""Orca, Debian's screen reader, on a private X server with a D-Bus session and an accessibility
bus of its own, a window manager, and its speech written to its debug log instead of played.
Keys are real key presses (xdotool); what Orca said after each is read back from the log.

A test calls inside_session() first: it starts the private X server and re-runs the test under
dbus-run-session on it, so nothing reaches the caller's screen or buses."""
import json
import os
import re
import subprocess
import sys
import tempfile
import time

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")
PRIVATE_DISPLAY = os.path.join(ROOT, "tools", "private-display")
INSIDE = "BEZIER_ORCA_SESSION"
SPOKEN = re.compile(r"SPEECH OUTPUT: '(.*)'(?:\s*voice=\w+)?\s*\{")
# Orca with its text files line-buffered, so that its debug log holds each utterance as it is
# said, not when a buffer fills.
LINE_BUFFERED_ORCA = """
import builtins, runpy, sys
real_open = builtins.open
def line_buffered_open(file, mode="r", buffering=-1, *rest, **named):
    if buffering == -1 and "b" not in mode:
        buffering = 1
    return real_open(file, mode, buffering, *rest, **named)
builtins.open = line_buffered_open
sys.argv[0] = "/usr/bin/orca"
runpy.run_path("/usr/bin/orca", run_name="__main__")
"""
# Quiet this long after the last utterance, a key's speech is taken as complete.
QUIET_SECONDS = 1.2


def inside_session():
    """Returns in the private session; the first call re-runs the script there and exits."""
    if os.environ.get(INSIDE):
        return
    state = tempfile.mkdtemp(prefix="orca-display-")
    subprocess.run([PRIVATE_DISPLAY, "start", state, str(os.getpid())], check=True, stdout=subprocess.DEVNULL)
    try:
        result = subprocess.run([PRIVATE_DISPLAY, "exec", state, "dbus-run-session", "--", sys.executable,
                                 *sys.argv], env={**os.environ, INSIDE: "1"})
    finally:
        subprocess.run([PRIVATE_DISPLAY, "stop", state])
    sys.exit(result.returncode)


class Orca:
    """The accessibility bus, a window manager and Orca, with key echo off so that the log holds
    only what the program under test makes Orca say."""

    def __init__(self):
        self.folder = tempfile.mkdtemp(prefix="orca-")
        prefs = os.path.join(self.folder, "prefs")
        os.makedirs(prefs)
        with open(os.path.join(prefs, "user-settings.conf"), "w") as settings:
            # No reading of a page on load: a key that interrupts it on an object without text
            # of its own leaves Orca 43 in browse mode for good, and when that happens depends
            # on the speech server's timing.
            json.dump({"general": {"enableKeyEcho": False, "enableBraille": False, "sayAllOnLoad": False},
                       "profiles": {"default": {"profile": ["Default", "default"]}},
                       "pronunciations": {}, "keybindings": {}}, settings)
        # A speech server whose voice goes nowhere: no sound device is needed, and Orca, which
        # gives up without one, speaks as it would to a user.
        speech = os.path.join(self.folder, "speech")
        os.makedirs(os.path.join(speech, "modules"))
        open(os.path.join(speech, "modules", "dummy.conf"), "w").close()
        with open(os.path.join(speech, "speechd.conf"), "w") as conf:
            conf.write('AudioOutputMethod "alsa"\nAudioALSADevice "null"\n'
                       'AddModule "dummy" "sd_dummy" "dummy.conf"\nDefaultModule dummy\n')
        self.log = os.path.join(self.folder, "debug.out")
        environment = {**os.environ, "XDG_CONFIG_HOME": os.path.join(self.folder, "config"),
                       "XDG_DATA_HOME": os.path.join(self.folder, "data"),
                       "XDG_CACHE_HOME": os.path.join(self.folder, "cache")}
        quiet = {"stdout": subprocess.DEVNULL, "stderr": subprocess.DEVNULL, "env": environment}
        self.processes = [subprocess.Popen(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"], **quiet),
                          subprocess.Popen(["openbox"], **quiet),
                          subprocess.Popen(["speech-dispatcher", "-s", "-t", "0", "-C", speech], **quiet)]
        time.sleep(1)
        self.processes.append(subprocess.Popen(["/usr/bin/python3", "-c", LINE_BUFFERED_ORCA, "--replace", "-u", prefs,
                                                "--debug-file", self.log], **quiet))
        self.wait_for("Screen reader on.", 30)
        self.heard = len(self.spoken())

    def spoken(self):
        try:
            with open(self.log, errors="replace") as log:
                return SPOKEN.findall(log.read())
        except FileNotFoundError:
            return []

    def wait_for(self, utterance, seconds):
        deadline = time.time() + seconds
        while utterance not in self.spoken():
            if time.time() > deadline:
                raise AssertionError(f"Orca never said {utterance!r}; it said {self.spoken()[-10:]}")
            time.sleep(0.2)

    def said(self, seconds=5):
        """What Orca said since the last call: waits for speech, then for a quiet spell."""
        deadline = time.time() + seconds
        last, count = time.time(), len(self.spoken())
        while time.time() < deadline:
            time.sleep(0.1)
            now = len(self.spoken())
            if now != count:
                last, count = time.time(), now
            elif count > self.heard and time.time() - last > QUIET_SECONDS:
                break
        new = self.spoken()[self.heard:]
        self.heard += len(new)
        return new

    def press(self, key, seconds=5):
        """A real key press; what Orca said after it."""
        subprocess.run(["xdotool", "key", "--delay", "80", key], check=True)
        return self.said(seconds)

    def focus(self, utterance, key="Tab", presses=20):
        """Moves the focus by `key` until Orca says `utterance`; all it said there."""
        for _ in range(presses):
            heard = self.press(key)
            if utterance in heard:
                return heard
        raise AssertionError(f"no {key} reached {utterance!r}")

    def run(self, steps, checks):
        """Each (what is done, the keys, what Orca says): a key prefixed "to:" moves the focus by
        Tab (by Shift+Tab with "back to:") until Orca says the step's first utterance; other keys
        are pressed in turn, all but the last expected to say nothing."""
        for what, keys, expected in steps:
            if keys.startswith("to:"):
                heard = self.focus(expected[0])
            elif keys.startswith("back to:"):
                heard = self.focus(expected[0], "shift+Tab")
            else:
                for key in keys.split()[:-1]:
                    checks.equal(f"{key} says nothing", self.press(key, seconds=0.5), [])
                heard = self.press(keys.split()[-1])
            checks.equal(what, heard, expected)

    def close(self):
        for process in reversed(self.processes):
            process.terminate()
        for process in self.processes:
            try:
                process.wait(5)
            except subprocess.TimeoutExpired:
                process.kill()


class Checks:
    """Collects failures, prints each, and sets the exit status."""

    def __init__(self):
        self.failures = 0

    def equal(self, what, heard, expected):
        if heard == expected:
            print(f"ok: {what}")
            return
        self.failures += 1
        print(f"FAIL: {what}\n  heard    {heard}\n  expected {expected}")

    def status(self):
        print(f"{self.failures} failure(s)")
        return 1 if self.failures else 0
