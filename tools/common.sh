# Shared set-up for the tools: Debian packages, the build, a private X server.
# Sourced, not run.

set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
# The presets are read from the source folder.
cd "$ROOT"

# What building and running the editor needs; x11-utils asks the display whether it answers.
# Ninja, because its builds with nothing to do take milliseconds, not most of a second.
EDITOR_PACKAGES=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev qt6-base-dev-tools libqt6opengl6-dev
    libgl-dev libglu1-mesa-dev libgl1-mesa-dri x11-utils
)
# Running the editor with no display of the user's.
HEADLESS_PACKAGES=(xvfb imagemagick)
# Tests, benchmarks and the package checks.
DEVELOPER_PACKAGES=(
    "${HEADLESS_PACKAGES[@]}" xauth xdotool libx11-dev fonts-dejavu-core libbenchmark-dev
    dpkg-dev file desktop-file-utils appstream man-db lintian
)
# The toolkit-free core built by clang and, as WebAssembly, by Emscripten, whose tests Node runs;
# the page's icons rendered from the editor's; Debian's Python serves the page.
PORTABILITY_PACKAGES=(clang libclang-rt-14-dev emscripten nodejs librsvg2-bin python3)
# The page's tests: headless Chromium driven through ChromeDriver by Debian's Selenium, Firefox
# over its own WebDriver BiDi by a small client on python3-websocket, WebKitGTK's MiniBrowser
# through WebKitWebDriver, and npm, which installs the pinned axe-core; a machine with its own
# npm keeps it.
BROWSER_PACKAGES=(chromium chromium-driver firefox-esr python3-websocket webkit2gtk-driver python3-selenium
                  python3-pil)
command -v npm >/dev/null || BROWSER_PACKAGES+=(npm)
# The screen reader the editor and the page are heard with: Orca over the accessibility bus, a
# window manager for its focus, and the speech server it needs (whose voice the tests send nowhere).
SCREEN_READER_PACKAGES=(orca at-spi2-core dbus-daemon openbox speech-dispatcher)
# The Windows build: the cross compiler, the icon's renderer, the installer's builder, and
# Wine to run and test it here.
WINDOWS_PACKAGES=(g++-mingw-w64-x86-64-posix librsvg2-bin nsis zip unzip wine wine64)

say() { printf '%s\n' "$*" >&2; }

as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

# ensure_packages PACKAGE...: installs those that are missing.
ensure_packages() {
    local missing=()
    local package installed
    # One query for all; a package dpkg does not know makes it fail, which is fine here.
    installed=" $(dpkg-query -W -f='${db:Status-Abbrev}${Package}\n' "$@" 2>/dev/null | sed -n 's/^ii  *//p' | tr '\n' ' ' || true) "
    for package in "$@"; do
        [[ "$installed" == *" $package "* ]] || missing+=("$package")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    say "Installing missing packages: ${missing[*]}"
    as_root apt-get update -qq
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# configure_once PRESET FOLDER: configures the preset (whose build folder is FOLDER) the first
# time; later builds reconfigure by themselves when the CMake files change.
configure_once() {
    [ -f "$ROOT/$2/CMakeCache.txt" ] || cmake --preset "$1" >/dev/null
}

PRIVATE_DISPLAY_STATE=""

# Stops what the script started; run at exit.
clean_up() {
    if [ -n "$PRIVATE_DISPLAY_STATE" ]; then
        "$ROOT/tools/private-display" stop "$PRIVATE_DISPLAY_STATE"
        PRIVATE_DISPLAY_STATE=""
    fi
}
trap clean_up EXIT

# Starts a private X server for this script and its children, with software GL; it stops when
# the script ends, however it ends.
start_private_display() {
    PRIVATE_DISPLAY_STATE="$(mktemp -d)"
    "$ROOT/tools/private-display" start "$PRIVATE_DISPLAY_STATE" $$ >/dev/null || return 1
    read -r DISPLAY <"$PRIVATE_DISPLAY_STATE/display"
    unset WAYLAND_DISPLAY
    export DISPLAY XDG_RUNTIME_DIR="$PRIVATE_DISPLAY_STATE/runtime" QT_QPA_PLATFORM=xcb LIBGL_ALWAYS_SOFTWARE=1
}

display_answers() {
    xdpyinfo >/dev/null 2>&1
}
