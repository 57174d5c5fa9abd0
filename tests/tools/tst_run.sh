#!/usr/bin/env bash
# tools/run as a user meets it: headless it leaves nothing behind; where it cannot show the
# editor it says why and fails. Usage: tst_run.sh SOURCE_DIR
set -euo pipefail
run="$1/tools/run"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# expect_failure MESSAGE COMMAND...: COMMAND fails, not by a signal, and says MESSAGE.
expect_failure() {
    local message="$1" status=0
    shift
    timeout 60 "$@" >"$scratch/out" 2>&1 || status=$?
    [ "$status" -ne 0 ] && [ "$status" -ne 124 ] || fail "$* exited with $status"
    grep -qF "$message" "$scratch/out" || fail "$* did not say '$message': $(cat "$scratch/out")"
}

expect_failure "no X server answers" env DISPLAY=:4097 "$run"
expect_failure "The editor exited with status 1 before its window appeared" "$run" -platform offscreen
expect_failure "The editor cannot start here" env -u DISPLAY LIBGL_DRIVERS_PATH=/nonexistent "$run"

mkdir "$scratch/tmp"
env -u DISPLAY -u XDG_RUNTIME_DIR TMPDIR="$scratch/tmp" timeout 60 "$run" >/dev/null 2>&1 || fail "headless run"
[ -z "$(ls -A "$scratch/tmp")" ] || fail "left behind: $(ls -A "$scratch/tmp")"
echo "PASS"
