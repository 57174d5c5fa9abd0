"""What starting a browser or its driver takes, whatever the engine: a private X server, and
the driver's port answering."""
import os
import socket
import subprocess
import time

PRIVATE_DISPLAY = os.path.join(os.path.dirname(__file__), "..", "..", "tools", "private-display")


def private_display(profile):
    """A private X server in `profile`, which stops once this test is gone, and the environment
    that draws on it with software GL: its state folder and that environment."""
    state = os.path.join(profile, "display")
    subprocess.run([PRIVATE_DISPLAY, "start", state, str(os.getpid())], check=True, stdout=subprocess.DEVNULL)
    with open(os.path.join(state, "display")) as name:
        environment = {**os.environ, "DISPLAY": name.read().strip(), "LIBGL_ALWAYS_SOFTWARE": "1"}
    environment.pop("WAYLAND_DISPLAY", None)
    return state, environment


def stop_private_display(state):
    subprocess.run([PRIVATE_DISPLAY, "stop", state], stdout=subprocess.DEVNULL)


def wait_for_port(port):
    """Until something listens on `port` of 127.0.0.1, for 10 seconds at most."""
    for _ in range(100):
        try:
            socket.create_connection(("127.0.0.1", port), timeout=0.1).close()
            return
        except OSError:
            time.sleep(0.1)
