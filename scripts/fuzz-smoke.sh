#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (build/fuzz) and runs each one:
# first over its regression inputs (tests/fuzz/regressions/<reader>/), then
# fuzzing from fresh seeds plus the corpus kept in build/fuzz/corpus.
#   FUZZ_SECONDS  time per target (default 20)
#   FUZZ_RUNS     run this many inputs per target instead of a time limit
#   FUZZ_TARGETS  which readers (default: every target that was built)
# Ends non-zero when a build fails or any target finds something; the
# finding is left in build/fuzz/findings/<reader>/.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=$root/build/fuzz

if ! command -v clang++ >/dev/null 2>&1; then
  echo "fuzz-smoke: clang++ is not installed (scripts/setup.sh installs it)" >&2
  exit 1
fi
CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DDROPSHRINK_FUZZ=ON -DDROPSHRINK_TESTS=OFF >/dev/null || exit 1
cmake --build "$build" || exit 1
rm -rf "$build/seeds"
scripts/make-fuzz-seeds.sh "$build/seeds" || exit 1

targets=${FUZZ_TARGETS:-}
if [ -z "$targets" ]; then
  for exe in "$build"/tests/fuzz/fuzz_*; do
    [ -x "$exe" ] && targets+=" ${exe##*/fuzz_}"
  done
fi

# The targets cap the engine's pixel files at 256 MB, so no input gets near
# these; they leave room for the sanitizers on a loaded machine.
limits=(-rss_limit_mb=3072 -timeout=60)

# The targets' private temporary folders, gone at the end even when a
# finding ended a target early.
DROPSHRINK_FUZZ_ROOT=$(mktemp -d /dev/shm/dropshrink-fuzz-XXXXXX 2>/dev/null || mktemp -d)
export DROPSHRINK_FUZZ_ROOT
trap 'rm -rf "$DROPSHRINK_FUZZ_ROOT"' EXIT

failed=()
for name in $targets; do
  exe=$build/tests/fuzz/fuzz_$name
  if [ ! -x "$exe" ]; then
    echo "fuzz-smoke: no target fuzz_$name" >&2
    failed+=("$name (not built)")
    continue
  fi
  corpus=$build/corpus/$name
  findings=$build/findings/$name
  mkdir -p "$corpus" "$findings"
  regressions=$root/tests/fuzz/regressions/$name
  if [ -d "$regressions" ] && [ -n "$(ls -A "$regressions")" ]; then
    echo "==> fuzz_$name: regression inputs"
    if ! "$exe" "${limits[@]}" "$regressions"/* >"$findings/regressions.log" 2>&1
    then
      tail -n 40 "$findings/regressions.log"
      failed+=("$name (regressions)")
      continue
    fi
  fi
  limit=(-max_total_time="${FUZZ_SECONDS:-20}")
  [ -n "${FUZZ_RUNS:-}" ] && limit=(-runs="$FUZZ_RUNS")
  echo "==> fuzz_$name: ${limit[*]}"
  # A megabyte pac is padded by the target itself; 64 KB inputs are plenty.
  if "$exe" "${limit[@]}" -max_len=65536 "${limits[@]}" \
      -artifact_prefix="$findings/" -print_final_stats=1 \
      "$corpus" "$build/seeds/$name" >"$findings/fuzz.log" 2>&1; then
    grep -E 'stat::number_of_executed_units|Done [0-9]+ runs' "$findings/fuzz.log" | tail -n 2
  else
    tail -n 60 "$findings/fuzz.log"
    failed+=("$name")
  fi
done

if [ ${#failed[@]} -gt 0 ]; then
  printf 'fuzz-smoke: FAILED: %s\n' "${failed[@]}"
  exit 1
fi
echo "fuzz-smoke: every target ran clean"
