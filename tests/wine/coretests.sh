#!/usr/bin/env bash
# Every core test program of the Windows build, run under Wine. Its output
# goes to a file: a Windows program's console does not reach this shell.
set -uo pipefail
out=$(mktemp -d)
passed=0 failed=0 broken=()
for exe in "$WIN_BUILD"/bin/tst_*.exe; do
  name=$(basename "$exe" .exe)
  (cd "$out" && timeout 600 wine "$exe" -o "$name.txt,txt" >/dev/null 2>&1)
  totals=$(grep -a '^Totals:' "$out/$name.txt" 2>/dev/null | tr -d '\r')
  p=$(sed -n 's/^Totals: \([0-9]*\) passed, \([0-9]*\) failed.*/\1/p' <<<"$totals")
  f=$(sed -n 's/^Totals: \([0-9]*\) passed, \([0-9]*\) failed.*/\2/p' <<<"$totals")
  if [ -z "$p" ]; then
    broken+=("$name"); echo "$name: no result"; continue
  fi
  passed=$((passed + p)); failed=$((failed + f))
  echo "$name: $totals"
  [ "$f" = 0 ] || grep -a -A3 '^FAIL!' "$out/$name.txt" | tr -d '\r'
done
rm -rf "$out"
echo "windows core tests: $passed passed, $failed failed"
[ "$failed" = 0 ] && [ ${#broken[@]} = 0 ]
