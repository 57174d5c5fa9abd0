# Shared set-up for the tools: Debian packages, the build, a private X server.
# Sourced, not run.

set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

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
    "${HEADLESS_PACKAGES[@]}" xauth xdotool fonts-dejavu-core libbenchmark-dev
    dpkg-dev file desktop-file-utils appstream man-db lintian
)

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

# build DIR BUILD_TYPE [TARGET...]: configures DIR once, then builds the targets (all by default).
build() {
    local dir="$ROOT/$1"
    local type="$2"
    shift 2
    if [ ! -f "$dir/CMakeCache.txt" ]; then
        cmake -S "$ROOT" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE="$type" >/dev/null
    fi
    local targets=()
    local target
    for target in "$@"; do targets+=(--target "$target"); done
    cmake --build "$dir" "${targets[@]}"
}

XVFB_PID=""
OWN_RUNTIME_DIR=""

# Stops what the script started and removes what it made; run at exit.
clean_up() {
    if [ -n "$XVFB_PID" ]; then
        kill "$XVFB_PID" 2>/dev/null || true
        wait "$XVFB_PID" 2>/dev/null || true
        XVFB_PID=""
    fi
    if [ -n "$OWN_RUNTIME_DIR" ]; then
        rm -rf "$OWN_RUNTIME_DIR"
        OWN_RUNTIME_DIR=""
    fi
}
trap clean_up EXIT

# Starts a private X server and points DISPLAY at it; stopped again when the script exits.
start_xvfb() {
    local fifo
    fifo="$(mktemp -u)"
    mkfifo "$fifo"
    Xvfb -displayfd 3 -screen 0 "${XVFB_SCREEN:-1920x1200x24}" -nolisten tcp +extension GLX 3>"$fifo" >/dev/null 2>&1 &
    XVFB_PID=$!
    local number=""
    read -r -t 20 number <"$fifo" || true
    rm -f "$fifo"
    [ -n "$number" ] || { say "Xvfb did not start"; return 1; }
    export DISPLAY=":$number"
}

display_answers() {
    xdpyinfo >/dev/null 2>&1
}

# Environment for Qt programs under the private X server: software GL, a private runtime dir.
gui_environment() {
    export QT_QPA_PLATFORM=xcb
    export LIBGL_ALWAYS_SOFTWARE=1
    if [ -z "${XDG_RUNTIME_DIR:-}" ]; then
        OWN_RUNTIME_DIR="$(mktemp -d)"
        chmod 700 "$OWN_RUNTIME_DIR"
        export XDG_RUNTIME_DIR="$OWN_RUNTIME_DIR"
    fi
}

# Environment for the sanitizer build's tests. Mesa's software driver is preloaded so that it
# stays mapped until the leak check at exit: once unloaded, its one-time allocations would be
# reported from an unknown module that no suppression can name.
sanitizer_environment() {
    local asan driver
    asan="$(gcc -print-file-name=libasan.so)"
    driver="$(ls /usr/lib/*/dri/swrast_dri.so 2>/dev/null | head -n 1)"
    export LD_PRELOAD="$asan${driver:+ $driver}"
    export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:detect_stack_use_after_return=1"
    export LSAN_OPTIONS="suppressions=$ROOT/tools/lsan.supp:print_suppressions=0"
    export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
}
