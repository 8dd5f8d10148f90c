#!/usr/bin/env bash
# Runs every benchmark with repetitions and prints the medians only.
# Called from the build folder by `make bench`.
set -euo pipefail
status=0
for b in bin/bench_*; do
    [ -x "$b" ] || continue
    echo "== $(basename "$b")"
    case "$b" in
        *.sh) "$b" || status=1 ;;
        *) QT_QPA_PLATFORM=offscreen "$b" --benchmark_repetitions=9 --benchmark_report_aggregates_only=true \
              --benchmark_display_aggregates_only=true 2>/dev/null | grep -E '_median|^Benchmark|^-' || status=1 ;;
    esac
done
exit $status
