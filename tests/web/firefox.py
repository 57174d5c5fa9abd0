"""Firefox driven over WebDriver BiDi, which it speaks itself, by a small client on Debian's
python3-websocket. FirefoxDriver answers the few calls of selenium's driver that the page's
tests make (scripts, W3C actions, screenshots, console lines, elements' clicks and keys), so
one test drives every engine.
"""
import base64
import json
import os
import re
import subprocess
import time

import websocket
from selenium.webdriver.common.keys import Keys
from selenium.webdriver.common.utils import keys_to_typing
from selenium.webdriver.remote.command import Command

import launch

# Quiet and offline: no first-run pages, updates, telemetry or remote settings.
PREFERENCES = {
    "browser.shell.checkDefaultBrowser": False,
    "browser.startup.homepage_override.mstone": "ignore",
    "browser.startup.page": 0,
    "browser.aboutwelcome.enabled": False,
    "datareporting.policy.dataSubmissionEnabled": False,
    "toolkit.telemetry.reportingpolicy.firstRun": False,
    "app.update.disabledForTesting": True,
    "extensions.update.enabled": False,
    "network.captive-portal-service.enabled": False,
    "network.connectivity-service.enabled": False,
    "services.settings.server": "http://127.0.0.1:1/",
    "app.normandy.enabled": False,
}
MODIFIERS = {Keys.SHIFT, Keys.CONTROL, Keys.ALT, Keys.META}
LEVELS = {"debug": "INFO", "info": "INFO", "warn": "WARNING", "error": "SEVERE"}


class BiDiError(Exception):
    pass


def start(profile, ratio, size, watch, extra_preferences=None):
    """Firefox in a process group of its own, which `watch` has killed once the test is gone,
    with device pixel ratio `ratio` and a viewport of `size` CSS pixels. Headless, it still draws
    WebGL 2 only through an X server: it gets a private one, which stops once the test is gone."""
    display_state, environment = launch.private_display(profile)
    preferences = {**PREFERENCES, "layout.css.devPixelsPerPx": str(ratio), **(extra_preferences or {})}
    with open(os.path.join(profile, "user.js"), "w") as prefs:
        prefs.writelines(f"user_pref({json.dumps(k)}, {json.dumps(v)});\n" for k, v in preferences.items())
    process = subprocess.Popen(["firefox-esr", "--remote-debugging-port=0", "--profile", profile, "--no-remote",
                                "--new-instance", "--headless", "about:blank"], stdout=subprocess.DEVNULL,
                               stderr=subprocess.PIPE, text=True, start_new_session=True, env=environment)
    watch(process.pid)
    for line in process.stderr:
        listening = re.search(r"WebDriver BiDi listening on (ws://\S+)", line)
        if listening:
            break
    else:
        raise BiDiError("Firefox ended before it listened for WebDriver BiDi")
    # Firefox goes on writing to its standard error: drain it.
    subprocess.Popen(["cat"], stdin=process.stderr, stdout=subprocess.DEVNULL)
    return process, FirefoxDriver(listening.group(1) + "/session", size, display_state)


