#!/usr/bin/env bash
# Runs every benchmark script found under bench/*/ (each one takes the build folder).
set -u
BUILD_DIR=$(cd "${1:-build}" && pwd)
HERE=$(cd "$(dirname "$0")" && pwd)
status=0
for script in "$HERE"/*/*.sh; do
    [ -f "$script" ] || continue
    echo "=== $(basename "$(dirname "$script")")/$(basename "$script")"
    bash "$script" "$BUILD_DIR" || status=1
done
exit $status
