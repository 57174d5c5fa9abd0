#!/usr/bin/python3
"""The site as a teacher puts it behind a link: installable, working offline after one visit,
updated by a new build at the next load, and one sentence instead of the dialog where the
browser falls short.

Usage: tst_site.py [--engine=chromium|firefox|webkit] SITE_FOLDER DEVICE_PIXEL_RATIO
"""
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

from selenium.webdriver.common.keys import Keys

import tst_page as page_test
from tst_page import Server, check

TIMEOUT_S = page_test.TIMEOUT_S


def wait_for(driver, script, what):
    deadline = time.time() + TIMEOUT_S
    while not driver.execute_script(script):
        if time.time() > deadline:
            check(False, what)
            return False
        time.sleep(0.1)
    return True


def ready(driver):
    return wait_for(driver, page_test.READY, "the dialog did not start")


def cached_build(driver):
    return driver.execute_script("return caches.keys()")


def offline_and_updates(driver, profile_folder):
    """One visit, then the server stops: the page loads from the cache. A changed build on the
    same address replaces the cache at the next load."""
    with tempfile.TemporaryDirectory() as folder:
        site = os.path.join(folder, "site")
        shutil.copytree(page_test.SITE, site)
        server = Server(site)
        port = server.server_address[1]
        driver.get(server.address)
        ready(driver)
        wait_for(driver, "return navigator.serviceWorker.controller !== null", "no service worker took the page")
        if page_test.ENGINE == "chromium":
            errors = driver.execute("executeCdpCommand", {"cmd": "Page.getInstallabilityErrors", "params": {}})
            check(errors["value"]["installabilityErrors"] == [], f"installability errors: {errors['value']}")
        else:
            page_test.skip("installability", "only Chromium's DevTools protocol reports it")
        first = cached_build(driver)
        check(len(first) == 1, f"caches after the first visit: {first}")

        server.shutdown()
        server.server_close()
        driver.refresh()
        check(ready(driver), "the page did not load with the server stopped")

        # A new build: another title and another cache name, served on the same address.
        with open(os.path.join(site, "index.html")) as f:
            page = f.read().replace("<title>Bezier Curves</title>", "<title>Bezier Curves</title><meta name=build content=new>")
        with open(os.path.join(site, "index.html"), "w") as f:
            f.write(page)
        with open(os.path.join(site, "service-worker.js")) as f:
            worker = f.read().replace('const CACHE = "bezier-', 'const CACHE = "bezier-new-')
        with open(os.path.join(site, "service-worker.js"), "w") as f:
            f.write(worker)
        server = Server(site, port)
        driver.refresh()
        ready(driver)
        check(driver.execute_script("return document.querySelector('meta[name=build]') !== null"),
              "the next load after a new build is not the new build")
        wait_for(driver, "return caches.keys().then(k => k.length === 1 && k[0].startsWith('bezier-new-'))",
                 f"the new build's cache did not replace the old one: {cached_build(driver)}")
        server.shutdown()
        server.server_close()


def small_window(driver):
    """On a phone-sized window the canvas scales down to fit, and points still land under the
    finger."""
    server = Server()
    try:
        driver.get(server.address)
        ready(driver)
        driver.execute("executeCdpCommand", {"cmd": "Emulation.setDeviceMetricsOverride", "params": {
            "width": 400, "height": 700, "deviceScaleFactor": 1, "mobile": False}})
        wait_for(driver, "return document.getElementById('canvas').width < 400", "the canvas did not shrink")
        box = driver.execute_script("const r = document.getElementById('canvas').getBoundingClientRect();"
                                    " return [r.left, r.top, r.width, r.height]")
        check(box[0] + box[2] <= 400, f"the canvas does not fit the window: {box}")
        page = page_test.Page(driver)
        places = [(box[0] + box[2] * fx, box[1] + box[3] * fy) for fx, fy in [(0.2, 0.7), (0.5, 0.2), (0.8, 0.8)]]
        for x, y in places:
            page.click((round(x) - page_test.DIALOG[0], round(y) - page_test.DIALOG[1]), kind="touch")
        shot = page.screenshot()
        for x, y in places:
            offset = page_test.marker_offset(shot, (round(x), round(y)))
            check(offset <= page_test.POINTER_TOLERANCE, f"a point {offset:.2f} device pixels from the finger")
        # Lines stay whole, at least a device pixel wide, however far the dialog shrinks.
        # The check box lies below the canvas here: back to the top after it.
        driver.find_element("css selector", "#CheckBox2 input").click()
        driver.execute_script("window.scrollTo(0, 0)")
        shot = page.screenshot()
        (x0, y0), (x1, y1) = places[0], places[2]
        line_y = lambda x: round(y0 + (y1 - y0) * (x - x0) / (x1 - x0))
        gaps = [x for x in range(round(x0) + 6, round(x1) - 6)
                if not any(page_test.is_hull_red(shot.getpixel((x, line_y(x) + dy))) for dy in (-1, 0, 1))]
        check(not gaps, f"the hull has gaps in {len(gaps)} columns")
        driver.execute("executeCdpCommand", {"cmd": "Emulation.clearDeviceMetricsOverride", "params": {}})
    finally:
        server.shutdown()
        server.server_close()


