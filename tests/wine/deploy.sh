#!/usr/bin/env bash
# The zip as an office's administrator meets it before putting it on the
# share: the executable's icon, version and manifest, the licences of all
# it bundles, text that shows while it is typed, and an upgrade of a folder
# while a board runs from it. Every check prints a PASS or FAIL line.
source "$SRC/tests/wine/lib/winboards.sh"

version=$(sed -n 's/^project(SchedBoard VERSION \([0-9.]*\).*/\1/p' "$SRC/CMakeLists.txt")
echo "The zip as an administrator meets it: $ZIP"

# 1. The executable's resources, read from the exe in the zip.
rdir=$(win_folder resources)
exe=$rdir/SchedBoard.exe
res=$(wrestool -l "$exe" 2>&1)
check "SchedBoard.exe has an icon" grep -q 'type=group_icon' <<<"$res"
wrestool -x -t14 "$exe" > "$E2E_TMP/exe.ico" 2>/dev/null
sizes=$(icotool -l "$E2E_TMP/exe.ico" 2>/dev/null | sed -n 's/.*--width=\([0-9]*\).*/\1/p' | paste -sd' ')
check "its icon comes in 16, 32, 48, 64 and 256 pixels (has: $sizes)" [ "$sizes" = "16 32 48 64 256" ]
fileversion=$(wrestool -x --raw -t16 "$exe" 2>/dev/null | python3 -c '
import re, sys
m = re.search("FileVersion\0+([^\0]*)", sys.stdin.buffer.read().decode("utf-16-le", "replace"))
print(m.group(1) if m else "")')
check "its version information says FileVersion $version.0.0 (says: $fileversion)" [ "$fileversion" = "$version.0.0" ]
wrestool -x --raw -t24 -n1 "$exe" > "$E2E_TMP/manifest.xml" 2>/dev/null
manifest_ok() {
    python3 - "$E2E_TMP/manifest.xml" <<'PY'
import sys, xml.etree.ElementTree as ET
root = ET.parse(sys.argv[1]).getroot()
text = ET.tostring(root, encoding="unicode")
need = ["PerMonitorV2", "Microsoft.Windows.Common-Controls", "asInvoker",
        "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"]   # Windows 10 and 11
missing = [n for n in need if n not in text]
print("      manifest lacks: " + ", ".join(missing) if missing else "      manifest: well-formed, has " + ", ".join(need))
sys.exit(1 if missing else 0)
PY
}
check "its manifest is well-formed XML with DPI awareness, common controls, asInvoker and Windows 10" manifest_ok

# 2. The licences of everything the zip bundles.
lic=$rdir/licences
for f in README.txt LGPL-3.0.txt GPL-3.0.txt Qt-third-party.txt Qt-copyright.txt \
         GCC-runtime-copyright.txt mingw-w64-copyright.txt; do
    check "licences/$f is in the zip" [ -s "$lic/$f" ]
done
check "the GCC runtime's licence holds its runtime library exception" grep -q 'GCC RUNTIME LIBRARY EXCEPTION' "$lic/GCC-runtime-copyright.txt"
check "mingw-w64's copyright covers winpthreads" grep -q 'winpthreads' "$lic/mingw-w64-copyright.txt"
names_parts() {
    local n
    for n in "Data Compression Library (zlib)" "Freetype 2" HarfBuzz LibPNG LibJPEG PCRE2; do
        grep -q "^$n" "$lic/Qt-third-party.txt" || { echo "      not named: $n"; return 1; }
    done
}
check "Qt's third-party notices name zlib, FreeType, HarfBuzz, libpng, libjpeg and PCRE2" names_parts
unnamed=""
while read -r dll; do
    grep -qF "${dll//\//\\}" "$lic/README.txt" || unnamed+=" $dll"
done < <(cd "$rdir" && find . -name '*.dll' ! -name sb_sound.dll ! -name sb_print.dll | sed 's|^\./||')
check "the notice names every bundled DLL${unnamed:+ (misses:$unnamed)}" [ -z "$unnamed" ]
check "the notice says where Qt's source is and how to replace Qt's DLLs" \
    eval 'grep -q "apt-get source qt6-base=" "$lic/README.txt" && grep -q "Replacing Qt" "$lic/README.txt"'
crlf_only() { python3 -c 'import sys; d=open(sys.argv[1],"rb").read(); sys.exit(not d or d.count(b"\n") != d.count(b"\r\n"))' "$1"; }
check "the notice and Upgrade.cmd have CR LF line ends" eval 'crlf_only "$lic/README.txt" && crlf_only "$rdir/Upgrade.cmd"'

# 3. Typed text shows while it is typed: the grid's cell editor, the field
# used most, read back from the screen before Enter.
tdir=$(win_folder typing)
read -r tpid tw < <(start_board_kind win "$tdir" 0 0)
[ -n "$tw" ] || fail "the Windows board did not start"
read -r ux uy < <(update_button_xy)
click "$tw" "$ux" "$uy"
click "$tw" 263 20                       # Editing
click "$tw" "$TRAILER_X" "$(cell_y 6)"
xdotool windowfocus "$tw"
xdotool type --delay 80 "Hello 42"
sleep 0.5
shot "$tw" "$ARTIFACTS/typing_cell.png"
typed_shows() { grep -q "Hello 42" <<<"$(ocr "$tw" 100x24+0+$(( $(cell_y 6) - 12 )))"; }
check "text typed into a cell shows before Enter" typed_shows
keys Escape
click "$tw" 263 20
click "$tw" "$ux" "$uy"
# "Grid Sort / Print" comes from sb_print.dll, loaded only now.
xdotool windowfocus "$tw"
keys ctrl+shift+p
sort_print_shown() { xdotool search --onlyvisible --pid "$tpid" --name "^Grid Sort / Print$" >/dev/null 2>&1; }
check "Ctrl+Shift+P opens \"Grid Sort / Print\" from sb_print.dll" wait_for 20 sort_print_shown
shot root "$ARTIFACTS/sort_print.png"
keys Escape
stop_board "$tpid"

# 4. An upgrade while a board runs from the folder: only program files
# change, the running board keeps going, a new board starts.
udir=$(win_folder upgrade)
read -r upid uw < <(start_board_kind win "$udir" 0 0)
[ -n "$uw" ] || fail "the Windows board to upgrade under did not start"
data_sum() { (cd "$1" && find gsystem users colfiles databkup Help.chm -type f -print0 | sort -z | xargs -0 sha1sum | sha1sum); }
before=$(data_sum "$udir")
ndir=$(win_folder new-version)
printf 'new version\r\n' >> "$ndir/licences/README.txt"
env -u QT_QPA_PLATFORM wine cmd /c "$(winepath -w "$ndir/Upgrade.cmd")" "$(winepath -w "$udir")" > "$E2E_TMP/upgrade.log" 2>&1
rc=$?
tr -d '\r' < "$E2E_TMP/upgrade.log" | sed 's/^/      /'
check "Upgrade.cmd ends with success" [ "$rc" = 0 ]
check "the old program went to old-1" eval '[ -f "$udir/old-1/SchedBoard.exe" ] && [ -f "$udir/old-1/platforms/qwindows.dll" ]'
check "the new program is in place" eval '[ -f "$udir/SchedBoard.exe" ] && grep -q "new version" "$udir/licences/README.txt"'
check "the schedule, settings, help and backups are untouched" [ "$(data_sum "$udir")" = "$before" ]
check "the board that was running still runs" kill -0 "$upid"
read -r npid nw < <(start_board_kind win "$udir" 0 640)
check "a board started after the upgrade shows its window" [ -n "$nw" ]
stop_board "$npid"
stop_board "$upid"
not_board=$(mktemp -d "$E2E_TMP/empty.XXXX")
env -u QT_QPA_PLATFORM wine cmd /c "$(winepath -w "$ndir/Upgrade.cmd")" "$(winepath -w "$not_board")" > /dev/null 2>&1
rc=$?
check "Upgrade.cmd refuses a folder that holds no board and changes nothing" \
    eval '[ "$rc" != 0 ] && [ -z "$(ls -A "$not_board")" ]'

# A program file that cannot be moved aside (an immutable file stands in for
# one Windows will not rename): what was moved goes back, nothing changes.
sdir=$(win_folder stuck)
listing() { (cd "$1" && find . | sort | sha1sum); }
if chattr +i "$sdir/Qt6Gui.dll" 2>/dev/null; then
    before=$(listing "$sdir")
    env -u QT_QPA_PLATFORM wine cmd /c "$(winepath -w "$ndir/Upgrade.cmd")" "$(winepath -w "$sdir")" > "$E2E_TMP/stuck.log" 2>&1
    rc=$?
    after=$(listing "$sdir")
    chattr -i "$sdir/Qt6Gui.dll"
    check "Upgrade.cmd that cannot move a file aside puts everything back and says so" \
        eval '[ "$rc" != 0 ] && [ "$after" = "$before" ] && grep -q "Nothing was changed" "$E2E_TMP/stuck.log"'
else
    echo "SKIP: no immutable files here (chattr), so no file refuses to move"
fi
check "the zip's README.txt has the steps for a new board and a new version" \
    eval 'grep -q "Never unzip a new version over" "$rdir/README.txt" && grep -q "Upgrade.cmd <shared folder>" "$rdir/README.txt" && crlf_only "$rdir/README.txt"'

[ $failures = 0 ]
