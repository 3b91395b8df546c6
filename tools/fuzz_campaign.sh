#!/usr/bin/env bash
# Fuzzing beyond the tests' short runs: a long campaign over every target, and the committed corpus
# made anew from the seeds.
#   tools/fuzz_campaign.sh run [SECONDS [JOBS [TARGET...]]]
#                                             each target (or the TARGETs named: bitmap, font,
#                                             logo_sound, menu_music) for SECONDS (default 1200,
#                                             that is 20 minutes) from the committed corpus, JOBS
#                                             at a time (default 1), going on after failures;
#                                             results in build-fuzz/fuzz-campaign/
#   tools/fuzz_campaign.sh corpus [FOLDER...] remakes tests/fuzz/corpus: the seeds of
#                                             tests/fuzz/make_seeds.py, the committed corpus and the
#                                             FOLDERs' TARGET subfolders (a campaign's grown corpus,
#                                             build-fuzz/fuzz-campaign/corpus, say), merged by
#                                             libFuzzer into the fewest inputs that keep every
#                                             feature
# Both build build-fuzz first (clang, QUORVANE_FUZZ=ON), and run under nice.
# The campaign's results: report.md (a row a target: time, executions, corpus size, failures),
# artifacts/TARGET (every failing input), triage-TARGET.txt (the failures sorted into distinct
# faults, with their stacks) and corpus/TARGET (the grown corpus).
# SPDX-FileCopyrightText: 2026 The Quorvane developers
# SPDX-License-Identifier: MIT
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
targets=(bitmap font logo_sound menu_music)
build=$root/build-fuzz
fuzz=$root/tests/fuzz
python=/usr/bin/python3
max_len=65536

build_fuzzers() {
  cmake -S . -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DQUORVANE_FUZZ=ON -DQUORVANE_BENCH=OFF \
    >/dev/null
  nice -n 10 cmake --build "$build" -j2 --target "${targets[@]/#/fuzz_}"
}

# One target of a campaign: its run, then the triage of what failed; fails when the run failed.
fuzz_target() {
  local target=$1 seconds=$2 out=$3 status=0
  nice -n 10 "$python" -B "$fuzz/run_fuzzer.py" --fuzzer "$build/tests/fuzz/fuzz_$target" \
    --corpus "$fuzz/corpus/$target" --dict "$fuzz/dict/$target.dict" --seconds "$seconds" \
    --max-len "$max_len" --work "$out/work/$target" --artifacts "$out/artifacts/$target" \
    --lsan-suppressions "$root/tests/sanitizer/lsan.supp" --keep-going --report "$out/report.md" \
    --keep-corpus "$out/corpus/$target" || status=1
  nice -n 10 "$python" -B "$fuzz/triage.py" --fuzzer "$build/tests/fuzz/fuzz_$target" \
    "$out/artifacts/$target" >"$out/triage-$target.txt"
  return $status
}

campaign() {
  local seconds=${1:-1200} jobs=${2:-1}
  shift 2
  [ "$#" -gt 0 ] && targets=("$@")
  local out=$build/fuzz-campaign
  rm -rf "$out"
  mkdir -p "$out"
  {
    echo "Campaign of $(date -u '+%Y-%m-%d %H:%M UTC'), $seconds s a target, $jobs at a time," \
      "at $(git rev-parse --short HEAD)"
    echo
    echo "| Target | Time | Executions | Corpus at the end | Failures | Kinds |"
    echo "|---|---|---|---|---|---|"
  } >"$out/report.md"
  local failed=0 running=0
  for target in "${targets[@]}"; do
    if [ "$running" -ge "$jobs" ]; then
      wait -n || failed=1
      running=$((running - 1))
    fi
    fuzz_target "$target" "$seconds" "$out" &
    running=$((running + 1))
  done
  while [ "$running" -gt 0 ]; do
    wait -n || failed=1
    running=$((running - 1))
  done
  rm -rf "$out/work"
  cat "$out/report.md"
  return $failed
}

corpus() {
  local seeds
  seeds=$(mktemp -d)
  trap 'rm -rf "$seeds"' RETURN
  "$python" -B "$fuzz/make_seeds.py" "$seeds"
  for target in "${targets[@]}"; do
    local extra=()
    # Absolute, as the fuzzer works in run directories of its own.
    for folder in "$@"; do
      [ -d "$folder/$target" ] && extra+=("$(realpath "$folder/$target")")
    done
    local merged=$seeds/merged-$target
    mkdir -p "$merged" "$seeds/tmp"
    # Merged without value profiles, which would keep an input for every compared value.
    TMPDIR=$seeds/tmp ASAN_OPTIONS=fast_unwind_on_fatal=1 nice -n 10 \
      "$build/tests/fuzz/fuzz_$target" -merge=1 -max_len=$max_len -timeout=10 \
      -malloc_limit_mb=256 "$merged" "$fuzz/corpus/$target" "$seeds/$target" "${extra[@]}" \
      2>"$seeds/merge-$target.log" || { tail -20 "$seeds/merge-$target.log"; return 1; }
    rm -rf "${fuzz:?}/corpus/$target"
    mv "$merged" "$fuzz/corpus/$target"
    echo "$target: $(find "$fuzz/corpus/$target" -type f | wc -l) inputs," \
      "$(du -sk "$fuzz/corpus/$target" | cut -f1) KiB"
  done
}

case "${1:-}" in
  run)
    shift
    build_fuzzers
    campaign "${1:-1200}" "${2:-1}" "${@:3}"
    ;;
  corpus)
    shift
    build_fuzzers
    corpus "$@"
    ;;
  *)
    echo "usage: $0 run [SECONDS [JOBS]] | corpus [FOLDER...]" >&2
    exit 2
    ;;
esac
