// Forwards the page's input to the editor's C++ and shows the dial and the LCD; the C++ draws
// both canvases and holds every rule. The module object is `window.bezier`; its `trace`
// property holds the exact bytes the desktop editor writes to standard output.

const $ = (id) => document.getElementById(id);
const dialog = $("dialog");

function fail(sentence) {
  for (const id of ["dialog", "below", "points", "help"]) $(id).hidden = true;
  const message = $("message");
  message.textContent = sentence;
  message.hidden = false;
}

// Qt's codes of the mouse buttons by the DOM's numbers: left, middle, right.
const QT_BUTTONS = [1, 4, 2];
const PAGE_STEP = 10;
const NO_WEBASSEMBLY = "This browser cannot run the editor (it needs WebAssembly with SIMD): update the browser, or allow WebAssembly for this page.";
const NO_WEBGL2 = "This browser cannot draw the editor (it needs WebGL 2): update the browser or turn on hardware acceleration.";
const SHADERS_FAILED = "This browser's graphics driver could not build the editor's drawing programs: update the browser or its graphics driver, or try another browser.";
// What the editor's start and a restored view return, and the sentence for each failure.
const START_FAILURES = { 1: NO_WEBGL2, 2: SHADERS_FAILED };
const OUT_OF_MEMORY = "The editor ran out of memory: close other tabs, or use fewer points or a lower level.";
const STOPPED = "The editor stopped on an internal fault: reload the page.";

// A slider's value moved by a key, as the desktop's sliders take keys; null for other keys.
function keyedValue(key, value, min, max) {
  switch (key) {
    case "ArrowUp": case "ArrowRight": return value + 1;
    case "ArrowDown": case "ArrowLeft": return value - 1;
    case "PageUp": return value + PAGE_STEP;
    case "PageDown": return value - PAGE_STEP;
    case "Home": return min;
    case "End": return max;
    default: return null;
  }
}

// The dial: 0 to 360, wrapping, 0 at the bottom and growing clockwise, as the desktop's dial.
class Dial {
  constructor(element, onChange) {
    this.element = element;
    this.onChange = onChange;
    this.value = 0;
    this.drawNotches();
    this.show();
    element.addEventListener("pointerdown", (e) => {
      if (!e.isPrimary || e.button !== 0) return;
      element.setPointerCapture(e.pointerId);
      element.focus();
      this.setValue(this.valueAt(e));
    });
    element.addEventListener("pointermove", (e) => {
      if (element.hasPointerCapture(e.pointerId)) this.setValue(this.valueAt(e));
    });
    element.addEventListener("keydown", (e) => {
      const value = keyedValue(e.key, this.value, 0, 360);
      if (value === null) return;
      e.preventDefault();
      this.setValue(value);
    });
  }

  // The value under the pointer, from the angle about the centre of the whole pixel under it.
  valueAt(e) {
    const box = this.element.getBoundingClientRect();
    const x = Math.round(e.clientX - box.left), y = Math.round(e.clientY - box.top);
    const yy = box.height / 2 - y, xx = x - box.width / 2;
    let a = xx || yy ? Math.atan2(yy, xx) : 0;
    if (a < -Math.PI / 2) a += 2 * Math.PI;
    return Math.trunc(0.5 + (360 * (Math.PI * 3 / 2 - a)) / (2 * Math.PI));
  }

  setValue(value) {
    if (value < 0 || value > 360) value = ((value % 360) + 360) % 360;
    if (value === this.value) return;
    this.value = value;
    this.show();
    this.onChange(value);
  }

  show() {
    this.element.setAttribute("aria-valuenow", String(this.value));
    this.element.setAttribute("aria-valuetext", `${this.value} degrees`);
    const a = Math.PI * 3 / 2 - (2 * Math.PI * this.value) / 360;
    const handle = this.element.querySelector(".handle");
    handle.setAttribute("cx", String(65 + 36 * Math.cos(a)));
    handle.setAttribute("cy", String(65 - 36 * Math.sin(a)));
  }

  drawNotches() {
    const group = this.element.querySelector(".notches");
    for (let i = 0; i < 36; ++i) {
      const a = (2 * Math.PI * i) / 36;
      const line = document.createElementNS("http://www.w3.org/2000/svg", "line");
      line.setAttribute("x1", String(65 + 56 * Math.cos(a)));
      line.setAttribute("y1", String(65 + 56 * Math.sin(a)));
      line.setAttribute("x2", String(65 + 62 * Math.cos(a)));
      line.setAttribute("y2", String(65 + 62 * Math.sin(a)));
      group.append(line);
    }
  }
}

