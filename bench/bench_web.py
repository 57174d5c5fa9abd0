#!/usr/bin/python3
"""The page's figures in headless Chromium here, one run, medians: time to the first frame,
the WebAssembly kernel against the native one, a drag event at 100 to 2,000 points, an add
click at 2,000 points, each on one thread and, cross-origin isolated, on threads; and the
site's size.

Usage: bench_web.py SITE_FOLDER WEB_BENCH_FOLDER NATIVE_BENCH_REBUILD
"""
import gzip
import os
import re
import statistics
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "tests", "web"))
import tst_page as page_test  # noqa: E402
from selenium.webdriver.common.actions.action_builder import ActionBuilder  # noqa: E402

SITE, WEB_BENCH, NATIVE_BENCH = sys.argv[1:4]
FIRST_FRAME_RUNS = 7
DRAG_MOVES = 40
ROTATIONS = 20
ADD_CLICKS = 15


def first_frame(server):
    """From navigation start to both views drawn, each time with a fresh profile."""
    samples = []
    for _ in range(FIRST_FRAME_RUNS):
        with tempfile.TemporaryDirectory() as profile:
            process, driver = page_test.start_browser(profile)
            try:
                driver.get(server.address)
                check_threads(driver, server.isolating)
                while not driver.execute_script("return performance.getEntriesByName('bezier-first-frame').length"):
                    time.sleep(0.02)
                samples.append(driver.execute_script(
                    "return performance.getEntriesByName('bezier-first-frame')[0].startTime"))
            finally:
                driver.quit()
                os.killpg(process.pid, 9)
    return statistics.median(samples)


def bench_lines(driver, address):
    """The lines a WebAssembly benchmark page printed: its four figures."""
    driver.get(address)
    lines = []
    while len(lines) < 4:
        time.sleep(0.2)
        lines += [e["message"] for e in driver.get_log("browser") if "rebuild of every level" in e["message"]]
    return lines


PICK_DROP = re.compile(r"at (\d+) points: pick ([\d.]+) ms, drop ([\d.]+) ms, rebuild of every level ([\d.]+) ms")


def pick_drop_of(lines):
    return {int(m.group(1)): tuple(map(float, m.group(2, 3, 4))) for m in map(PICK_DROP.search, lines) if m}


def kernel(driver, bench_server):
    """Milliseconds per rebuild of every level, WebAssembly in Chromium and native on one core;
    and a drag's pick and drop against a rebuild, in WebAssembly on one thread."""
    lines = bench_lines(driver, bench_server.address + "bench_rebuild.html")
    pattern = re.compile(r"at (\d+) points, 2-lane path: median ([\d.]+) ms")
    web = {int(m.group(1)): float(m.group(2)) for m in map(pattern.search, lines) if m}
    native_output = subprocess.run(["taskset", "-c", "0", NATIVE_BENCH], capture_output=True, text=True).stdout
    native = {int(m.group(1)): float(m.group(2)) for m in pattern.finditer(native_output)}
    return web, native, pick_drop_of(lines)


def check_threads(driver, threads):
    """The page runs on threads, or on one, as the figure says."""
    isolated = driver.execute_script("return crossOriginIsolated")
    if isolated != threads:
        sys.exit(f"the page is {'' if isolated else 'not '}cross-origin isolated; the figures would be wrong")


def open_page(driver, server):
    driver.get(server.address)
    while driver.execute_script("return document.documentElement.dataset.ready") != "true":
        time.sleep(0.05)
    check_threads(driver, server.isolating)


