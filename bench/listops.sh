#!/usr/bin/env bash
# Header sorts (a text and a numeric column) and a status deletion over 1,000,000 rows.
set -euo pipefail
"$BENCH_DIR/listops_bench" 1000000