// The LCD's one digit in seven segments: which are lit for each digit (a to g).
const SEGMENTS = ["abcdef", "bc", "abdeg", "abcdg", "bcfg", "acdfg", "acdefg", "abc", "abcdefg", "abcdfg"];
const SEGMENT_BOXES = {
  a: [19, 3, 12, 3], b: [31, 6, 3, 8], c: [31, 16, 3, 8], d: [19, 24, 12, 3],
  e: [16, 16, 3, 8], f: [16, 6, 3, 8], g: [19, 13.5, 12, 3],
};
function showOnLcd(element, digit) {
  const svg = element.querySelector("svg");
  svg.replaceChildren();
  for (const [name, [x, y, w, h]] of Object.entries(SEGMENT_BOXES)) {
    const rect = document.createElementNS("http://www.w3.org/2000/svg", "rect");
    for (const [k, v] of Object.entries({ x, y, width: w, height: h })) rect.setAttribute(k, String(v));
    rect.setAttribute("class", SEGMENTS[digit % 10].includes(name) ? "on" : "off");
    svg.append(rect);
  }
  // A status region says what its text becomes: the digit is drawn, so the text is hidden.
  element.querySelector("span").textContent = `Level ${digit}`;
  element.dataset.value = String(digit);
}

// Each text shrinks by the desktop's step until it fits its box, down to the desktop's smallest
// size; one that still does not fit shows whole in its tool tip. Every text is a box of its own
// (the buttons' labels too), so its scroll size is its text's and its client size its room.
// Under a reader's own letter or word spacing, texts keep their size and may wrap instead.
function fitTexts(editor) {
  const { minimumPointSize, pointSizeStep } = editor.textFit;
  const spaced = dialog.classList.contains("spaced");
  for (const text of dialog.querySelectorAll(".text")) {
    text.style.fontSize = "";
    let size = parseFloat(getComputedStyle(text).fontSize) * 0.75;
    const fits = () => text.scrollWidth <= text.clientWidth && text.scrollHeight <= text.clientHeight;
    while (!spaced && !fits() && size > minimumPointSize) {
      size = Math.max(minimumPointSize, size - pointSizeStep);
      text.style.fontSize = `${size}pt`;
    }
    const owner = text.closest("button, label") || text;
    if (spaced || fits()) owner.removeAttribute("title");
    else owner.title = text.textContent;
  }
}

// Page Up and Page Down move a slider by the desktop's page step.
function pageStepKeys(slider) {
  slider.addEventListener("keydown", (e) => {
    if (e.key !== "PageUp" && e.key !== "PageDown") return;
    e.preventDefault();
    const min = Number(slider.min), max = Number(slider.max);
    const value = Math.min(max, Math.max(min, keyedValue(e.key, Number(slider.value), min, max)));
    if (value === Number(slider.value)) return;
    slider.value = String(value);
    slider.dispatchEvent(new Event("input"));
  });
}

function forwardPointer(canvas, editor) {
  const position = (e) => {
    const box = canvas.getBoundingClientRect();
    // In the canvas's logical pixels, whatever it is scaled by to fit the window.
    return [(e.clientX - box.left) / viewScales.canvas, (e.clientY - box.top) / viewScales.canvas];
  };
  // A touch browser may give the canvas a tap that landed just outside it: no point is placed
  // out of view.
  const inside = ([x, y]) => x >= 0 && y >= 0 && x < VIEW_SIZES.canvas[0] && y < VIEW_SIZES.canvas[1];
  canvas.addEventListener("pointerdown", (e) => {
    if (!e.isPrimary) return;
    e.preventDefault();
    if (!inside(position(e))) return;
    // A press focuses the canvas, as on the desktop, without showing focus.
    canvas.focus({ preventScroll: true });
    canvas.setPointerCapture(e.pointerId);
    editor._bezierPress(...position(e), QT_BUTTONS[e.button] ?? 0);
  });
  canvas.addEventListener("pointermove", (e) => {
    if (e.isPrimary && canvas.hasPointerCapture(e.pointerId)) editor._bezierMove(...position(e));
  });
  canvas.addEventListener("pointerup", (e) => {
    if (!e.isPrimary || !canvas.hasPointerCapture(e.pointerId)) return;
    editor._bezierRelease(...position(e));
  });
  canvas.addEventListener("contextmenu", (e) => e.preventDefault());
  // A tap target: a touch browser moves a tap that lands on none to a target nearby, and the
  // zoom slider lies just above the canvas. The press itself is handled on pointerdown.
  canvas.addEventListener("click", (e) => e.preventDefault());
}

