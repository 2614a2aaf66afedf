#!/usr/bin/env bash
# The main window with 100 clips, and the first preview picture against mpv opening the same
# file in the same run. Usage: bench/mainwindow/addpreview.sh [build-dir]
set -eu
BUILD_DIR=$(cd "${1:-build}" && pwd)
# Everything runs on one X display, the program and mpv alike.
if [ -z "${DISPLAY:-}" ]; then
    exec xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" "$BUILD_DIR"
fi
BIN="$BUILD_DIR/bench/mainwindow_addpreview"
[ -x "$BIN" ] || { echo "not built: $BIN"; exit 1; }
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
# One 10 s clip, listed 100 times under different names.
ffmpeg -nostdin -v error -y -f lavfi -i testsrc2=size=640x360:rate=25:duration=10 \
    -f lavfi -i sine=frequency=440:duration=10 -c:v mpeg4 -q:v 5 -c:a mp3 "$WORK/clip.avi"
clips=()
for i in $(seq -w 0 99); do
    cp "$WORK/clip.avi" "$WORK/clip$i.avi"
    clips+=("$WORK/clip$i.avi")
done
"$BIN" "${clips[@]}"
if command -v mpv >/dev/null; then
    for vo in null x11; do
        start=$(date +%s.%N)
        mpv --no-config --really-quiet --ao=null --vo=$vo --frames=1 "$WORK/clip00.avi" \
            >/dev/null 2>&1 || true
        end=$(date +%s.%N)
        echo "mpv --vo=$vo --frames=1: $(echo "$end - $start" | bc) s (whole run, start to exit)"
    done
else
    echo "mpv not installed (scripts/install-deps.sh --bench)"
fi
