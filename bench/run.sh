#!/usr/bin/env bash
# Runs every benchmark of the build. Usage: bench/run.sh [build-dir]
set -euo pipefail
build=${1:-build}
for b in "$build"/bench/*_bench; do
    [ -x "$b" ] || continue
    echo "== $(basename "$b")"
    "$b"
done
for s in "$(dirname "$0")"/*/run.sh; do
    [ -f "$s" ] || continue
    echo "== $s"
    bash "$s" "$build"
done
