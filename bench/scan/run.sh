#!/bin/sh
# Runs the scan benchmark from an existing build folder (this script builds nothing).
#   bench/scan/run.sh BUILD_DIR [HOME_PARENT_DIR] [--keep] [--reuse] [--runs N] [--scan-only]
set -eu
if [ $# -lt 1 ]; then
    echo "usage: $0 BUILD_DIR [HOME_PARENT_DIR] [--keep] [--reuse] [--runs N] [--scan-only]" >&2
    exit 2
fi
build=$1
shift
program="$build/bench/scan/dustlyn_bench_scan"
if [ ! -x "$program" ]; then
    echo "$program not found; build the target dustlyn_bench_scan first" >&2
    exit 2
fi
exec "$program" "$@"