def drag(driver, server, count, shown=False):
    """From the dispatch of a pointer-move event to its frame finished (a one-pixel readPixels), at
    level 8, with the hull and the subdivision points shown or not; and after it, in the same
    page, a repaint that only rotates the view, to its frame finished: from a pointer-move over
    the canvas, as the drag's, and in a loop without events, where no frame is composited in
    between and so the browser's share of each frame is left out."""
    open_page(driver, server)
    driver.execute_script(f"""
        const b = window.bezier;
        b._bezierChangeDrawLevel(0);
        for (let i = 0; i < {count}; ++i) b._bezierPress(20 + (i * 37) % 470, 20 + (i * 53) % 460, 1);
        b._bezierSetShowConvexHull({int(shown)});
        b._bezierSetShowSubDivPoints({int(shown)});
        b._bezierChangeDrawLevel(8);
        b._bezierSetMoveMode();
        const canvas = document.getElementById('canvas');
        const gl = canvas.getContext('webgl2');
        window.dragTimes = [];
        let start = 0;
        // Before the page's own handler, and after it.
        window.addEventListener('pointermove', () => {{ start = performance.now(); }}, {{ capture: true }});
        window.rotationTimes = [];
        let turn = 0;
        canvas.addEventListener('pointermove', (e) => {{
            if (!e.buttons) b._bezierSetZRotation(++turn);
            gl.readPixels(0, 0, 1, 1, gl.RGBA, gl.UNSIGNED_BYTE, new Uint8Array(4));
            (e.buttons ? window.dragTimes : window.rotationTimes).push(performance.now() - start);
        }});""")
    builder = ActionBuilder(driver)
    action = builder.pointer_action
    x0, y0 = page_test.DIALOG[0] + page_test.CANVAS_ORIGIN[0] + 20, page_test.DIALOG[1] + page_test.CANVAS_ORIGIN[1] + 20
    action.move_to_location(x0, y0).pointer_down()
    for i in range(DRAG_MOVES):
        action.move_to_location(x0 + 5 * (i + 1), y0 + 3 * (i + 1))
    action.pointer_up()
    for i in range(ROTATIONS):
        action.move_to_location(x0 + 3 * (i + 1), y0 + 5 * (i + 1))
    builder.perform()
    times = driver.execute_script("return window.dragTimes")
    rotations = driver.execute_script("return window.rotationTimes")
    looped = driver.execute_script(f"""
        const b = window.bezier, gl = document.getElementById('canvas').getContext('webgl2'), times = [];
        for (let i = 1; i <= {ROTATIONS}; ++i) {{
            const start = performance.now();
            b._bezierSetZRotation(i);
            gl.readPixels(0, 0, 1, 1, gl.RGBA, gl.UNSIGNED_BYTE, new Uint8Array(4));
            times.push(performance.now() - start);
        }}
        return times;""")
    return statistics.median(times), len(times), statistics.median(rotations), statistics.median(looped)


def add_click(driver, server, count):
    """From the dispatch of a pointer-down in Add mode to its frame finished, with `count` points
    placed before, at the start's level."""
    open_page(driver, server)
    driver.execute_script(f"""
        const b = window.bezier;
        for (let i = 0; i < {count}; ++i) b._bezierPress(20 + (i * 37) % 470, 20 + (i * 53) % 460, 1);
        const canvas = document.getElementById('canvas');
        const gl = canvas.getContext('webgl2');
        window.clickTimes = [];
        let start = 0;
        window.addEventListener('pointerdown', () => {{ start = performance.now(); }}, {{ capture: true }});
        canvas.addEventListener('pointerdown', () => {{
            gl.readPixels(0, 0, 1, 1, gl.RGBA, gl.UNSIGNED_BYTE, new Uint8Array(4));
            window.clickTimes.push(performance.now() - start);
        }});""")
    page = page_test.Page(driver)
    for i in range(ADD_CLICKS):
        page.click(page_test.plus(page_test.CANVAS_ORIGIN, (40 + 13 * i, 300)))
    times = driver.execute_script("return window.clickTimes")
    return statistics.median(times), len(times)


def address_update(driver, server, count):
    """An add click's edit (the rule, the rebuild at level 5 and the frame) against the address's
    update after it (the fragment written and replaced, in a task of its own after the frame, as
    the page's timer does it), each the median of 15, with `count` points before."""
    open_page(driver, server)
    return driver.execute_async_script(f"""
        const done = arguments[arguments.length - 1];
        const b = window.bezier, edits = [], updates = [];
        for (let i = 0; i < {count}; ++i) b._bezierPress(20 + (i * 37) % 470, 20 + (i * 53) % 460, 1);
        const median = (values) => values.sort((x, y) => x - y)[values.length >> 1];
        const nextTask = () => new Promise((resolve) => requestAnimationFrame(() => setTimeout(resolve, 0)));
        (async () => {{
            for (let i = 0; i < 15; ++i) {{
                const start = performance.now();
                b._bezierPress(40 + 13 * i, 300, 1);
                edits.push(performance.now() - start);
                await nextTask();
                const update = performance.now();
                history.replaceState(history.state, '', '#' + b.UTF8ToString(b._bezierLinkFragment()));
                updates.push(performance.now() - update);
            }}
            done([median(edits), median(updates)]);
        }})();""")


