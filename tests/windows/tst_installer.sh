#!/usr/bin/env bash
# The Windows installer and zip as Windows users get them, under Wine in a fresh prefix whose
# drive Z: (the build machine) is removed, so the installed program finds nothing but what
# was installed: silent install, Start menu entry and installed-programs entry, the program
# driven by the Linux build's end-to-end test at 100 % and 150 %, a display without OpenGL,
# and the uninstaller.
# Usage: tst_installer.sh BUILD_DIR VERSION LINUX_TESTS_DIR
set -euo pipefail
build_dir="$1" version="$2" linux_tests="$3"
source "$(dirname "${BASH_SOURCE[0]}")/wine.sh"
private_display="$(dirname "${BASH_SOURCE[0]}")/../../tools/private-display"

work="$(mktemp -d)"
trap 'stop_wine_prefix; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

end_to_end="$linux_tests/tst_endtoend"
[ -x "$end_to_end" ] || fail "no $end_to_end: build the Linux release build first (cmake --build --preset release)"

# What both packages hold, and nothing else.
SHIPPED="bezier.exe
libgcc_s_seh-1.dll
libstdc++-6.dll
libwinpthread-1.dll
platforms/qwindows.dll
Qt6Core.dll
Qt6Gui.dll
Qt6OpenGL.dll
Qt6OpenGLWidgets.dll
Qt6Widgets.dll
styles/qwindowsvistastyle.dll"
files_in() { (cd "$1" && find . -type f | sed 's|^\./||' | LC_ALL=C sort -f); }

(cd "$build_dir" && cpack -B "$work/package" >/dev/null) || fail "cpack"
installer="$work/package/bezier-$version-win64.exe"
zip="$work/package/bezier-$version-win64.zip"
[ -f "$installer" ] || fail "no installer bezier-$version-win64.exe"
[ -f "$zip" ] || fail "no zip bezier-$version-win64.zip"
unzip -q "$zip" -d "$work/unzipped"
[ "$(files_in "$work/unzipped/bezier-$version-win64")" = "$SHIPPED" ] \
    || fail "the zip holds: $(files_in "$work/unzipped/bezier-$version-win64")"

start_wine_prefix "$work/prefix"
drive_c="$WINEPREFIX/drive_c"
rm "$WINEPREFIX/dosdevices/z:"
cp "$installer" "$drive_c/setup.exe"
"$WINE" 'C:\setup.exe' /S || fail "the silent install failed"
wineserver --wait

installed="$drive_c/Program Files/Bezier Curves"
[ "$(files_in "$installed" | grep -vx 'Uninstall.exe')" = "$SHIPPED" ] \
    || fail "installed: $(files_in "$installed")"
[ -f "$installed/Uninstall.exe" ] || fail "no uninstaller"
shortcut="$drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Bezier Curves/Bezier Curves.lnk"
[ -f "$shortcut" ] || fail "no Start menu entry 'Bezier Curves'"
# The shortcut's target, as the shell link stores it (8-bit and UTF-16 strings).
link_strings="$(strings -n 8 "$shortcut"; strings -n 8 -e l "$shortcut")"
target="$(grep -i '^[a-z]:\\.*\\bezier\.exe$' <<<"$link_strings" | head -n 1)" \
    || fail "the Start menu entry names no program: $link_strings"
[ "${target,,}" = 'c:\program files\bezier curves\bezier.exe' ] || fail "the Start menu entry points at $target"
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Bezier Curves'
registered="$("$WINE" reg query "$uninstall_key" 2>/dev/null | tr -d '\r')"
grep -q 'DisplayName.*Bezier Curves' <<<"$registered" || fail "not in the installed-programs list: $registered"
grep -qi 'UninstallString.*Uninstall.exe' <<<"$registered" || fail "no uninstaller registered: $registered"

# The program from where the Start menu entry points, driven with real X events.
cat >"$work/bezier" <<EOF
#!/bin/sh
exec "$WINE" '$target'
EOF
chmod +x "$work/bezier"
# Its screenshots go to the Windows build's folder, beside the Linux build's references.
run_end_to_end() {
    BEZIER_PROGRAM="$work/bezier" BEZIER_SCREEN_SCALE="$1" BEZIER_SCREENSHOTS="$build_dir/tests" \
        BEZIER_REFERENCE_SCREENSHOTS="$linux_tests" "$end_to_end" -o "$work/endtoend-$1.txt,txt" \
        || fail "the end-to-end test at scale $1: $(cat "$work/endtoend-$1.txt")"
    echo "end-to-end at scale $1: $(grep '^Totals' "$work/endtoend-$1.txt")"
}
run_end_to_end 1
# 150 %: what Windows' display settings write.
"$WINE" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 144 /f >/dev/null
wineserver --kill
wineserver --wait
run_end_to_end 1.5

# Where no OpenGL can be had, the editor says why and exits with 1. Under Wine that is a display
# without GLX, where Wine's opengl32 offers no pixel format: a stub opengl32 would not do, as
# the program links opengl32 and the loader would refuse it before the editor could speak.
no_gl="$work/no-gl-display"
display="$(XVFB_GLX=- "$private_display" start "$no_gl")"
DISPLAY="$display" "$WINE" "$target" >"$work/no-gl.out" 2>"$work/no-gl.err" &
editor=$!
box="$(DISPLAY="$display" timeout 60 xdotool search --sync --onlyvisible --name '^Bezier Curves cannot start$' | head -n 1)" \
    || fail "no message box on a display without OpenGL"
DISPLAY="$display" xdotool windowfocus --sync "$box" key Return
status=0
wait "$editor" || status=$?
"$private_display" stop "$no_gl"
[ "$status" -eq 1 ] || fail "exit status $status without OpenGL, not 1"
grep -q 'Bezier Curves needs OpenGL with display lists and buffer objects' "$work/no-gl.err" \
    || fail "no reason given without OpenGL: $(cat "$work/no-gl.err")"
[ ! -s "$work/no-gl.out" ] || fail "output without OpenGL: $(cat "$work/no-gl.out")"

"$WINE" 'C:\Program Files\Bezier Curves\Uninstall.exe' /S || fail "the silent uninstall failed"
wineserver --wait
[ ! -e "$installed" ] || fail "left behind: $(files_in "$installed")"
[ ! -e "$(dirname "$shortcut")" ] || fail "the Start menu entry is left behind"
! "$WINE" reg query "$uninstall_key" >/dev/null 2>&1 || fail "still in the installed-programs list"
echo "PASS"