class FirefoxDriver:
    def __init__(self, address, size, display_state):
        self.display_state = display_state
        # Firefox refuses a connection that names an origin.
        self.socket = websocket.create_connection(address, timeout=120, suppress_origin=True)
        self.last_id = 0
        self.log = []
        self.input_taken = False
        self.send("session.new", {"capabilities": {}})
        self.context = self.send("browsingContext.getTree", {})["contexts"][0]["context"]
        self.send("session.subscribe", {"events": ["log.entryAdded"]})
        self.set_window_size(*size)

    def send(self, method, params):
        self.last_id += 1
        self.socket.send(json.dumps({"id": self.last_id, "method": method, "params": params}))
        while True:
            message = json.loads(self.socket.recv())
            if message.get("type") == "event" and message["method"] == "log.entryAdded":
                self.log.append(message["params"])
            elif message.get("id") == self.last_id:
                if message.get("type") == "error":
                    raise BiDiError(f"{method}: {message.get('error')}: {message.get('message')}")
                return message["result"]

    def get(self, url):
        self.send("browsingContext.navigate", {"context": self.context, "url": url, "wait": "complete"})
        self.input_taken = False

    def refresh(self):
        self.send("browsingContext.reload", {"context": self.context, "wait": "complete"})
        self.input_taken = False

    def first_move_alone(self, actions):
        """Firefox may refuse synthesized input for a while after a load on a loaded machine
        (NS_ERROR_FAILURE in synthesizeMouseAtPoint): the first mouse move after it is sent on its
        own until it is taken, so that a refusal never cuts a click or a drag in half."""
        for source in actions:
            first = (source.get("actions") or [{}])[0]
            if (source.get("type") != "pointer" or first.get("type") != "pointerMove"
                    or source.get("parameters", {}).get("pointerType", "mouse") != "mouse"):
                continue
            move = {**source, "actions": [{**first, "duration": 0}]}
            deadline = time.time() + 10
            while True:
                try:
                    self.send("input.performActions", {"context": self.context, "actions": [move]})
                    self.input_taken = True
                    return
                except BiDiError as error:
                    if "NS_ERROR_FAILURE" not in str(error) or time.time() > deadline:
                        raise
                    time.sleep(0.1)

    def call(self, function, arguments=()):
        result = self.send("script.callFunction", {
            "functionDeclaration": function, "awaitPromise": True, "target": {"context": self.context},
            "arguments": [{"type": "string", "value": a} for a in arguments]})
        if result["type"] == "exception":
            details = result["exceptionDetails"]
            raise BiDiError(f"script: {details.get('text')} at line {details.get('lineNumber')}")
        return value_of(result["result"])

    def execute_script(self, script, *arguments):
        # As WebDriver's own, a returned promise is awaited.
        return self.call(f"function() {{ {script}\n}}", arguments)

    def execute_async_script(self, script, *arguments):
        return self.call("function(...args) { return new Promise((done) => (function() {" + script
                         + "\n}).apply(this, [...args, done])); }", arguments)

    def execute(self, command, params=None):
        if command == Command.W3C_ACTIONS:
            if not self.input_taken:
                self.first_move_alone(params["actions"])
            self.send("input.performActions", {"context": self.context, "actions": params["actions"]})
        elif command == Command.W3C_CLEAR_ACTIONS:
            self.send("input.releaseActions", {"context": self.context})
        else:
            raise BiDiError(f"{command} has no BiDi form here")
        return {"value": None}

    def get_screenshot_as_png(self):
        shot = self.send("browsingContext.captureScreenshot", {"context": self.context})
        return base64.b64decode(shot["data"])

    def get_log(self, kind):
        """The console's lines since the last call, as selenium gives Chromium's."""
        entries, self.log = self.log, []
        return [{"level": LEVELS.get(e["level"], "INFO"), "source": "console-api" if e["type"] == "console" else "javascript",
                 "message": f"page 0:0 {json.dumps(e.get('text') or '')}"} for e in entries]

    def set_window_size(self, width, height):
        self.send("browsingContext.setViewport", {"context": self.context,
                                                  "viewport": {"width": width, "height": height}})

    def find_element(self, by, value):
        return FirefoxElement(self, f"#{value}" if by == "id" else value)

    def quit(self):
        try:
            self.send("session.end", {})
        except (BiDiError, websocket.WebSocketException, OSError):
            pass
        self.socket.close()
        launch.stop_private_display(self.display_state)


class FirefoxElement:
    def __init__(self, driver, selector):
        self.driver = driver
        self.selector = selector

    def click(self):
        x, y = self.driver.execute_script(
            "const e = document.querySelector(arguments[0]); e.scrollIntoView({block: 'nearest'});"
            " const r = e.getBoundingClientRect(); return [Math.round(r.left + r.width / 2), Math.round(r.top + r.height / 2)];",
            self.selector)
        self.driver.execute(Command.W3C_ACTIONS, {"actions": [{"type": "pointer", "id": "mouse", "actions": [
            {"type": "pointerMove", "x": x, "y": y, "origin": "viewport"},
            {"type": "pointerDown", "button": 0}, {"type": "pointerUp", "button": 0}]}]})

    def send_keys(self, *keys):
        """As WebDriver's own: a modifier stays down until Keys.NULL or the end."""
        self.driver.execute_script("document.querySelector(arguments[0]).focus()", self.selector)
        actions, held = [], []
        for key in keys_to_typing(keys):
            if key == Keys.NULL:
                actions += [{"type": "keyUp", "value": k} for k in reversed(held)]
                held = []
            elif key in MODIFIERS:
                actions.append({"type": "keyDown", "value": key})
                held.append(key)
            else:
                actions += [{"type": "keyDown", "value": key}, {"type": "keyUp", "value": key}]
        actions += [{"type": "keyUp", "value": k} for k in reversed(held)]
        self.driver.execute(Command.W3C_ACTIONS, {"actions": [{"type": "key", "id": "keyboard", "actions": actions}]})


def value_of(remote):
    """A BiDi remote value as Python's."""
    kind, value = remote["type"], remote.get("value")
    if kind in ("undefined", "null"):
        return None
    if kind == "number" and isinstance(value, str):
        return {"NaN": float("nan"), "-0": -0.0, "Infinity": float("inf"), "-Infinity": float("-inf")}[value]
    if kind in ("array", "set"):
        return [value_of(v) for v in value]
    if kind in ("object", "map"):
        return {k if isinstance(k, str) else value_of(k): value_of(v) for k, v in value}
    return value
