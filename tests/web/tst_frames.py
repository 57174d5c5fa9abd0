#!/usr/bin/python3
"""The page's two views against the desktop's frames of the same scenarios, which the desktop
build's tst_highdpi wrote earlier in the same run: at most a share of the pixels may differ,
each by more than a channel difference. At ratio 1 the browser then zooms to 200 % while the page
is open, and the page must redraw at once and draw the desktop's frames at ratio 2 (in Chromium,
whose test extension zooms).

Usage: tst_frames.py [--engine=chromium|firefox|webkit] SITE_FOLDER DEVICE_PIXEL_RATIO DESKTOP_FRAMES_FOLDER
"""
import json
import os
import sys
import tempfile
import time

from PIL import Image, ImageChops

import tst_page as page_test
from tst_page import CANVAS_ORIGIN, DIALOG, Page, check, plus

# The desktop's frames, from the command line.
frames = None
SCENARIOS = json.load(open(os.path.join(os.path.dirname(__file__), "..", "app", "frame_scenarios.json")))["scenarios"]
VIEWS = {"canvas": (CANVAS_ORIGIN, (510, 502)), "parameter": ((530, 341), (181, 180))}
# A pixel differs when a channel differs by more than this: every other pixel, lit markers
# included, is the desktop's to the bit.
CHANNEL_DIFFERENCE = 0
# The share of each view's pixels that may differ, per engine, just above what it gives here.
# Chromium (at most 0.0152 % and 0.2248 %): whole pixels at the side of a line whose edge passes
# exactly through pixel centres, where the desktop driver's rules for wide lines and its
# diamond-exit rule for one-pixel lines choose the other side than the quads drawn here, and the
# axes' ends at the origin, under the curve. Firefox and WebKitGTK (at most 0.0074 % and
# 0.0153 %, both): the same pixels at lines' edges, fewer of them in the parameter view.
DIFFERENT_SHARE = {"chromium": {"canvas": 0.0002, "parameter": 0.0025},
                   "firefox": {"canvas": 0.0001, "parameter": 0.0002},
                   "webkit": {"canvas": 0.0001, "parameter": 0.0002}}
SLOTS = {"hull": "_bezierSetShowConvexHull", "subdivision": "_bezierSetShowSubDivPoints", "dial": "_bezierSetZRotation",
         "zoom": "_bezierSetZoom", "level": "_bezierChangeDrawLevel"}
MODES = {0: "_bezierSetSelectMode", 1: "_bezierSetAddMode", 2: "_bezierSetMoveMode"}
# Browser zoom, for a change of ratio while the page is open, in a window that holds the
# dialog unscaled at twice the ratio.
ZOOM_WINDOW = "--window-size=1600,1400"
LIVE_ZOOM, LIVE_SCENARIO = 2, "hull"


def play(page, steps):
    mode = 1  # the editor starts in Add mode
    for step in steps:
        action, values = step[0], step[1:]
        if action == "press":
            press(page, values, adds=mode == 1)
        elif action == "drag":
            page.drag(values[:2], values[2:])
        elif action == "mode":
            mode = values[0]
            page.js(f"window.bezier.{MODES[mode]}()")
        else:
            page.js(f"window.bezier.{SLOTS[action]}({values[0]})")


def press(page, place, adds):
    """A click on the canvas, which in Add mode adds one point. Firefox on a loaded machine may
    drop a synthesized click soon after a load: such a click is pressed again, and said so."""
    count = lambda: page.js("return window.bezier._bezierControlPointCount()")
    before = count()
    page.click(plus(CANVAS_ORIGIN, place))
    if not adds:
        return
    deadline = time.time() + 1
    while count() == before and time.time() < deadline:
        time.sleep(0.05)
    if count() == before and page_test.ENGINE == "firefox":
        print(f"Firefox dropped the click at {place}; pressed again")
        page.click(plus(CANVAS_ORIGIN, place))
    check(count() == before + 1, f"the click at {place} added {count() - before} points, not 1")


def view_of(shot, origin, size, ratio):
    left, top = (round((DIALOG[i] + origin[i]) * ratio) for i in (0, 1))
    return shot.crop((left, top, left + round(size[0] * ratio), top + round(size[1] * ratio)))


