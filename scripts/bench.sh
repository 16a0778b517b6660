#!/bin/bash
# Builds every benchmark of bench/ and runs each under Wine, then prints the
# table rows they reported (lines beginning with "|") together.
#   scripts/bench.sh [build folder]     (default: build)
# First the whole-process benchmark (bench/whole_process.sh: ruzer.exe with its
# real window against xcopy and a bare walk, side by side), then the in-process
# benchmarks kept for diagnosis. RUZER_BENCH_ONLY=whole or =inprocess runs one
# part. The engine benchmarks write a few GB into the Wine prefix's temp folder
# and take several minutes; run them on an otherwise idle machine.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
case $build in /*) ;; *) build=$root/$build ;; esac
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" >/dev/null
fi
only=${RUZER_BENCH_ONLY:-}
if [ "$only" != inprocess ]; then
  cmake --build "$build" -j2 --target ruzer bench_whole_driver -- --no-print-directory >/dev/null
  echo "== whole processes"
  "$root/bench/whole_process.sh" "$build"
  echo
fi
[ "$only" = whole ] && exit 0
targets=$(sed -n '/set(RUZER_BENCHMARKS/,/)/p' "$root/bench/CMakeLists.txt" | grep -v -e 'set(' -e ')' | xargs)
for t in $targets; do
  cmake --build "$build" -j2 --target "bench_$t" -- --no-print-directory >/dev/null
done
# Some benchmarks open windows.
source "$root/scripts/xvfb.sh"
rows=$(mktemp)
trap 'rm -f "$rows"; [ -n "${RUZER_XVFB_PID:-}" ] && kill "$RUZER_XVFB_PID" 2>/dev/null || true' EXIT
for t in $targets; do
  echo "== bench_$t"
  if ! "$root/cmake/wine-run" "$build/bench/bench_$t.exe" 2>&1 | tee -a "$rows"; then
    echo "   (bench_$t failed)"
  fi
done
echo
echo "| Benchmark | Measured | Baseline | Ratio / share | Target |"
echo "|---|---|---|---|---|"
grep '^| ' "$rows" || true
