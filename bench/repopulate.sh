#!/usr/bin/env bash
# Rebuilding the list from a result file of 100,000 and of 1,000,000 lines.
set -euo pipefail
"$BENCH_DIR/repopulate" 100000
"$BENCH_DIR/repopulate" 1000000
