#!/usr/bin/env bash
# Peak memory of a check run through quorvane-cli while 500 servers each send a
# 50 MB reply at the same time.
set -euo pipefail
BENCH_DIR="${BENCH_DIR:-$(cd "$(dirname "$0")/.." && pwd)/build/bench}"
CLI="${QV_BUILD:-$BENCH_DIR/..}/bin/quorvane-cli"
"$BENCH_DIR/huge_replies" "$CLI" 500 50
