#!/usr/bin/env bash
# Runs a Windows test program under Wine in a fresh prefix and exits with its status.
# Usage: run-in-wine.sh DLL_FOLDER... -- PROGRAM [ARGUMENT...]
# The program finds its DLLs in the folders given, as it would next to it.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/wine.sh"

folders=()
while [ $# -gt 0 ] && [ "$1" != -- ]; do
    folders+=("$(windows_path "$1")")
    shift
done
[ $# -ge 2 ] || { echo "usage: $0 DLL_FOLDER... -- PROGRAM [ARGUMENT...]" >&2; exit 2; }
shift

trap stop_wine_prefix EXIT
start_wine_prefix "$(mktemp -d)"
WINEPATH="$(IFS=';'; echo "${folders[*]}")" "$WINE" "$@"
