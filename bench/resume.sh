#!/usr/bin/env bash
# quorvane-cli check --resume over an interrupted run of 1,000,000 names, half
# of them finished: time to the first query and peak memory; the same for a
# fresh check of those names; and the results a check killed with SIGKILL lost.
set -euo pipefail
BENCH_DIR="${BENCH_DIR:-$(cd "$(dirname "$0")/.." && pwd)/build/bench}"
CLI="${QV_BUILD:-$BENCH_DIR/..}/bin/quorvane-cli"
"$BENCH_DIR/resume_bench" "$CLI" 1000000
"$BENCH_DIR/resume_bench" "$CLI" 1000000 fresh
"$BENCH_DIR/resume_bench" "$CLI" 200000 kill
