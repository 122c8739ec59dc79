#!/usr/bin/env bash
# Whole check runs through quorvane-cli at 500 connections against loopback
# registries that throttle: 40/s with a notice beyond it (also with pacing
# off, as before pacing), 20/s with an 8 s ban announced, 40/s silent beyond
# it, RDAP 20/s answering 429 with Retry-After: 1, and a throttled .com
# beside an unthrottled .net (see bench/pacing_bench.cpp). About 3 minutes.
set -euo pipefail
BENCH_DIR="${BENCH_DIR:-$(cd "$(dirname "$0")/.." && pwd)/build/bench}"
CLI="${QV_BUILD:-$BENCH_DIR/..}/bin/quorvane-cli"
"$BENCH_DIR/pacing_bench" "$CLI" 500
