#!/usr/bin/env bash
# run.sh BIN SECONDS: runs every fuzz target in BIN for SECONDS on a copy of
# its seed corpus (the seeds in the repository stay as they are). A crash or
# a broken property fails the run; its input is kept in BIN/../fuzz-artifacts.
set -uo pipefail
bin=$1
seconds=${2:-30}
src=$(cd "$(dirname "$0")" && pwd)
artifacts=$(cd "$bin/.." && pwd)/fuzz-artifacts
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$artifacts"

failed=()
for seeds in "$src"/corpus/fuzz_*/; do
    name=$(basename "$seeds")
    [ -x "$bin/$name" ] || { echo "$name: not built" >&2; failed+=("$name"); continue; }
    cp -r "$seeds" "$work/$name"
    echo "== $name ($seconds s)"
    if "$bin/$name" -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
        -artifact_prefix="$artifacts/$name-" "$work/$name" > "$work/$name.log" 2>&1; then
        grep -E '^stat::number_of_executed_units|^#[0-9]+.*DONE' "$work/$name.log" | tail -n 2
    else
        tail -n 40 "$work/$name.log" >&2
        failed+=("$name")
    fi
done
if [ ${#failed[@]} -gt 0 ]; then
    echo "fuzzing failed: ${failed[*]} (inputs in $artifacts)" >&2
    exit 1
fi
echo "fuzzing passed"
