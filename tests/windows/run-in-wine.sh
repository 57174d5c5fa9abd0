#!/usr/bin/env bash
# Runs a Windows Qt Test program under Wine in a fresh prefix, prints its log and exits with
# its status (the number of failed tests).
# Usage: run-in-wine.sh DLL_FOLDER... -- PROGRAM [ARGUMENT...]
# The program finds its DLLs in the folders given, as it would next to it. Its log goes
# through a file: what Qt Test writes to the console of a Windows program does not reach a
# pipe under Wine.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/wine.sh"

folders=()
while [ $# -gt 0 ] && [ "$1" != -- ]; do
    folders+=("$(windows_path "$1")")
    shift
done
[ $# -ge 2 ] || { echo "usage: $0 DLL_FOLDER... -- PROGRAM [ARGUMENT...]" >&2; exit 2; }
shift

work="$(mktemp -d)"
trap 'stop_wine_prefix; rm -rf "$work"' EXIT
start_wine_prefix "$work/prefix"
status=0
WINEPATH="$(IFS=';'; echo "${folders[*]}")" "$WINE" "$@" -o "$(windows_path "$work/log.txt"),txt" || status=$?
cat "$work/log.txt" 2>/dev/null || echo "FAIL: $1 wrote no log (exit status $status)"
exit $status
