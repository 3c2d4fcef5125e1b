#!/usr/bin/env bash
# Builds the libFuzzer targets and runs each for a bounded time (FUZZ_SECONDS, 30 by default),
# two at a time, from the seed corpus in the repository. Fails on any finding.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${FUZZ_SECONDS:-30}
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

run() {
  local name=$1
  mkdir -p "$work/$name"
  cp fuzz/corpus/"$name"/* "$work/$name/"
  if build/fuzz/fuzz/"${name}_fuzz" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 \
      -artifact_prefix="$work/$name-" -print_final_stats=1 "$work/$name" >"$work/$name.log" 2>&1; then
    echo "fuzz $name: $(grep -m1 'stat::number_of_executed_units' "$work/$name.log" | awk '{print $2}') executions, no finding"
  else
    echo "fuzz $name: FINDING"
    tail -40 "$work/$name.log"
    ls "$work/$name"-* 2>/dev/null | while read -r crash; do echo "input: $(od -An -tx1 "$crash" | head -5)"; done
    return 1
  fi
}

status=0
targets=(argument_list argument_passes byte_kind command_line_builder profile_reader text_routines)
for ((i = 0; i < ${#targets[@]}; i += 2)); do
  pids=()
  for name in "${targets[@]:i:2}"; do
    run "$name" &
    pids+=($!)
  done
  for pid in "${pids[@]}"; do wait "$pid" || status=1; done
done
exit $status
