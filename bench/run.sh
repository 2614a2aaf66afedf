#!/usr/bin/env bash
# Runs every benchmark of the build: the compiled ones (build/bench/*_bench) and the scripts
# under bench/*/ (each takes the build folder). Usage: bench/run.sh [build-dir]
set -u
BUILD_DIR=$(cd "${1:-build}" && pwd)
HERE=$(cd "$(dirname "$0")" && pwd)
status=0
for b in "$BUILD_DIR"/bench/*_bench; do
    [ -x "$b" ] || continue
    echo "=== $(basename "$b")"
    "$b" || status=1
done
for script in "$HERE"/*/*.sh; do
    [ -f "$script" ] || continue
    echo "=== $(basename "$(dirname "$script")")/$(basename "$script")"
    bash "$script" "$BUILD_DIR" || status=1
done
exit $status
