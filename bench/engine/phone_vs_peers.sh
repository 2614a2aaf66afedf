#!/usr/bin/env bash
# The Phone / tablet job against the ffmpeg command line and HandBrakeCLI: 20 s of 1920x1080
# 30 fps moving test pictures with temporal noise (H.264/AAC) -> H.264 High 1280x720 30 fps
# 3000 kbit/s, AAC 160 kbit/s 48 kHz, index at the front: the arguments the program hands the
# engine for the "Phone 720p" profile. The command line and HandBrake get the same encoder
# (libx264 / x264 at preset fast), rates, frame, profile and index; the rest is their own default.
# Wall and processor times are the best of RUNS runs (default 3), the programs taking turns; the
# ratios come from the same run. Usage: bench/engine/phone_vs_peers.sh [build-dir]
set -eu
BUILD_DIR=$(cd "${1:-build}" && pwd)
RUNS=${RUNS:-3}
RUNNER="$BUILD_DIR/tools/encoder-run"
MEDIA="$BUILD_DIR/bench-media"
OUT=$(mktemp -d)
trap 'rm -rf "$OUT"' EXIT
mkdir -p "$MEDIA"

SRC="$MEDIA/phone1080.mp4"
if [ ! -f "$SRC" ]; then
    ffmpeg -nostdin -v error -y -f lavfi -i "testsrc2=size=1920x1080:rate=30:duration=20,noise=alls=12:allf=t" \
        -f lavfi -i "sine=f=440:d=20:sample_rate=48000" -c:v libx264 -preset veryfast -b:v 8000k \
        -c:a aac -b:a 160k "$SRC.tmp.mp4"
    mv "$SRC.tmp.mp4" "$SRC"
fi

# Every output must be 20 s of H.264 High 1280x720 with its index at the front.
check() { # file what
    local v d
    v=$(ffprobe -v error -select_streams v:0 -show_entries stream=codec_name,profile,width,height -of csv=p=0 "$1")
    d=$(ffprobe -v error -show_entries format=duration -of csv=p=0 "$1")
    if [ "$v" != "h264,High,1280,720" ] || [ "$(echo "$d < 19.9 || $d > 20.2" | bc -l)" = 1 ]; then
        echo "BAD OUTPUT from $2: $v, $d s" >&2
        return 1
    fi
}

timed() { # seconds-file cpu-file command...
    local start end
    start=$(date +%s.%N)
    /usr/bin/time -f "%U %S" -o "$2.t" "${@:3}" >/dev/null 2>&1
    end=$(date +%s.%N)
    echo "$end - $start" | bc -l >"$1"
    awk '{print $1 + $2}' "$2.t" >"$2"
}
best() { sort -g "$1" | head -1; }
ratio() { if [ "$2" = n/a ]; then echo n/a; else echo "scale=2; $1 / $2" | bc -l; fi; }

engine=("$RUNNER" convert -y -ss 00:00:00 -t 20 -i "$SRC" -vol 100 -bitexact -vcodec libx264
    -padtop 0 -padbottom 0 -padleft 0 -padright 0 -s 1280x720 -r 30 -b 3000 -acodec aac -ac 2
    -ar 48000 -ab 160 -f mp4 -fit -preset fast -vprofile high -faststart "$OUT/engine.mp4")
cli=(ffmpeg -nostdin -v error -y -i "$SRC" -c:v libx264 -preset fast -profile:v high -b:v 3000k
    -s 1280x720 -r 30 -c:a aac -b:a 160k -ar 48000 -ac 2 -movflags +faststart "$OUT/cli.mp4")
hb=(HandBrakeCLI -i "$SRC" -o "$OUT/hb.mp4" -f av_mp4 -O -e x264 --encoder-preset fast
    --encoder-profile high -b 3000 -r 30 --cfr -w 1280 -l 720 -E av_aac -B 160 -R 48 -6 stereo)
: >"$OUT/te"; : >"$OUT/tc"; : >"$OUT/th"; : >"$OUT/ce"; : >"$OUT/cc"; : >"$OUT/ch"
for _ in $(seq "$RUNS"); do
    timed "$OUT/t" "$OUT/c" "${engine[@]}"; cat "$OUT/t" >>"$OUT/te"; cat "$OUT/c" >>"$OUT/ce"
    check "$OUT/engine.mp4" engine
    timed "$OUT/t" "$OUT/c" "${cli[@]}"; cat "$OUT/t" >>"$OUT/tc"; cat "$OUT/c" >>"$OUT/cc"
    check "$OUT/cli.mp4" "ffmpeg CLI"
    if command -v HandBrakeCLI >/dev/null; then
        timed "$OUT/t" "$OUT/c" "${hb[@]}"; cat "$OUT/t" >>"$OUT/th"; cat "$OUT/c" >>"$OUT/ch"
        check "$OUT/hb.mp4" HandBrakeCLI
    fi
done
te=$(best "$OUT/te"); tc=$(best "$OUT/tc"); ce=$(best "$OUT/ce"); cc=$(best "$OUT/cc")
th=n/a; ch=n/a
if [ -s "$OUT/th" ]; then
    th=$(printf '%.2fs' "$(best "$OUT/th")"); ch=$(printf '%.2fs' "$(best "$OUT/ch")")
fi
printf 'phone 720p  wall: engine %.2fs  cli %.2fs  HandBrakeCLI %s  engine/cli %s  engine/HandBrake %s\n' \
    "$te" "$tc" "$th" "$(ratio "$te" "$tc")" "$(ratio "$te" "${th%s}")"
printf 'phone 720p  cpu:  engine %.2fs  cli %.2fs  HandBrakeCLI %s  engine/cli %s  engine/HandBrake %s\n' \
    "$ce" "$cc" "$ch" "$(ratio "$ce" "$cc")" "$(ratio "$ce" "${ch%s}")"