# The heap's first 16 MB, and no more, hold about 200 points at level 8.
FIXED_HEAP = "--js-flags=--wasm-max-mem-pages=256"
MEMORY_CLICKS = 400

def exhaust_memory(driver):
    """Points added at level 8 until a heap that cannot grow is full."""
    page = page_test.Page(driver)
    wait_for(driver, page_test.READY, "the page did not start")
    page.keys("#Slider2", Keys.END)
    builder, action = page.pointer()
    action.move_to_location(*page.in_canvas((100, 100)))
    for _ in range(MEMORY_CLICKS):
        action.pointer_down().pointer_up()
    builder.perform()


def shaders_fail(driver):
    """A graphics driver whose shader compiler refuses the editor's shaders, from the next load,
    once the first has started (a load cut short logs its aborted download)."""
    wait_for(driver, page_test.READY, "the first load did not start")
    script = ("const status = WebGL2RenderingContext.prototype.getShaderParameter;"
              "WebGL2RenderingContext.prototype.getShaderParameter = function (shader, name) {"
              "  return name === this.COMPILE_STATUS ? false : status.call(this, shader, name); };")
    if page_test.ENGINE == "firefox":
        driver.send("script.addPreloadScript", {"functionDeclaration": f"() => {{ {script} }}"})
    else:
        driver.execute("executeCdpCommand", {"cmd": "Page.addScriptToEvaluateOnNewDocument", "params": {"source": script}})
    driver.refresh()


# Browsers that fall short, the sentence each must show instead of the dialog, and what it may
# write to the console.
FALLBACKS = [
    ("no WebGL 2", ["--disable-webgl"], None, None, "needs WebGL 2", None),
    # Without a JIT, as in locked-down modes, V8 has no WebAssembly; on a processor without
    # SSE4.1 it has no WebAssembly SIMD.
    ("no WebAssembly", ["--js-flags=--jitless"], None, None, "needs WebAssembly", None),
    ("no WebAssembly SIMD", ["--js-flags=--no-enable-sse4-1"], None, None, "needs WebAssembly with SIMD", None),
    ("scripts off", [], {"profile.managed_default_content_settings.javascript": 2}, None, "needs JavaScript", None),
    ("a heap that cannot grow", [FIXED_HEAP], None, exhaust_memory, "ran out of memory", None),
    ("shaders that fail", [], None, shaders_fail, "could not build the editor's drawing programs",
     "A shader failed to compile"),
]


# Firefox's preferences that make it fall short as those do; the others cannot be made here
# (Firefox 153 has no preference that turns off WebAssembly's SIMD alone).
FIREFOX_FALLBACKS = {"no WebGL 2": ({"webgl.disabled": True}, None),
                     "no WebAssembly": ({"javascript.options.wasm": False}, None),
                     "scripts off": ({"javascript.enabled": False}, None),
                     "shaders that fail": ({}, shaders_fail)}