// The canvas's keys, in the editor's order of them.
const CANVAS_KEYS = { ArrowLeft: 0, ArrowRight: 1, ArrowUp: 2, ArrowDown: 3, Enter: 4, " ": 4, Escape: 5, a: 6, m: 7,
  d: 8, c: 9, h: 10 };

function forwardKeys(canvas, editor) {
  canvas.addEventListener("keydown", (e) => {
    if (e.ctrlKey || e.altKey || e.metaKey) return;
    const key = CANVAS_KEYS[e.key.length === 1 ? e.key.toLowerCase() : e.key];
    if (key === undefined) return;
    e.preventDefault();
    editor._bezierKey(key, e.shiftKey ? 1 : 0);
  });
  canvas.addEventListener("focus", () => editor._bezierFocus(canvas.matches(":focus-visible") ? 1 : 0));
  canvas.addEventListener("blur", () => editor._bezierBlur());
}

// The buttons of the editing modes by the editor's numbers of them: delete, add, move.
const MODE_BUTTONS = ["PushButton5", "PushButton1", "PushButton2"];

// What the editor shows after each change: Undo and Redo enabled where there is something to
// take back or bring back, the mode's button pressed, the contrast switch as the look is (the
// key H switches it too).
function showControls(settings) {
  settings.showControls = (canUndo, canRedo, mode, highContrast) => {
    $("Undo").disabled = !canUndo;
    $("Redo").disabled = !canRedo;
    MODE_BUTTONS.forEach((id, m) => $(id).setAttribute("aria-pressed", String(m === mode)));
    $("HighContrast").checked = highContrast;
  };
}

// Undo and redo from anywhere in the page but a text field, by keys and by the buttons.
function undoAndRedo(editor) {
  $("Undo").addEventListener("click", () => editor._bezierUndo());
  $("Redo").addEventListener("click", () => editor._bezierRedo());
  const textField = (element) => element.isContentEditable || element.tagName === "TEXTAREA"
    || (element.tagName === "INPUT" && !["range", "checkbox", "button"].includes(element.type));
  document.addEventListener("keydown", (e) => {
    if (!(e.ctrlKey || e.metaKey) || e.altKey || textField(e.target)) return;
    const key = e.key.toLowerCase();
    const redoing = (key === "z" && e.shiftKey) || (key === "y" && !e.shiftKey);
    if (!redoing && !(key === "z" && !e.shiftKey)) return;
    e.preventDefault();
    if (redoing) editor._bezierRedo();
    else editor._bezierUndo();
  });
  $("below").hidden = false;
}

// The high-contrast look: on where the user asks for more contrast or forces colours, and by the
// switch beside the dialog.
function highContrast(editor) {
  const box = $("HighContrast");
  const preference = matchMedia("(prefers-contrast: more), (forced-colors: active)");
  const apply = (on) => editor._bezierSetHighContrast(on ? 1 : 0);
  box.addEventListener("change", () => apply(box.checked));
  preference.addEventListener("change", () => apply(preference.matches));
  apply(preference.matches);
}

// A lost context is kept for restoring, and its view drawn anew from the editor's state.
function restoreLostContexts(editor) {
  ["canvas", "parameter"].forEach((id, view) => {
    $(id).addEventListener("webglcontextlost", (e) => e.preventDefault());
    $(id).addEventListener("webglcontextrestored", () => {
      const failure = editor._bezierRestoreView(view);
      if (failure !== 0) fail(START_FAILURES[failure]);
    });
  });
}

// The views' logical sizes, the desktop's, and how much each is scaled down in a window too
// narrow for it; 1 where it fits.
const VIEW_SIZES = { canvas: [510, 502], parameter: [181, 180] };
const viewScales = { canvas: 1, parameter: 1 };
const WINDOW_MARGIN = 8;
const DIALOG_WIDTH = 713;
const screenRatio = () => window.devicePixelRatio || 1;

