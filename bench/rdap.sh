#!/usr/bin/env bash
# A whole check run through quorvane-cli over RDAP: 100,000 names at 500
# connections, each TLD's RDAP server on a loopback port of its own (Qt keeps
# six HTTP/1.1 connections per host; see bench/rdap_bench.cpp), next to the
# same names over WHOIS.
set -euo pipefail
BENCH_DIR="${BENCH_DIR:-$(cd "$(dirname "$0")/.." && pwd)/build/bench}"
CLI="${QV_BUILD:-$BENCH_DIR/..}/bin/quorvane-cli"
"$BENCH_DIR/rdap_bench" "$CLI" 100000 500
