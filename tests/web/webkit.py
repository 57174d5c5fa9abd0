"""WebKitGTK's MiniBrowser through WebKitWebDriver and selenium's remote driver, on a private X
server; its device pixel ratio is GDK_SCALE's, whole numbers only."""
import subprocess

from selenium import webdriver
from selenium.webdriver import WebKitGTKOptions

import launch

MINI_BROWSER = "/usr/lib/x86_64-linux-gnu/webkit2gtk-4.1/MiniBrowser"


def start(profile, ratio, size, watch, port):
    """The driver and its browser in a process group of their own, which `watch` has killed once
    the test is gone, with a window of `size` CSS pixels."""
    _, environment = launch.private_display(profile)
    environment.update(GDK_SCALE=str(int(ratio)), XDG_CACHE_HOME=profile, XDG_DATA_HOME=profile)
    process = subprocess.Popen(["WebKitWebDriver", f"--port={port}"], stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL, start_new_session=True, env=environment)
    watch(process.pid)
    launch.wait_for_port(port)
    options = WebKitGTKOptions()
    options.binary_location = MINI_BROWSER
    options.add_argument("--automation")
    options.overlay_scrollbars_enabled = False
    driver = webdriver.Remote(command_executor=f"http://127.0.0.1:{port}", options=options)
    driver.set_window_size(*size)
    return process, driver
