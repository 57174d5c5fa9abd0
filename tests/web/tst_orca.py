#!/usr/bin/python3
"""The page heard with Orca in Chromium: real keys, the focus moved as a user moves it, and what
Orca says at each step, exactly, once. Chromium runs with a window (headless, it has no
accessibility bus); Firefox and WebKitGTK are not tested with Orca.

Usage: tst_orca.py SITE_FOLDER"""
import json
import os
import re
import signal
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "support"))
sys.path.insert(0, HERE)
import orca_session  # noqa: E402

CANVAS = "Curve canvas canvas."
HINT = "Question mark reads the keys."
DETAILS = "has details in canvas state."

# (what is done, the keys, what Orca says), as in the desktop's test; "to:" and "back to:" move
# the focus by Tab or Shift+Tab until Orca says that utterance.
STEPS = [
    ("the canvas from the zoom slider", "to:" + CANVAS,
     [CANVAS, DETAILS, f"Add mode. No points. Cursor at (0.00, 0.00). {HINT}"]),
    ("a point added", "Return", ["Point 1 added at (0.00, 0.00). 1 point, degree 0."]),
    ("another, a step right", "Right Return", ["Point 2 added at (0.03, 0.00). 2 points, degree 1."]),
    ("the first point heard", "p", ["Point 1 of 2 at (0.00, 0.00)."]),
    ("the curve summed up", "s",
     ["2 points, degree 1, from (0.00, 0.00) to (0.03, 0.00), x from 0.00 to 0.03, y from 0.00 to 0.00."]),
    ("C, the cursor", "c", ["Cursor at (0.00, 0.00)."]),
    ("M", "m", ["Move mode."]),
    ("D", "d", ["Delete mode."]),
    ("A", "a", ["Add mode."]),
    ("H, high contrast on", "h", ["High contrast on."]),
    ("and off", "h", ["High contrast off."]),
    ("Where Am I", "KP_Enter",
     ["embedded.", "Curve canvas.", f"canvas state Add mode. 2 points, degree 1. Cursor at (0.00, 0.00). {HINT}"]),
    ("the Move button, not pressed", "to:Move toggle button not pressed.", ["Move toggle button not pressed."]),
    ("Move mode by the button", "Return", ["pressed", "Move mode."]),
    ("the canvas from the buttons", "back to:" + CANVAS,
     [CANVAS, DETAILS, f"Move mode. 2 points, degree 1. Cursor at (0.00, 0.00). {HINT}"]),
    ("a point picked up by its key", "Return", ["Point 1 picked up at (0.00, 0.00)."]),
    ("and put back", "Escape", ["Point 1 put back at (0.00, 0.00)."]),
    ("the dial, with its unit", "to:Rotate horizontal slider 0 degrees.",
     ["Rotate horizontal slider 0 degrees.", "Z Axis Rotation."]),
    ("the dial turned", "Right", ["1 degree"]),
    ("the level slider, by its label", "to:Level Of Subdivision horizontal slider 5.",
     ["Level Of Subdivision horizontal slider 5."]),
    ("the level raised", "Right", ["6"]),
    ("Undo, the first control after the dialog", "to:region History", ["region History", "Undo push button."]),
]


def browse_mode_letters():
    """The letters Orca's browse mode takes for itself: its structural navigation."""
    with open("/usr/lib/python3/dist-packages/orca/structural_navigation.py") as source:
        return set(re.findall(r'bindings\["next"\] = \["([a-z])"', source.read()))


def canvas_letters(site):
    """The canvas's letter keys, from the table the page was built with."""
    with open(os.path.join(site, "main.js")) as script:
        table = re.search(r"const CANVAS_KEYS = (\{.*?\});", script.read()).group(1)
    return {key for key in json.loads(table) if len(key) == 1 and key.isalpha()}


def start_chromium(address, profile):
    return subprocess.Popen(
        ["chromium", "--no-sandbox", "--force-renderer-accessibility", "--no-first-run",
         "--enable-unsafe-swiftshader", "--use-angle=swiftshader", f"--user-data-dir={profile}",
         "--window-size=1000,900", "--window-position=0,0", "--disable-background-networking",
         "--disable-component-update", "--disable-sync", address],
        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, start_new_session=True)


def main():
    orca_session.inside_session()
    import tst_page as page_test
    page_test.configure([sys.argv[1], "1"])
    server = page_test.Server()
    orca = orca_session.Orca()
    checks = orca_session.Checks()
    # Each of the canvas's letters that browse mode would take is pressed on the canvas (the only
    # place the steps press letters) and must reach the editor.
    pressed = {keys for _, keys, _ in STEPS if len(keys) == 1}
    shared = canvas_letters(sys.argv[1]) & browse_mode_letters()
    checks.equal("browse mode's letters among the canvas's, each tried", sorted(shared - pressed), [])
    with tempfile.TemporaryDirectory() as profile:
        browser = start_chromium(server.address, profile)
        try:
            orca.wait_for("Finished loading Bezier Curves.", 60)
            orca.said()
            orca.run(STEPS, checks)
            # The table: its name up to date and said once, point 1 its row 1.
            heard = orca.focus("Point 1 x entry 0.00 selected.", presses=30)
            checks.equal("the table on arrival", heard,
                         ["region Points", "Control points. 2 points, degree 1.", "table with 2 rows 3 columns",
                          "1.", "row 1.", "column 2", "Point 1 x entry 0.00 selected."])
        finally:
            os.killpg(browser.pid, signal.SIGTERM)
            browser.wait(10)
            orca.close()
    return checks.status()


if __name__ == "__main__":
    sys.exit(main())
