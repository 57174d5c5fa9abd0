#!/usr/bin/python3
"""The page's two views against the desktop's frames of the same scenarios, which the desktop
build's tst_highdpi wrote earlier in the same run: at most a share of the pixels may differ,
each by more than a channel difference.

Usage: tst_frames.py SITE_FOLDER DEVICE_PIXEL_RATIO DESKTOP_FRAMES_FOLDER
"""
import json
import os
import sys
import tempfile
import time

from PIL import Image, ImageChops

import tst_page as page_test
from tst_page import CANVAS_ORIGIN, DIALOG, RATIO, Page, check, plus

FRAMES = sys.argv[3]
SCENARIOS = json.load(open(os.path.join(os.path.dirname(__file__), "..", "app", "frame_scenarios.json")))["scenarios"]
VIEWS = {"canvas": (CANVAS_ORIGIN, (510, 502)), "parameter": ((530, 341), (181, 180))}
# A pixel differs when a channel differs by more than this: every other pixel, lit markers
# included, is the desktop's to the bit.
CHANNEL_DIFFERENCE = 0
# The share of each view's pixels that may differ, just above what this page gives here (at
# most 0.0152 % and 0.2248 %). What differs are whole pixels at the side of a line whose edge
# passes exactly through pixel centres, where the desktop driver's rules for wide lines and its
# diamond-exit rule for one-pixel lines choose the other side than the quads drawn here, and the
# axes' ends at the origin, under the curve.
DIFFERENT_SHARE = {"canvas": 0.0002, "parameter": 0.0025}
SLOTS = {"hull": "_bezierSetShowConvexHull", "subdivision": "_bezierSetShowSubDivPoints", "dial": "_bezierSetZRotation",
         "zoom": "_bezierSetZoom", "level": "_bezierChangeDrawLevel"}
MODES = {0: "_bezierSetSelectMode", 1: "_bezierSetAddMode", 2: "_bezierSetMoveMode"}


def play(page, steps):
    for step in steps:
        action, values = step[0], step[1:]
        if action == "press":
            page.click(plus(CANVAS_ORIGIN, values))
        elif action == "drag":
            page.drag(values[:2], values[2:])
        elif action == "mode":
            page.js(f"window.bezier.{MODES[values[0]]}()")
        else:
            page.js(f"window.bezier.{SLOTS[action]}({values[0]})")


def view_of(shot, origin, size):
    left, top = (round((DIALOG[i] + origin[i]) * RATIO) for i in (0, 1))
    return shot.crop((left, top, left + round(size[0] * RATIO), top + round(size[1] * RATIO)))


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


def main():
    server = page_test.Server()
    with tempfile.TemporaryDirectory() as profile:
        driver_process, driver = page_test.start_browser(profile)
        try:
            page = Page(driver)
            for name, steps in SCENARIOS.items():
                driver.get(server.address)
                deadline = time.time() + page_test.TIMEOUT_S
                while driver.execute_script("return document.documentElement.dataset.ready") != "true":
                    if time.time() > deadline:
                        check(False, "the page did not start")
                        return 1
                    time.sleep(0.05)
                play(page, steps)
                shot = page.screenshot()
                for view, (origin, size) in VIEWS.items():
                    path = os.path.join(FRAMES, f"{name.replace(' ', '-')}-{view}-{RATIO:g}.png")
                    if not os.path.exists(path):
                        check(False, f"no desktop frame {path}: run the release build's tst_highdpi first")
                        continue
                    share, largest = different_share(view_of(shot, origin, size), Image.open(path).convert("RGB"))
                    print(f"{name}, {view}, ratio {RATIO:g}: {share:.4%} of the pixels differ, by up to {largest}")
                    check(share <= DIFFERENT_SHARE[view], f"{name}, {view}: {share:.4%} of the pixels differ")
        finally:
            driver.quit()
            os.killpg(driver_process.pid, 9)
            server.shutdown()
    print(f"ratio {RATIO}: {'FAILED' if page_test.failures else 'passed'}")
    return 1 if page_test.failures else 0


if __name__ == "__main__":
    sys.exit(main())
