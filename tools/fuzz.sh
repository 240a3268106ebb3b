#!/usr/bin/env bash
# Builds the fuzz targets (libFuzzer with AddressSanitizer and UndefinedBehaviorSanitizer,
# clang 14) into build-fuzz/ and runs each for the given number of seconds (default 60) on a
# copy of its seed corpus. Prints what each run did; exits nonzero when one found something.
#   bash tools/fuzz.sh [seconds] [target ...]     targets: exportreader devicelines exchange
#                                                 reportini reporthtml (default all)
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
seconds="${1:-60}"
[ $# -gt 0 ] && shift
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(exportreader devicelines exchange reportini reporthtml)
case "$seconds" in '' | *[!0-9]*) echo "fuzz.sh: seconds must be a whole number" >&2; exit 2 ;; esac

bash "$root/tools/install_deps.sh" cmake make g++ clang-14 libclang-rt-14-dev qtbase5-dev libqt5webkit5-dev
build="${FUZZ_BUILD_DIR:-$root/build-fuzz}"
launcher=()
if command -v ccache >/dev/null 2>&1; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake -S "$root" -B "$build" -DLAB_BUILD_FUZZERS=ON -DCMAKE_CXX_COMPILER=clang++-14 -DBUILD_TESTING=OFF \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" >/dev/null
cmake --build "$build" -j"$(nproc)" --target fuzzers >/dev/null

# Scratch files of the targets are many and small: keep them in memory where possible.
if [ -d /dev/shm ] && [ -w /dev/shm ]; then
  export TMPDIR=/dev/shm
fi
status=0
for t in "${targets[@]}"; do
  binary="$build/tools/fuzz/fuzz_$t"
  if [ ! -x "$binary" ]; then
    echo "fuzz.sh: no target $t" >&2
    status=2
    continue
  fi
  work="$build/fuzz-runs/$t"
  rm -rf "$work"
  mkdir -p "$work/corpus" "$work/findings"
  if [ -d "$root/tools/fuzz/corpus/$t" ]; then
    cp "$root/tools/fuzz/corpus/$t"/* "$work/corpus/"
  fi
  options=(-max_total_time="$seconds" -max_len=16384 -timeout=10 -print_final_stats=1
           -artifact_prefix="$work/findings/")
  if [ -f "$root/tools/fuzz/$t.dict" ]; then
    options+=(-dict="$root/tools/fuzz/$t.dict")
  fi
  echo "== fuzz_$t for ${seconds} s"
  rc=0
  (cd "$work" && "$binary" "${options[@]}" corpus >"$work/log" 2>&1) || rc=$?
  last="$(grep -E 'cov: [0-9]+' "$work/log" | tail -n 1 || true)"
  stat() { sed -n "s/^stat::$1: *//p" "$work/log"; }
  echo "   executions:  $(stat number_of_executed_units) ($(stat average_exec_per_sec)/s)"
  echo "   coverage:    $(echo "$last" | grep -oE 'cov: [0-9]+ ft: [0-9]+')"
  echo "   corpus:      $(find "$work/corpus" -type f | wc -l) inputs, $(du -sh "$work/corpus" | cut -f1)"
  findings="$(find "$work/findings" -type f)"
  if [ "$rc" -ne 0 ] || [ -n "$findings" ]; then
    status=1
    echo "   FINDING (exit $rc), log: $work/log"
    grep -E 'invariant broken|ERROR: |SUMMARY: ' -A1 "$work/log" | head -n 8 | sed 's/^/     /'
    for f in $findings; do
      echo "   input: $f (reproduce: $binary $f)"
    done
  fi
done
exit "$status"
