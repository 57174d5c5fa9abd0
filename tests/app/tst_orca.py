#!/usr/bin/python3
"""The editor heard with Orca: real keys, the focus moved as a user moves it, and what Orca says
at each step, exactly, once.

Usage: tst_orca.py EDITOR_BINARY"""
import os
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
import orca_session  # noqa: E402

CANVAS = "Curve canvas canvas."
HINT = "Question mark reads the keys."

# (what is done, the keys, what Orca says): a key prefixed "to:" moves the focus by Tab (or by
# Shift+Tab with "back to:") until Orca names that control.
STEPS = [
    ("the canvas from the zoom slider", "to:" + CANVAS,
     [CANVAS, f"Add mode. No points. Cursor at (0.00, 0.00). {HINT}"]),
    ("a point added", "Return", ["Point 1 added at (0.00, 0.00). 1 point, degree 0."]),
    ("another, two steps right", "Right Right Return", ["Point 2 added at (0.06, 0.00). 2 points, degree 1."]),
    ("the cursor read", "c", ["Cursor at (0.06, 0.00)."]),
    ("the first point heard", "p", ["Point 1 of 2 at (0.00, 0.00)."]),
    ("the curve summed up", "s",
     ["2 points, degree 1, from (0.00, 0.00) to (0.06, 0.00), x from 0.00 to 0.06, y from 0.00 to 0.00."]),
    ("an undo", "ctrl+z", ["Undone: Point 2 added at (0.06, 0.00). 2 points, degree 1."]),
    ("Move mode by its key", "m", ["Move mode."]),
    ("the Add button, not pressed", "to:Add.", ["Add.", "not selected radio button"]),
    ("the canvas from the buttons", "back to:" + CANVAS,
     [CANVAS, f"Move mode. 1 point, degree 0. Cursor at (0.00, 0.00). {HINT}"]),
    ("the dial, with its unit", "to:Rotate, 0 degrees dial.", ["Rotate, 0 degrees dial.", "Z Axis Rotation."]),
    ("the dial turned", "Right", ["Rotate, 1 degree."]),
    ("the level slider, by its label", "to:Level Of Subdivision slider 5.", ["Level Of Subdivision slider 5."]),
    ("the level raised", "Right", ["6"]),
]


def main():
    orca_session.inside_session()
    orca = orca_session.Orca()
    editor = subprocess.Popen([sys.argv[1]], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    checks = orca_session.Checks()
    try:
        orca.wait_for("Zoom slider 50.", 30)
        orca.said()
        orca.run(STEPS, checks)
    finally:
        editor.terminate()
        editor.wait(10)
        orca.close()
    return checks.status()


if __name__ == "__main__":
    sys.exit(main())
