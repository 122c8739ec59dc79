#!/usr/bin/env bash
# The Public Suffix List: reading it and asking it, then a whole check run
# (100,000 names at 500 connections) with the list and without it.
set -euo pipefail
BENCH_DIR="${BENCH_DIR:-$(cd "$(dirname "$0")/.." && pwd)/build/bench}"
CLI="${QV_BUILD:-$BENCH_DIR/..}/bin/quorvane-cli"
"$BENCH_DIR/psl_bench"
with=$("$BENCH_DIR/check_bench" "$CLI" 100000 500 0 | awk '/^check_cli_of_epoll / { print $2 }')
without=$("$BENCH_DIR/check_bench" "$CLI" 100000 500 0 --no-public-suffixes | awk '/^check_cli_of_epoll / { print $2 }')
echo "psl_check_cli_of_epoll $with %"
echo "psl_off_check_cli_of_epoll $without %"
awk -v a="$with" -v b="$without" 'BEGIN { x = 0; if (b > 0) x = 100 * (b - a) / b; printf "psl_check_overhead %.1f %%\n", x }'
