#!/usr/bin/env bash
# Quorvel's benchmark: builds what it needs and prints the tables (see bench/run_bench.py).
#   bench/run.sh [--quick] [--only SECTION,...] [--fuzz-seconds N]
set -euo pipefail
exec python3 "$(cd "$(dirname "$0")" && pwd)/run_bench.py" "$@"
