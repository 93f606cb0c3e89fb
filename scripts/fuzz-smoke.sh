#!/usr/bin/env bash
# Builds the libFuzzer targets and runs each for a short while (default 20 s).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${FUZZ_SECONDS:-20}"
cmake --preset fuzz
cmake --build --preset fuzz
status=0
for target in build/fuzz/fuzz/*_fuzz; do
  [ -x "$target" ] || continue
  name=$(basename "$target")
  corpus="build/fuzz/corpus/$name"
  mkdir -p "$corpus"
  seeds=()
  [ -d "fuzz/seeds/$name" ] && seeds=("fuzz/seeds/$name")
  echo "== $name ($seconds s)"
  if ! "$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=0 \
       "$corpus" "${seeds[@]}" >"build/fuzz/$name.log" 2>&1; then
    tail -n 60 "build/fuzz/$name.log"
    status=1
  else
    grep -E '^#[0-9]+.*DONE' "build/fuzz/$name.log" | tail -n 1 || true
  fi
done
exit $status