def different_share(a, b):
    if a.size != b.size:
        return 1.0, 255
    difference = ImageChops.difference(a, b)
    channels = difference.split()
    worst = ImageChops.lighter(ImageChops.lighter(channels[0], channels[1]), channels[2])
    histogram = worst.histogram()
    different = sum(histogram[CHANNEL_DIFFERENCE + 1:])
    largest = max(i for i, n in enumerate(histogram) if n)
    return different / (a.size[0] * a.size[1]), largest


def open_page(driver, server):
    driver.get(server.address)
    deadline = time.time() + page_test.TIMEOUT_S
    while not driver.execute_script(page_test.READY):
        if time.time() > deadline:
            return False
        time.sleep(0.05)
    return True


def compare(shot, name, ratio, label):
    for view, (origin, size) in VIEWS.items():
        path = os.path.join(frames, f"{name.replace(' ', '-')}-{view}-{ratio:g}.png")
        if not os.path.exists(path):
            check(False, f"no desktop frame {path}: run the release build's tst_highdpi first")
            continue
        share, largest = different_share(view_of(shot, origin, size, ratio), Image.open(path).convert("RGB"))
        print(f"{label}, {view}: {share:.4%} of the pixels differ, by up to {largest}")
        allowed = DIFFERENT_SHARE[page_test.ENGINE][view]
        check(share <= allowed, f"{label}, {view}: {share:.4%} of the pixels differ, more than {allowed:.4%}")


def live_zoom(page, server):
    """Browser zoom while the page is open: the views redraw at once at their new device-pixel
    size, and what is drawn next is the desktop's frame at the new ratio."""
    check(open_page(page.driver, server), "the page did not start")
    play(page, SCENARIOS[LIVE_SCENARIO])
    page.zoom(LIVE_ZOOM)
    expected = [round(v * LIVE_ZOOM * page_test.RATIO) for v in VIEWS["canvas"][1]]
    deadline = time.time() + page_test.TIMEOUT_S
    size = lambda: page.js("const c = document.getElementById('canvas'); return [c.width, c.height]")
    while size() != expected and time.time() < deadline:
        time.sleep(0.05)
    check(size() == expected, f"the canvas at zoom {LIVE_ZOOM}: {size()} device pixels, expected {expected}")
    redrawn = view_of(page.screenshot(), *VIEWS["canvas"], LIVE_ZOOM * page_test.RATIO)
    hull = sum(1 for p in redrawn.getdata() if page_test.is_hull_red(p))
    check(hull > 500 * LIVE_ZOOM, f"the hull redrawn at zoom {LIVE_ZOOM} without input: {hull} pixels")
    page.js("window.bezier._bezierDeleteAllControlPoints()")
    play(page, SCENARIOS[LIVE_SCENARIO])
    compare(page.screenshot(), LIVE_SCENARIO, LIVE_ZOOM * page_test.RATIO, f"{LIVE_SCENARIO} after zooming to {LIVE_ZOOM}")


def main():
    global frames
    *arguments, frames = sys.argv[1:]
    page_test.configure(arguments)
    server = page_test.Server()
    with tempfile.TemporaryDirectory() as profile:
        driver_process, driver = page_test.start_browser(
            profile, [ZOOM_WINDOW, *page_test.ZOOM_FLAGS])
        try:
            page = Page(driver)
            for name, steps in SCENARIOS.items():
                if not open_page(driver, server):
                    check(False, "the page did not start")
                    return 1
                play(page, steps)
                compare(page.screenshot(), name, page_test.RATIO, f"{name}, ratio {page_test.RATIO:g}")
            if page_test.ENGINE != "chromium":
                page_test.skip("browser zoom while the page is open", "the test's zoom extension is Chromium's")
            elif page_test.RATIO * LIVE_ZOOM in (1, 2):
                live_zoom(page, server)
        finally:
            driver.quit()
            os.killpg(driver_process.pid, 9)
            server.shutdown()
    print(f"ratio {page_test.RATIO}: {'FAILED' if page_test.failures else 'passed'}")
    return 1 if page_test.failures else 0


if __name__ == "__main__":
    sys.exit(main())
