#!/bin/bash
# Builds the Debian package from a built tree and checks it as an installer
# would meet it: the control data, the file list, the desktop entry and the
# AppStream metadata, then a first start from the unpacked files with an
# empty home, which must copy the sample and show the board.
#   packagecheck.sh <build dir> <source dir>
set -euo pipefail
BUILD=$1
SRC=$2
TMP=$(mktemp -d)
board=""
trap '[ -n "$board" ] && kill "$board" 2>/dev/null; rm -rf "$TMP"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cpack --config "$BUILD/CPackConfig.cmake" -B "$TMP/out" >"$TMP/cpack.log" 2>&1 || { cat "$TMP/cpack.log"; fail "cpack"; }
debs=("$TMP"/out/schedboard_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "no single .deb in $(ls "$TMP/out")"
deb=${debs[0]}

info=$(dpkg-deb --info "$deb")
for field in "Package: schedboard" "Architecture: $(dpkg --print-architecture)" "Section: misc" \
             "Depends: .*libqt6widgets6" "Depends: .*libqt6multimedia6" "Depends: .*libqt6printsupport6" \
             "Depends: .*fonts-dejavu-core"; do
    grep -Eq "^ $field" <<<"$info" || fail "control lacks '$field':"$'\n'"$info"
done
version=$(sed -n 's/^project(SchedBoard VERSION \([0-9.]*\).*/\1/p' "$SRC/CMakeLists.txt")
grep -q "^ Version: $version\$" <<<"$info" || fail "version is not $version"

contents=$(dpkg-deb --contents "$deb" | awk '{print $6, $7, $8}')
expect() { grep -Eq "^\./$1( |\$)" <<<"$contents" || fail "package lacks $1"; }
expect "usr/lib/schedboard/SchedBoard"
expect "usr/lib/schedboard/libsb_sound.so"
expect "usr/lib/schedboard/libsb_print.so"
expect "usr/bin/schedboard -> \.\./lib/schedboard/SchedBoard"
expect "usr/share/applications/org.schedboard.SchedBoard.desktop"
expect "usr/share/icons/hicolor/32x32/apps/org.schedboard.SchedBoard.png"
expect "usr/share/icons/hicolor/64x64/apps/org.schedboard.SchedBoard.png"
expect "usr/share/metainfo/org.schedboard.SchedBoard.metainfo.xml"
expect "usr/share/doc/schedboard/copyright"
# The whole installation data, as the sample.
(cd "$SRC/data" && find . -type f) | while read -r f; do expect "usr/share/schedboard/data/${f#./}"; done
# Nothing of the build or the tests.
if grep -Eq "tst_|bench_|fuzz_|\.a$|CMake" <<<"$contents"; then fail "stray files:"$'\n'"$contents"; fi

root=$TMP/root
dpkg-deb -x "$deb" "$root"
desktop-file-validate "$root/usr/share/applications/org.schedboard.SchedBoard.desktop"
appstreamcli validate --no-net --pedantic "$root/usr/share/metainfo/org.schedboard.SchedBoard.metainfo.xml" >"$TMP/as.log" 2>&1 \
    || { cat "$TMP/as.log"; fail "AppStream metadata"; }
cmp -s "$root/usr/share/schedboard/data/gsystem/sgrid.scd" "$SRC/data/gsystem/sgrid.scd" || fail "sample differs"

# The first start: ~/SchedBoard copied from the sample, the board running on it.
home=$TMP/home
mkdir -p "$home"
HOME=$home QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=$TMP "$root/usr/bin/schedboard" >"$TMP/board.log" 2>&1 &
board=$!
for _ in $(seq 100); do [ -f "$home/SchedBoard/gsystem/sgrid.scd" ] && break; sleep 0.1; done
sleep 1
kill -0 "$board" 2>/dev/null || { cat "$TMP/board.log"; fail "the installed board did not keep running"; }
kill "$board"; wait "$board" 2>/dev/null || true; board=""
# (The user list is left out: the board adds its user to it when it ends.)
for f in $(cd "$SRC/data" && find . -type f ! -path ./users/users.scd); do
    cmp -s "$SRC/data/$f" "$home/SchedBoard/$f" || fail "first start did not copy $f"
done
ls "$home" | grep -q sbtmp && fail "staging folder left in the home folder"

# A second start keeps the user's schedule.
printf 'mine\r\n' > "$home/SchedBoard/gsystem/FixedColumn.scd"
HOME=$home QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=$TMP "$root/usr/bin/schedboard" >>"$TMP/board.log" 2>&1 &
board=$!
sleep 2
kill -0 "$board" 2>/dev/null || { cat "$TMP/board.log"; fail "the second start did not keep running"; }
kill "$board"; wait "$board" 2>/dev/null || true; board=""
[ "$(cat "$home/SchedBoard/gsystem/FixedColumn.scd")" = $'mine\r' ] || fail "second start replaced the user's file"
echo "package ok: $(basename "$deb")"