// The dialog's children at whole device pixels, as the desktop places its widgets, so that
// nothing blurs and a pointer's device pixel is the view's; a view narrower than its logical
// size where the window is.
function layOut() {
  const room = document.documentElement.clientWidth - 2 * WINDOW_MARGIN;
  const flowing = dialog.classList.toggle("flowing", room < DIALOG_WIDTH);
  const ratio = screenRatio();
  const snap = (value) => `${Math.round(value * ratio) / ratio}px`;
  for (const element of [dialog, ...dialog.children]) {
    element.style.cssText = "";
    const style = getComputedStyle(element);
    if (element === dialog ? flowing : style.position !== "absolute") continue;
    const box = ["left", "top", "width", "height", "marginLeft", "marginTop"].map((name) => [name, parseFloat(style[name])]);
    for (const [name, value] of box) if (!Number.isNaN(value)) element.style[name] = snap(value);
  }
  for (const [id, [width, height]] of Object.entries(VIEW_SIZES)) {
    const view = $(id);
    const fitted = Math.round(Math.min(width, room) * ratio) / ratio;
    viewScales[id] = fitted / width;
    view.style.width = `${fitted}px`;
    view.style.height = `${Math.round(height * viewScales[id] * ratio) / ratio}px`;
    // Where the dialog's parts flow, a view starts on a whole device pixel too.
    if (!flowing) continue;
    const box = view.getBoundingClientRect();
    const toWhole = (value) => `${(Math.ceil(value * ratio - 0.01) - value * ratio) / ratio}px`;
    view.style.marginLeft = toWhole(box.left + scrollX);
    view.style.marginTop = toWhole(box.top + scrollY);
  }
}

// Each view's drawing buffer is its exact size in device pixels, where the browser tells it
// (devicePixelContentBoxSize), and follows the window's size and the ratio (browser zoom,
// another screen).
function sizeViews(editor) {
  const views = [$("canvas"), $("parameter")];
  const resize = () => {
    const [canvas, parameter] = views;
    editor._bezierResize(canvas.width, canvas.height, screenRatio() * viewScales.canvas,
      parameter.width, parameter.height, screenRatio() * viewScales.parameter);
  };
  const measure = (view, box) => {
    view.width = box ? box.inlineSize : Math.round(view.clientWidth * screenRatio());
    view.height = box ? box.blockSize : Math.round(view.clientHeight * screenRatio());
  };
  const relayOut = () => {
    const spacing = getComputedStyle($("Label1"));
    dialog.classList.toggle("spaced", parseFloat(spacing.letterSpacing) > 0 || parseFloat(spacing.wordSpacing) > 0);
    layOut();
    fitTexts(editor);
    views.forEach((view) => measure(view, null));
    resize();
  };
  relayOut();
  const observer = new ResizeObserver((entries) => {
    for (const entry of entries) measure(entry.target, entry.devicePixelContentBoxSize?.[0]);
    resize();
  });
  // Some browsers move the boxes to a new ratio without telling the observer.
  const watchRatio = () => {
    matchMedia(`(resolution: ${screenRatio()}dppx)`).addEventListener("change", () => {
      relayOut();
      watchRatio();
    }, { once: true });
  };
  watchRatio();
  window.addEventListener("resize", relayOut);
  for (const view of views) {
    try {
      observer.observe(view, { box: "device-pixel-content-box" });
    } catch {
      observer.observe(view);
    }
  }
}

// The table of control points, which the editor fills after each complete change: a row per
// point, its x and y as fields that take effect on Enter or when they lose focus.
function pointTable(settings) {
  const body = $("points").querySelector("tbody");
  const caption = $("points-caption");
  const field = (index, axis) => {
    const input = document.createElement("input");
    input.type = "text";
    input.inputMode = "decimal";
    input.autocomplete = "off";
    input.spellcheck = false;
    input.dataset.axis = String(axis);
    input.setAttribute("aria-label", `Point ${index + 1} ${axis ? "y" : "x"}`);
    const cell = document.createElement("td");
    cell.append(input);
    return cell;
  };
  settings.showPointRow = (index, x, y) => {
    while (body.rows.length <= index) {
      const row = document.createElement("tr");
      const number = document.createElement("th");
      number.scope = "row";
      number.textContent = String(body.rows.length + 1);
      row.append(number, field(body.rows.length, 0), field(body.rows.length, 1));
      body.append(row);
    }
    const [xField, yField] = body.rows[index].querySelectorAll("input");
    xField.value = x;
    yField.value = y;
  };
  settings.showPointCount = (count, text) => {
    while (body.rows.length > count) body.lastElementChild.remove();
    caption.textContent = text;
  };
  const commit = (input) => {
    const row = input.closest("tr").sectionRowIndex;
    window.bezier.ccall("bezierSetControlPointCoordinate", null, ["number", "number", "string"],
      [row, Number(input.dataset.axis), input.value.trim()]);
  };
  body.addEventListener("keydown", (e) => {
    if (e.key !== "Enter" || e.target.tagName !== "INPUT") return;
    e.preventDefault();
    commit(e.target);
  });
  body.addEventListener("change", (e) => commit(e.target));
  $("points").hidden = false;
}

