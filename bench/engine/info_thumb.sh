#!/usr/bin/env bash
# Information + thumbnail per file: one encoder-run process for all files against ffprobe plus
# one ffmpeg thumbnail process per file. Medians per file.
set -eu
BUILD_DIR=$(cd "${1:-build}" && pwd)
RUNNER="$BUILD_DIR/tools/encoder-run"
FIX="$BUILD_DIR/fixtures/encoder"
OUT=$(mktemp -d)
trap 'rm -rf "$OUT"' EXIT
# The engine tests make one clip of every input type; make them if they are not there yet.
if ! ls "$FIX"/clip.* >/dev/null 2>&1; then
    "$BUILD_DIR/tests/encoder_tests" --gtest_filter='EngineThumbnail.ExactSize*' >/dev/null
fi
files=()
for f in "$FIX"/clip.* "$FIX"/divx.avi "$FIX"/xvid.avi "$FIX"/hd.mp4 "$FIX"/pal169.mpg \
    "$FIX"/rotated.mp4; do
    [ -f "$f" ] && files+=("$f")
done
median() { sort -n | awk '{a[NR]=$1} END {if (NR%2) print a[(NR+1)/2]; else print (a[NR/2]+a[NR/2+1])/2}'; }

engine_ms=$("$RUNNER" infothumb "$OUT" "${files[@]}" | awk '{print $1}' | median)
cli=()
for f in "${files[@]}"; do
    t0=$(date +%s%N)
    ffprobe -v error -show_format -show_streams "$f" >/dev/null
    ffmpeg -nostdin -v error -y -ss 5 -i "$f" -frames:v 1 -s 80x60 "$OUT/cli.jpg" ||
        ffmpeg -nostdin -v error -y -i "$f" -frames:v 1 -s 80x60 "$OUT/cli.jpg"
    t1=$(date +%s%N)
    cli+=("$(echo "($t1 - $t0) / 1000000" | bc -l)")
done
cli_ms=$(printf '%s\n' "${cli[@]}" | median)
printf 'info_thumb: %d files; median per file: engine %.1f ms, ffprobe+ffmpeg %.1f ms, %.0fx faster\n' \
    "${#files[@]}" "$engine_ms" "$cli_ms" "$(echo "$cli_ms / $engine_ms" | bc -l)"
