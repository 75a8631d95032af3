#!/usr/bin/env bash
# Builds and runs the link benchmarks once: a 10,000-entry listing, and a
# large file copied each way through link + emulated receiver beside cp of the
# same file on the same disk, with the ratios printed at the end.
#   bench/run-transfer.sh [BUILD_DIR]     (default: build)
# QUORVANE_BENCH_DIR picks the disk (default: the temporary folder),
# QUORVANE_BENCH_MIB the file size (default 256).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build="${1:-$here/build}"
cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j 2 --target link_bench
dir="${QUORVANE_BENCH_DIR:-${TMPDIR:-/tmp}}"
echo "files in $dir ($(df -PT "$dir" | awk 'NR==2 {print $2}'))"
"$build/bench/link_bench" --benchmark_counters_tabular=true
