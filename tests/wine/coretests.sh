#!/usr/bin/env bash
# Every core test program of the Windows build, run under Wine. The programs
# are the tests CTest knows in the Windows build folder, so one that failed
# to build is missed by name. Output goes to a file (a Windows program's
# console does not reach this shell); a program that crashes, hangs past
# CORE_TEST_TIMEOUT seconds or ends without its totals is a failure.
set -uo pipefail
limit=${CORE_TEST_TIMEOUT:-300}
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

mapfile -t names < <(cd "$WIN_BUILD" && ctest -N 2>/dev/null | sed -n 's/^ *Test *#[0-9]*: \(tst_[a-z_]*\)$/\1/p')
if [ ${#names[@]} = 0 ]; then
  echo "no core tests known in $WIN_BUILD"
  echo "0 passed, 1 failed"
  exit 1
fi

passed=0 failed=0 skipped=0 broken=()
for name in "${names[@]}"; do
  exe=$WIN_BUILD/bin/$name.exe
  if [ ! -f "$exe" ]; then
    broken+=("$name (not built)"); echo "$name: not built"; continue
  fi
  log=$out/$name.txt
  start=$SECONDS
  # The Windows process is the one wine starts, so the timeout ends it alone.
  (cd "$out" && timeout -k 10 "$limit" wine "$exe" -o "$name.txt,txt" >/dev/null 2>&1)
  rc=$?
  took=$((SECONDS - start))
  totals=$(grep -a '^Totals:' "$log" 2>/dev/null | tr -d '\r')
  read -r p f s < <(sed -n 's/^Totals: \([0-9]*\) passed, \([0-9]*\) failed, \([0-9]*\) skipped.*/\1 \2 \3/p' <<<"$totals")
  if [ "$rc" = 124 ] || [ "$rc" = 137 ]; then
    broken+=("$name (hung: killed after ${limit} s)"); echo "$name: hung, killed after ${limit} s"
    grep -a '^\(PASS\|FAIL\|SKIP\)' "$log" 2>/dev/null | tail -n 1 | tr -d '\r' | sed 's/^/  last: /'
    continue
  fi
  if [ -z "${p:-}" ]; then
    broken+=("$name (crashed: exit $rc, no totals)"); echo "$name: crashed (exit $rc) without totals"
    grep -a '^\(PASS\|FAIL\|SKIP\)' "$log" 2>/dev/null | tail -n 1 | tr -d '\r' | sed 's/^/  last: /'
    continue
  fi
  passed=$((passed + p)); failed=$((failed + f)); skipped=$((skipped + s))
  echo "$name: $totals (${took} s)"
  grep -a -A2 '^FAIL!' "$log" | tr -d '\r' | sed 's/^/  /'
  grep -a '^SKIP' "$log" | tr -d '\r' | sed 's/^SKIP *: /  skipped: /'
  # A nonzero exit with no failure counted is still wrong.
  if [ "$f" = 0 ] && [ "$rc" != 0 ]; then
    broken+=("$name (exit $rc)"); echo "$name: exit $rc without a failure counted"
  fi
done

for b in "${broken[@]}"; do echo "broken: $b"; done
failed=$((failed + ${#broken[@]}))
echo "coretests: $passed passed, $failed failed, $skipped skipped"
[ "$failed" = 0 ]
