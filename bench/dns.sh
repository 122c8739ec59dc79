#!/usr/bin/env bash
# The DNS pre-check: 100,000 names all delegated, then 100,000 names 70 % delegated.
set -euo pipefail
BENCH_DIR="${BENCH_DIR:-$(cd "$(dirname "$0")/.." && pwd)/build/bench}"
CLI="${QV_BUILD:-$BENCH_DIR/..}/bin/quorvane-cli"
"$BENCH_DIR/dns_bench" "$CLI" 100000
