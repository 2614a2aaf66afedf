#!/usr/bin/env bash
# Two jobs from the same 20 s of 1920x1080 30 fps moving test pictures with temporal noise
# (H.264/AAC), each the arguments the program hands the engine:
#   phone 720p  H.264 High 1280x720 30 fps 3000 kbit/s, AAC 160 kbit/s 48 kHz, index at the front,
#               against HandBrakeCLI with the same encoder, frame and bit rate (at x264's "fast"
#               like the engine, and at HandBrake's own default preset) and the ffmpeg CLI;
#   ipod 1080p  the classic iPod job (mpeg4 320x240 29.97 fps 768 kbit/s, AAC 128 kbit/s), against
#               the ffmpeg CLI with its defaults.
# SSIM is each output's against the source scaled to the output's frame; the phone files' sizes
# are held against bit rate x length. Wall and processor times are the best of RUNS runs (default
# 3), the programs taking turns; the ratios come from the same run.
# Usage: bench/engine/phone_vs_peers.sh [build-dir]
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

# shellcheck source=timing.bash
. "$(dirname "$0")/timing.bash"

ssim() { # output source-frame
    ffmpeg -nostdin -v info -i "$1" -i "$SRC" -lavfi "[1:v]scale=$2:flags=area[ref];[0:v][ref]ssim" \
        -f null - 2>&1 | sed -n 's/.*All:\([0-9.]*\).*/\1/p' | tail -1
}

ENGINE_PHONE=(-y -ss 00:00:00 -t 20 -i "$SRC" -vol 100 -bitexact -vcodec libx264
    -padtop 0 -padbottom 0 -padleft 0 -padright 0 -s 1280x720 -r 30 -b 3000 -acodec aac -ac 2
    -ar 48000 -ab 160 -f mp4 -fit -preset fast -vprofile high -faststart)
engine=("$RUNNER" convert "${ENGINE_PHONE[@]}" "$OUT/engine.mp4")
cli=(ffmpeg -nostdin -v error -y -i "$SRC" -c:v libx264 -preset fast -profile:v high -b:v 3000k
    -s 1280x720 -r 30 -c:a aac -b:a 160k -ar 48000 -ac 2 -movflags +faststart "$OUT/cli.mp4")
hb=(HandBrakeCLI -i "$SRC" -o "$OUT/hb.mp4" -f av_mp4 -O -e x264 --encoder-preset fast
    --encoder-profile high -b 3000 -r 30 --cfr -w 1280 -l 720 -E av_aac -B 160 -R 48 -6 stereo)
hbdef=(HandBrakeCLI -i "$SRC" -o "$OUT/hbdef.mp4" -f av_mp4 -O -e x264 --encoder-profile high
    -b 3000 -r 30 --cfr -w 1280 -l 720 -E av_aac -B 160 -R 48 -6 stereo)
names=(engine cli)
command -v HandBrakeCLI >/dev/null && names+=(hb hbdef)
race "${names[@]}"
for n in "${names[@]}"; do check "$OUT/$n.mp4" "$n"; done
printf 'phone 720p   wall / cpu / SSIM / size against 3160 kbit/s x 20 s:\n'
for n in "${names[@]}"; do
    size=$(stat -c %s "$OUT/$n.mp4")
    printf '  %-7s %6ss %6ss  SSIM %s  size %+.1f %%\n' "$n" "$(wall "$n")" "$(cpu "$n")" \
        "$(ssim "$OUT/$n.mp4" 1280:720)" "$(echo "($size * 8 / 20 / 3160000 - 1) * 100" | bc -l)"
done
printf '  engine/cli %s' "$(ratio "$(wall engine)" "$(wall cli)")"
if command -v HandBrakeCLI >/dev/null; then
    printf '  engine/HandBrake(fast) %s  engine/HandBrake(default) %s' \
        "$(ratio "$(wall engine)" "$(wall hb)")" "$(ratio "$(wall engine)" "$(wall hbdef)")"
fi
printf '\n'

CLASSIC=(-y -ss 00:00:00 -t 20 -i "$SRC" -vol 100 -bitexact -vcodec mpeg4 -padtop 0 -padbottom 0
    -padleft 0 -padright 0 -s 320x240 -r 29.97 -b 768 -acodec aac -ac 2 -ar 44100 -ab 128 -f mp4)
ipod=("$RUNNER" convert "${CLASSIC[@]}" "$OUT/ipod.mp4")
ipod_cli=(ffmpeg -nostdin -v error -y -i "$SRC" -c:v mpeg4 -b:v 768k -s 320x240 -r 29.97 -c:a aac
    -b:a 128k -ar 44100 -ac 2 "$OUT/ipod_cli.mp4")
race ipod ipod_cli
printf 'ipod 1080p   wall / cpu / SSIM:\n'
for n in ipod ipod_cli; do
    printf '  %-13s %6ss %6ss  SSIM %s\n' "$n" "$(wall "$n")" "$(cpu "$n")" "$(ssim "$OUT/$n.mp4" 320:240)"
done
printf '  engine/cli %s\n' "$(ratio "$(wall ipod)" "$(wall ipod_cli)")"
