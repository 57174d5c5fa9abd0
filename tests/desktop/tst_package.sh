#!/usr/bin/env bash
# The package and the installed program as users get them: builds the Debian package,
# stages the install, validates the desktop files and starts the staged program.
# Usage: tst_package.sh BUILD_DIR APP_ID VERSION CLOSE_WINDOW
set -euo pipefail
build_dir="$1" app_id="$2" version="$3" close_window="$4"

work="$(mktemp -d)"
editor=""
trap '[ -n "$editor" ] && kill "$editor" 2>/dev/null; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

(cd "$build_dir" && cpack -G DEB -B "$work/package" >/dev/null) || fail "cpack -G DEB"
deb="$(ls "$work"/package/*.deb)"
[ "$(dpkg-deb -f "$deb" Package)" = bezier ] || fail "package name"
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "package version is not $version"
[ -n "$(dpkg-deb -f "$deb" Maintainer)" ] || fail "no maintainer"
depends="$(dpkg-deb -f "$deb" Depends)"
[[ "$depends" == *libqt6widgets6* ]] || fail "Depends lacks the Qt libraries: $depends"
[[ "$depends" != *-dev* ]] || fail "Depends names a -dev package: $depends"
lintian_report="$(lintian --no-tag-display-limit "$deb" 2>/dev/null || true)"
! grep -q '^E:' <<<"$lintian_report" || fail "lintian errors: $lintian_report"

prefix="$work/stage/usr"
cmake --install "$build_dir" --prefix "$prefix" >/dev/null
desktop_entry="$prefix/share/applications/$app_id.desktop"
metainfo="$prefix/share/metainfo/$app_id.metainfo.xml"
for file in "$prefix/bin/bezier" "$desktop_entry" "$metainfo" \
    "$prefix/share/icons/hicolor/scalable/apps/$app_id.svg" "$prefix/share/man/man1/bezier.1.gz"; do
    [ -f "$file" ] || fail "not installed: ${file#"$prefix"/}"
done
! desktop-file-validate "$desktop_entry" | grep -E ': (error|warning): ' || fail "desktop-file-validate"
appstream_report="$(appstreamcli validate --no-net "$metainfo" 2>&1)" || fail "appstreamcli: $appstream_report"
! grep -qE '^(E|W):' <<<"$appstream_report" || fail "appstreamcli: $appstream_report"
[ -z "$(man --warnings -l "$prefix/share/man/man1/bezier.1.gz" 2>&1 >/dev/null)" ] || fail "man page warnings"
readelf -d "$prefix/bin/bezier" | grep -qE 'R(UN)?PATH' && fail "the installed program points into the build tree"

# The staged program, started from elsewhere, shows its window and ends with status 0.
(cd "$work" && exec "$prefix/bin/bezier") >/dev/null &
editor=$!
window="$(timeout 30 xdotool search --sync --onlyvisible --pid "$editor" --name '^Bezier Curves$' | head -n 1)" \
    || fail "the staged program showed no window"
# Escape leaves it open; closing the window, as a window manager does, ends it.
xdotool windowfocus --sync "$window" key Escape
sleep 0.3
kill -0 "$editor" 2>/dev/null || fail "Escape closed the staged program"
"$close_window" "$window"
status=0
timeout 10 tail --pid="$editor" -f /dev/null || fail "the staged program did not close"
wait "$editor" || status=$?
editor=""
[ "$status" -eq 0 ] || fail "the staged program exited with status $status"
echo "PASS"
