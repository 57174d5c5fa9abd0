#!/usr/bin/env bash
# tools/run as a user meets it, on a copy of the sources so that the tree under test stays as
# it is: headless it leaves nothing behind; where it cannot show the editor it says why and
# fails. Installing packages is refused. Usage: tst_run.sh SOURCE_DIR
set -euo pipefail
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

mkdir "$scratch/source" "$scratch/bin"
tar -C "$1" --exclude='./build*' --exclude=./.git -cf - . | tar -C "$scratch/source" -xf -
run="$scratch/source/tools/run"
for tool in apt-get sudo; do
    printf '#!/bin/sh\necho "the test refuses to install packages: %s $*" >&2\nexit 1\n' "$tool" >"$scratch/bin/$tool"
    chmod +x "$scratch/bin/$tool"
done
export PATH="$scratch/bin:$PATH"

# expect_failure MESSAGE COMMAND...: COMMAND fails, not by a signal, and says MESSAGE. The first
# call builds the editor in the copy.
expect_failure() {
    local message="$1" status=0
    shift
    timeout 300 "$@" >"$scratch/out" 2>&1 || status=$?
    [ "$status" -ne 0 ] && [ "$status" -ne 124 ] || fail "$* exited with $status: $(cat "$scratch/out")"
    grep -qF "$message" "$scratch/out" || fail "$* did not say '$message': $(cat "$scratch/out")"
}

expect_failure "no X server answers" env DISPLAY=:4097 "$run"
expect_failure "The editor exited with status 1 before its window appeared" "$run" -platform offscreen
expect_failure "The editor cannot start here" env -u DISPLAY LIBGL_DRIVERS_PATH=/nonexistent "$run"

mkdir "$scratch/tmp"
env -u DISPLAY -u XDG_RUNTIME_DIR TMPDIR="$scratch/tmp" timeout 60 "$run" >"$scratch/out" 2>&1 \
    || fail "headless run: $(cat "$scratch/out")"
[ -f "$scratch/source/build/screenshot.png" ] || fail "headless run saved no screenshot"
[ -z "$(ls -A "$scratch/tmp")" ] || fail "left behind: $(ls -A "$scratch/tmp")"
echo "PASS"
