#!/usr/bin/env bash
# Reply classification in-process over the corpus of real WHOIS replies the
# tests use: replies a second with the program's own recognition on (and with
# the configured strings alone), and what each reads from the corpus.
set -euo pipefail
BENCH_DIR="${BENCH_DIR:-$(cd "$(dirname "$0")/.." && pwd)/build/bench}"
CORPUS="$(cd "$(dirname "$0")/.." && pwd)/tests/data/whois-replies"
"$BENCH_DIR/recognition_bench" "$CORPUS"
