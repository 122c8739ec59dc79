#!/usr/bin/env bash
# Socket layer: connection cycles per second through CSocketPlus against a bare
# epoll client (the ceiling), 100,000 cycles with 500 connections in flight.
set -euo pipefail
BENCH_DIR="${BENCH_DIR:-$(cd "$(dirname "$0")/.." && pwd)/build/bench}"
"$BENCH_DIR/sockets_bench" 100000 500
