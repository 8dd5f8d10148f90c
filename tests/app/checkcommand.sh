#!/usr/bin/env bash
# `SchedBoard --check` as an administrator runs it, with no display at all:
# on a data folder fresh from the installation data every check passes and
# it exits with 0; with a link planted among the data files it names the
# link and exits with 1. It leaves none of its own files behind.
set -u
board=$1
data=$2

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM

for asked in --help -h "-?"; do
    help=$("$board" "$asked") || fail "$asked exited with $?"
    grep -q -- "--check" <<<"$help" || fail "$asked does not name --check"
    ! grep -q -- "--check-probe" <<<"$help" || fail "$asked shows the probe option"
done

cp -r "$data" "$work/share"
out=$("$board" --check "$work/share")
code=$?
echo "$out"
[ "$code" -eq 0 ] || fail "exit code $code on a fresh data folder"
grep -q "^All checks passed\.$" <<<"$out" || fail "no overall result"
! grep -q "^PROBLEM" <<<"$out" || fail "a problem reported on a fresh data folder"

mkdir "$work/elsewhere"
ln -s "$work/elsewhere" "$work/share/colfiles/Linked.scd"
out=$("$board" --check "$work/share")
code=$?
echo "$out"
[ "$code" -eq 1 ] || fail "exit code $code with a link among the data files"
grep -q "^PROBLEM: 1 link .*colfiles/Linked.scd -> " <<<"$out" || fail "the link is not named"

left=$(find "$work/share" -name '~sbcheck*')
[ -z "$left" ] || fail "check files left behind: $left"

out=$("$board" --check "$work/none")
code=$?
[ "$code" -eq 1 ] || fail "exit code $code for a folder that does not exist"
echo "check command: ok"
