#!/usr/bin/env bash
# Names from files and generators: a million-line plain list and back-order list
# read into the main list (stand-by refreshes and event processing included),
# misspellings of 10,000 names, a million keyword candidates.
set -euo pipefail
"$BENCH_DIR/sources_bench" import 1000000
"$BENCH_DIR/sources_bench" extract 1000000
"$BENCH_DIR/sources_bench" typos 10000
"$BENCH_DIR/sources_bench" keywords
# The same import as the window runs it, with and without the stand-by window.
QT_QPA_PLATFORM=offscreen "$BENCH_DIR/sourcewindow_bench" 1000000 2>/dev/null
QT_QPA_PLATFORM=offscreen "$BENCH_DIR/sourcewindow_bench" 1000000 wizard 2>/dev/null
