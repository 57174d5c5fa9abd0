"""WebKitGTK's MiniBrowser through WebKitWebDriver and selenium's remote driver, on a private X
server; its device pixel ratio is GDK_SCALE's, whole numbers only."""
import os
import socket
import subprocess
import time

from selenium import webdriver
from selenium.webdriver import WebKitGTKOptions

from firefox import PRIVATE_DISPLAY

MINI_BROWSER = "/usr/lib/x86_64-linux-gnu/webkit2gtk-4.1/MiniBrowser"


def start(profile, ratio, size, watch, port):
    """The driver and its browser in a process group of their own, which `watch` has killed once
    the test is gone, with a window of `size` CSS pixels."""
    display_state = os.path.join(profile, "display")
    subprocess.run([PRIVATE_DISPLAY, "start", display_state, str(os.getpid())], check=True,
                   stdout=subprocess.DEVNULL)
    with open(os.path.join(display_state, "display")) as name:
        environment = {**os.environ, "DISPLAY": name.read().strip(), "GDK_SCALE": str(int(ratio)),
                       "LIBGL_ALWAYS_SOFTWARE": "1", "XDG_CACHE_HOME": profile, "XDG_DATA_HOME": profile}
    environment.pop("WAYLAND_DISPLAY", None)
    process = subprocess.Popen(["WebKitWebDriver", f"--port={port}"], stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL, start_new_session=True, env=environment)
    watch(process.pid)
    for _ in range(100):
        try:
            socket.create_connection(("127.0.0.1", port), timeout=0.1).close()
            break
        except OSError:
            time.sleep(0.1)
    options = WebKitGTKOptions()
    options.binary_location = MINI_BROWSER
    options.add_argument("--automation")
    options.overlay_scrollbars_enabled = False
    driver = webdriver.Remote(command_executor=f"http://127.0.0.1:{port}", options=options)
    driver.set_window_size(*size)
    return process, driver
