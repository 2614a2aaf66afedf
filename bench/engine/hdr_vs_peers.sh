#!/usr/bin/env bash
# The HDR phone job: 10 s of noisy 1920x1080 30 fps HEVC Main 10 HDR10 (PQ, BT.2020) made into
# Phone 720p (H.264 High 1280x720 3000 kbit/s, AAC 160 kbit/s, index at the front), tone-mapped to
# BT.709, against
#   the ffmpeg CLI with the usual zscale/tonemap chain (tone mapping at the source's size, then
#   the scale), and with the same chain after the scale (like for like);
#   the same engine job from an SDR source of the same size, codec and bit depth (BT.709).
# Wall and processor times are the best of RUNS runs (default 3), the programs taking turns.
# With ../shared/media/today beside the project, the real HDR10 phone clip is timed the same way.
# Usage: bench/engine/hdr_vs_peers.sh [build-dir]
set -eu
BUILD_DIR=$(cd "${1:-build}" && pwd)
HERE=$(cd "$(dirname "$0")" && pwd)
RUNS=${RUNS:-3}
RUNNER="$BUILD_DIR/tools/encoder-run"
MEDIA="$BUILD_DIR/bench-media"
OUT=$(mktemp -d)
trap 'rm -rf "$OUT"' EXIT
mkdir -p "$MEDIA"

make_source() { # file colour-filters colour-tags
    [ -f "$1" ] && return
    ffmpeg -nostdin -v error -y -f lavfi -i "testsrc2=size=1920x1080:rate=30:duration=10,noise=alls=8:allf=t" \
        -f lavfi -i "sine=f=440:d=10:sample_rate=48000" -vf "$2,format=yuv420p10le" \
        -c:v libx265 -preset ultrafast -x265-params log-level=error -b:v 10000k $3 \
        -c:a aac -b:a 160k "$1.tmp.mp4"
    mv "$1.tmp.mp4" "$1"
}
HDR="$MEDIA/hdr10_1080.mp4"
SDR="$MEDIA/sdr10_1080.mp4"
make_source "$HDR" "format=yuv444p,zscale=tin=709:pin=709:min=709:rin=tv:t=smpte2084:p=2020:m=2020_ncl:r=tv:npl=100" \
    "-color_primaries bt2020 -color_trc smpte2084 -colorspace bt2020nc"
make_source "$SDR" "null" "-color_primaries bt709 -color_trc bt709 -colorspace bt709"

timed() { # seconds-file cpu-file command...
    local start end
    start=$(date +%s.%N)
    /usr/bin/time -f "%U %S" -o "$2.t" "${@:3}" >/dev/null 2>&1
    end=$(date +%s.%N)
    echo "$end - $start" | bc -l >"$1"
    awk '{print $1 + $2}' "$2.t" >"$2"
}
best() { sort -g "$1" | head -1; }
ratio() { echo "scale=2; $1 / $2" | bc -l; }
race() { # name... (each an array of the same name)
    local n
    for n in "$@"; do : >"$OUT/$n.wall"; : >"$OUT/$n.cpu"; done
    for _ in $(seq "$RUNS"); do
        for n in "$@"; do
            local -n cmd="$n"
            timed "$OUT/t" "$OUT/c" env "${cmd[@]}"
            cat "$OUT/t" >>"$OUT/$n.wall"
            cat "$OUT/c" >>"$OUT/$n.cpu"
        done
    done
}
wall() { printf '%.2f' "$(best "$OUT/$1.wall")"; }
cpu() { printf '%.2f' "$(best "$OUT/$1.cpu")"; }
# The mean saturation and brightness of the middle picture, 8-bit scale.
looks() {
    ffmpeg -nostdin -v info -i "$1" -vf "select=eq(n\,150),format=yuv444p,signalstats,metadata=print" \
        -frames:v 1 -f null - 2>&1 | grep -oE "(SATAVG|YAVG)=[0-9.]+" | tr '\n' ' '
}

PHONE=(-vcodec libx264 -s 1280x720 -r 30 -b 3000 -acodec aac -ac 2 -ar 48000 -ab 160 -f mp4 -fit
    -preset fast -vprofile high -faststart)
TONEMAP="zscale=t=linear:npl=100,format=gbrpf32le,zscale=p=bt709,tonemap=tonemap=hable:desat=0,zscale=t=bt709:m=bt709:r=tv,format=yuv420p"
CLI=(-c:v libx264 -preset fast -profile:v high -b:v 3000k -r 30 -c:a aac -b:a 160k -ar 48000 -ac 2
    -movflags +faststart)
engine=("$RUNNER" convert -y -i "$HDR" "${PHONE[@]}" "$OUT/engine.mp4")
engine_sdr=("$RUNNER" convert -y -i "$SDR" "${PHONE[@]}" "$OUT/engine_sdr.mp4")
cli=(ffmpeg -nostdin -v error -y -i "$HDR" -vf "$TONEMAP,scale=1280:720" "${CLI[@]}" "$OUT/cli.mp4")
cli_scaled=(ffmpeg -nostdin -v error -y -i "$HDR" -vf "scale=1280:720,$TONEMAP" "${CLI[@]}"
    "$OUT/cli_scaled.mp4")
race engine engine_sdr cli cli_scaled
printf 'HDR10 1080p -> Phone 720p   wall / cpu / middle picture:\n'
for n in engine engine_sdr cli cli_scaled; do
    printf '  %-11s %6ss %6ss  %s\n' "$n" "$(wall "$n")" "$(cpu "$n")" "$(looks "$OUT/$n.mp4")"
done
printf '  engine/cli %s  engine/cli-after-scale %s  engine/engine-from-SDR %s\n' \
    "$(ratio "$(wall engine)" "$(wall cli)")" "$(ratio "$(wall engine)" "$(wall cli_scaled)")" \
    "$(ratio "$(wall engine)" "$(wall engine_sdr)")"
printf '  cpu: engine/cli %s  engine/cli-after-scale %s  engine/engine-from-SDR %s\n' \
    "$(ratio "$(cpu engine)" "$(cpu cli)")" "$(ratio "$(cpu engine)" "$(cpu cli_scaled)")" \
    "$(ratio "$(cpu engine)" "$(cpu engine_sdr)")"

REAL="$HERE/../../../shared/media/today/real_hevc10_hdr10_pq_hev1_1080p.mp4"
if [ -f "$REAL" ]; then
    real=("$RUNNER" convert -y -i "$REAL" "${PHONE[@]}" "$OUT/real.mp4")
    real_cli=(ffmpeg -nostdin -v error -y -i "$REAL" -vf "$TONEMAP,scale=1280:720" "${CLI[@]}"
        "$OUT/real_cli.mp4")
    race real real_cli
    printf 'the real HDR10 phone clip: engine %ss, cli %ss (%s)\n' "$(wall real)" \
        "$(wall real_cli)" "$(ratio "$(wall real)" "$(wall real_cli)")"
fi
