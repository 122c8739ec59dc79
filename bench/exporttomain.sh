#!/usr/bin/env bash
# A million names handed to the main list, unsorted and with automatic sorting on.
set -euo pipefail
"$BENCH_DIR/exporttomain" 1000000
"$BENCH_DIR/exporttomain" 1000000 sorted
