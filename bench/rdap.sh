#!/usr/bin/env bash
# Whole check runs through quorvane-cli over RDAP: 100,000 names at 500
# connections, each TLD's RDAP server on a loopback port of its own, next to
# the same names over WHOIS; then one server for all; then a hostile server
# beside a healthy one (see bench/rdap_bench.cpp).
set -euo pipefail
BENCH_DIR="${BENCH_DIR:-$(cd "$(dirname "$0")/.." && pwd)/build/bench}"
CLI="${QV_BUILD:-$BENCH_DIR/..}/bin/quorvane-cli"
"$BENCH_DIR/rdap_bench" "$CLI" 100000 500