def main():
    page_test.configure([SITE, "1"])
    # One thread, and threads where the server isolates the page.
    servers = {"one thread": page_test.Server(), "threads": page_test.Server(isolating=True)}
    bench_server = page_test.Server(WEB_BENCH)
    isolated_bench_server = page_test.Server(WEB_BENCH, isolating=True)
    for mode, server in servers.items():
        print(f"first frame, {mode}, navigation start to both views drawn, fresh profile: {first_frame(server):.0f} ms"
              f" (median of {FIRST_FRAME_RUNS}; target <= 1000)")
    with tempfile.TemporaryDirectory() as profile:
        process, driver = page_test.start_browser(profile)
        # Placing 2,000 points one press at a time takes half a minute here.
        driver.set_script_timeout(180)
        try:
            # The service worker would isolate the plain server's page from its second load on.
            for command, params in (("Network.enable", {}), ("Network.setBypassServiceWorker", {"bypass": True})):
                driver.execute("executeCdpCommand", {"cmd": command, "params": params})
            web, native, pick_drop = kernel(driver, bench_server)
            for count in sorted(web):
                print(f"rebuild of every level at {count} points, 2-lane path: WebAssembly {web[count]:.3f} ms,"
                      f" native on one core {native[count]:.3f} ms, speed ratio {native[count] / web[count]:.2f}")
            threaded = pick_drop_of(bench_lines(driver, isolated_bench_server.address + "bench_rebuild_threads.html"))
            for mode, figures in (("one thread", pick_drop), ("threads", threaded)):
                for count, (pick, drop, rebuild) in sorted(figures.items()):
                    print(f"pick / drop at {count} points, WebAssembly, {mode}: {pick:.1f} / {drop:.1f} ms against a"
                          f" rebuild's {rebuild:.1f} ms, ratios {pick / rebuild:.2f} / {drop / rebuild:.2f} (target <= 1)")
            drags = {}
            for count in (100, 1000, 2000):
                for mode, server in servers.items():
                    for shown in (False, True) if count >= 1000 else (False,):
                        look = ", hull and SubDiv Pts on" if shown else ""
                        median, events, rotation, looped = drag(driver, server, count, shown)
                        if not shown:
                            drags[count, mode] = median
                        print(f"drag event at {count} points, level 8, {mode}{look}, pointer-move dispatch to finished"
                              f" frame: {median:.1f} ms (median of {events}); rotation-only repaint from a pointer-move"
                              f" {rotation:.1f} ms, in a loop {looped:.1f} ms")
                        if count >= 1000:
                            print(f"ratio: drag / rotation-only repaint, {count} points, {mode}{look}:"
                                  f" {median / rotation:.2f} (target <= 1.3); to the loop's {median / looped:.2f}")
            for count in (1000, 2000):
                edit, update = address_update(driver, servers["one thread"], count)
                print(f"address update after an add at {count} points, level 5, one thread: {update:.2f} ms against"
                      f" the edit's {edit:.2f} ms, ratio {update / edit:.3f} (target <= 0.1)")
            for mode, server in servers.items():
                median, events = add_click(driver, server, 2000)
                print(f"add click at 2000 points, level 5, {mode}, pointer-down dispatch to finished frame:"
                      f" {median:.1f} ms (median of {events})")
            for count, target in ((100, "target <= 1"), (1000, "target <= 0.6"), (2000, "reported")):
                print(f"ratio: drag event at {count} points, threads / one thread:"
                      f" {drags[count, 'threads'] / drags[count, 'one thread']:.2f} ({target})")
        finally:
            driver.quit()
            os.killpg(process.pid, 9)
    sizes = {name: len(gzip.compress(open(os.path.join(SITE, name), "rb").read(), 9)) for name in sorted(os.listdir(SITE))}
    print(f"site, both builds, each file gzip-compressed: {sum(sizes.values()) / 1024:.0f} KB in all (target <= 300): "
          + ", ".join(f"{name} {size / 1024:.1f} KB" for name, size in sizes.items()))


if __name__ == "__main__":
    main()
