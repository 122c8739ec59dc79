#!/usr/bin/env bash
# HTML, comma-separated and XML reports of 1,000,000 rows, and the memory they take.
set -euo pipefail
"$BENCH_DIR/export_bench" 1000000