def fallback(name, flags, prefs, steps, sentence, logged):
    if page_test.ENGINE == "webkit":
        # MiniBrowser's --enable-webgl=false and --enable-javascript-markup=false did nothing
        # under WebKitWebDriver here, and it has no setting for WebAssembly.
        page_test.skip(name, "MiniBrowser under its driver takes no setting that makes it")
        return
    if page_test.ENGINE == "firefox":
        if name not in FIREFOX_FALLBACKS:
            page_test.skip(name, "Firefox has no preference that makes it")
            return
        prefs, steps = FIREFOX_FALLBACKS[name]
    server = Server()
    with tempfile.TemporaryDirectory() as profile:
        driver_process, driver = page_test.start_browser(profile, flags, prefs)
        try:
            driver.get(server.address)
            if steps:
                steps(driver)
            wait_for(driver, f"return document.body.innerText.includes({sentence!r})", f"{name}: no sentence")
            check(not driver.execute_script("const d = document.getElementById('dialog');"
                                            " return d.offsetWidth > 0 && !d.hidden"), f"{name}: the dialog shows")
            own = [e for e in driver.get_log("browser") if e["level"] in ("SEVERE", "WARNING")
                   and not (logged and logged in e["message"])]
            check(not own, f"{name}: {len(own)} console errors or warnings, the first: {own[:3]}")
        finally:
            driver.quit()
            os.killpg(driver_process.pid, 9)
            server.shutdown()


KILLED_SCRIPT = """
import sys, tempfile, time
sys.path.insert(0, sys.argv[1])
import tst_page
tst_page.configure(sys.argv[2:])
profile = tempfile.mkdtemp()
process, driver = tst_page.start_browser(profile)
print(process.pid, flush=True)
time.sleep(120)
"""


def killed_mid_run():
    """A test script killed with SIGKILL while its browser runs leaves no browser, driver or X
    server of its own behind."""
    servers = x_servers()
    script = subprocess.Popen([sys.executable, "-c", KILLED_SCRIPT, os.path.dirname(os.path.abspath(__file__)),
                               f"--engine={page_test.ENGINE}", page_test.SITE, str(page_test.RATIO)],
                              stdout=subprocess.PIPE, text=True)
    group = int(script.stdout.readline())
    script.kill()
    script.wait()
    deadline = time.time() + TIMEOUT_S
    while running_in_group(group) and time.time() < deadline:
        time.sleep(0.2)
    if running_in_group(group):
        check(False, "the browser of a killed test script still runs")
        os.killpg(group, signal.SIGKILL)
    while x_servers() - servers and time.time() < deadline:
        time.sleep(0.2)
    check(not x_servers() - servers, "the X server of a killed test script still runs")


def x_servers():
    """The running Xvfb processes."""
    found = set()
    for entry in os.listdir("/proc"):
        try:
            with open(f"/proc/{entry}/cmdline", "rb") as command:
                if os.path.basename(command.read().split(b"\0")[0]) == b"Xvfb":
                    found.add(int(entry))
        except (OSError, ValueError):
            continue
    return found


def running_in_group(group):
    """Whether a process of the group still runs (zombies aside, which no one may reap here)."""
    for entry in os.listdir("/proc"):
        try:
            with open(f"/proc/{entry}/stat") as stat:
                fields = stat.read().rsplit(")", 1)[1].split()
        except (OSError, IndexError):
            continue
        if fields[0] != "Z" and int(fields[2]) == group:
            return True
    return False


def main():
    page_test.configure(sys.argv[1:])
    killed_mid_run()
    with tempfile.TemporaryDirectory() as profile:
        driver_process, driver = page_test.start_browser(profile)
        try:
            if page_test.ENGINE == "chromium":
                small_window(driver)
            else:
                page_test.skip("a phone-sized window", "only Chromium's DevTools protocol emulates one here")
            offline_and_updates(driver, profile)
            if page_test.ENGINE in page_test.NO_CONSOLE:
                page_test.skip("the console's lines", page_test.NO_CONSOLE[page_test.ENGINE])
            else:
                own = [e for e in driver.get_log("browser") if e["level"] in ("SEVERE", "WARNING")
                       and "net::ERR_CONNECTION_REFUSED" not in e["message"]]
                check(not own, f"{len(own)} console errors or warnings, the first: {own[:3]}")
        finally:
            driver.quit()
            os.killpg(driver_process.pid, 9)
    for case in FALLBACKS:
        fallback(*case)
    print(f"site: {'FAILED' if page_test.failures else 'passed'}")
    return 1 if page_test.failures else 0


if __name__ == "__main__":
    sys.exit(main())
