#!/usr/bin/env bash
# A whole check run through quorvane-cli: 100,000 names at 500 connections
# against a fast loopback server, next to a bare epoll client (the ceiling);
# then 20,000 names at 500 connections against a server that answers after 200 ms.
set -euo pipefail
BENCH_DIR="${BENCH_DIR:-$(cd "$(dirname "$0")/.." && pwd)/build/bench}"
CLI="${QV_BUILD:-$BENCH_DIR/..}/bin/quorvane-cli"
"$BENCH_DIR/check_bench" "$CLI" 100000 500
"$BENCH_DIR/check_bench" "$CLI" 20000 500 200