// A module that uses one WebAssembly SIMD instruction, to ask whether the browser has them.
const SIMD_PROBE = new Uint8Array([0, 97, 115, 109, 1, 0, 0, 0, 1, 5, 1, 96, 0, 1, 123, 3, 2, 1, 0, 10, 10, 1, 8, 0, 65,
  0, 253, 15, 253, 98, 11]);

async function start() {
  if (typeof WebAssembly !== "object" || !WebAssembly.validate(SIMD_PROBE))
    return fail(NO_WEBASSEMBLY);
  dialog.hidden = false;
  // Once the editor has stopped, the sentence says so: what the module then writes or throws
  // from the handler that was running is no news, and its functions do nothing, so that no
  // drag, resize or restored context still under way calls into it.
  let stopped = false;
  const settings = {
    onAbort: () => {
      stopped = true;
      for (const name of Object.keys(settings)) if (name.startsWith("_bezier")) settings[name] = () => 0;
      fail(settings.outOfMemory ? OUT_OF_MEMORY : STOPPED);
    },
    printErr: (text) => stopped || console.error(text),
  };
  window.addEventListener("error", (event) => stopped && event.preventDefault());
  pointTable(settings);
  showControls(settings);
  let editor;
  try {
    // Threads need the memory shared between them, which a browser allows only in a page
    // isolated from other origins, and some browsers (WebKitGTK) not even there.
    const threads = crossOriginIsolated && typeof SharedArrayBuffer === "function";
    const { default: createBezier } = await import(threads ? "./bezier-threads.js" : "./bezier.js");
    editor = await createBezier(settings);
  } catch {
    return fail(NO_WEBASSEMBLY);
  }
  window.bezier = editor;
  editor.trace = "";
  const failure = editor._bezierStart();
  if (failure !== 0) return fail(START_FAILURES[failure]);
  restoreLostContexts(editor);
  sizeViews(editor);
  // Where the benchmark's time to the first frame stops: both views drawn.
  performance.mark("bezier-first-frame");
  // The desktop dialog's eleven connections, in its order.
  const zoom = $("ZoomSlider").querySelector("input"), level = $("Slider2");
  // The LCD starts from the slider, as the desktop form gives both their start values.
  showOnLcd($("LCDNumber1"), Number(level.value));
  zoom.addEventListener("input", () => editor._bezierSetZoom(Number(zoom.value)));
  new Dial($("RotateDial"), (value) => editor._bezierSetZRotation(value));
  undoAndRedo(editor);
  $("PushButton1").addEventListener("click", () => editor._bezierSetAddMode());
  $("PushButton2").addEventListener("click", () => editor._bezierSetMoveMode());
  $("PushButton4").addEventListener("click", () => editor._bezierDeleteAllControlPoints());
  const hull = $("CheckBox2").querySelector("input"), subdivision = $("CheckBox3").querySelector("input");
  hull.addEventListener("change", () => editor._bezierSetShowConvexHull(hull.checked ? 1 : 0));
  subdivision.addEventListener("change", () => editor._bezierSetShowSubDivPoints(subdivision.checked ? 1 : 0));
  level.addEventListener("input", () => {
    showOnLcd($("LCDNumber1"), Number(level.value));
    editor._bezierChangeDrawLevel(Number(level.value));
  });
  // The canvas announces its count to the parameter view inside the C++.
  $("PushButton5").addEventListener("click", () => editor._bezierSetSelectMode());

  pageStepKeys(zoom);
  pageStepKeys(level);
  forwardPointer($("canvas"), editor);
  forwardKeys($("canvas"), editor);
  highContrast(editor);
  $("help").hidden = false;
  document.documentElement.dataset.ready = "true";
}

start();
// The service worker keeps the page's files for use offline.
if ("serviceWorker" in navigator) navigator.serviceWorker.register("service-worker.js").catch(() => {});
