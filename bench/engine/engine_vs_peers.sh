#!/usr/bin/env bash
# The engine against the ffmpeg command line and HandBrakeCLI on two 60 s jobs:
#   ipod:       640x480 25 fps source -> mpeg4 320x240 25 fps 768 kbit/s, aac 44.1 kHz stereo 128
#   keep-ratio: 1280x720 source -> the same, the picture 320x180 between bands of 30 rows
# Like for like: the engine codes AAC with the "fast" coder and shrinks pictures to half size or
# less by area averaging (2x2 block means while the picture stays twice the size it becomes, then
# FFmpeg's area scaler for what is left), so the ffmpeg command line gets -aac_coder fast and
# flags=area; all three use FFmpeg's mpeg4 encoder at the same rates and sizes (HandBrake keeps
# its own scaler and AAC settings).
# Wall times are the best of RUNS runs (default 2); ratios come from the same run.
set -eu
BUILD_DIR=$(cd "${1:-build}" && pwd)
RUNS=${RUNS:-2}
RUNNER="$BUILD_DIR/tools/encoder-run"
MEDIA="$BUILD_DIR/bench-media"
OUT=$(mktemp -d)
trap 'rm -rf "$OUT"' EXIT
mkdir -p "$MEDIA"

# Sources: moving test pictures with noise and a tone for sound (pure tones are untypically
# cheap or dear for AAC coders). The 640x480 one is an XviD AVI with MP3 sound, the kind of file
# this product converts most; the 1280x720 one is an H.264/AAC MP4 as phones and cameras make.
make_source() { # name size ext codec-options
    local f="$MEDIA/$1.$3"
    if [ ! -f "$f" ]; then
        # shellcheck disable=SC2086
        ffmpeg -nostdin -v error -y -f lavfi -i "testsrc2=size=$2:rate=25:duration=60" \
            -f lavfi -i "anoisesrc=d=60:c=pink:a=0.2" -f lavfi -i "sine=f=330:d=60" \
            -filter_complex "[1:a][2:a]amix,aformat=channel_layouts=stereo[a]" -map 0:v -map "[a]" \
            $4 "$f.tmp.$3"
        mv "$f.tmp.$3" "$f"
    fi
    echo "$f"
}

# Every output must hold 60 s of mpeg4 320x240 and aac.
check() { # file what
    local d v
    d=$(ffprobe -v error -show_entries format=duration -of csv=p=0 "$1")
    v=$(ffprobe -v error -select_streams v:0 -show_entries stream=codec_name,width,height -of csv=p=0 "$1")
    if [ "$v" != "mpeg4,320,240" ] || [ "$(echo "$d < 59.9 || $d > 60.2" | bc -l)" = 1 ]; then
        echo "BAD OUTPUT from $2: $v, $d s" >&2
        return 1
    fi
}

best_of() { # command...
    local best=""
    for _ in $(seq "$RUNS"); do
        local t0 t1 t
        t0=$(date +%s.%N)
        "$@" >/dev/null 2>&1 || { echo "FAILED: $*" >&2; return 1; }
        t1=$(date +%s.%N)
        t=$(echo "$t1 - $t0" | bc -l)
        if [ -z "$best" ] || [ "$(echo "$t < $best" | bc -l)" = 1 ]; then best=$t; fi
    done
    printf '%.2f' "$best"
}

job() { # name source padtop padbottom
    local name=$1 src=$2 pt=$3 pb=$4
    local ih=$((240 - pt - pb))
    local engine ffm hb
    engine=$(best_of "$RUNNER" convert -y -ss 00:00:00 -t 60 -i "$src" -vol 100 -bitexact \
        -vcodec mpeg4 -padtop "$pt" -padbottom "$pb" -padleft 0 -padright 0 -s 320x240 -r 25 \
        -b 768 -acodec aac -ac 2 -ar 44100 -ab 128 -f mp4 "$OUT/engine.mp4")
    ffm=$(best_of ffmpeg -nostdin -v error -y -ss 0 -t 60 -i "$src" \
        -vf "scale=320:$ih:flags=area,setsar=1,pad=320:240:0:$pt:black" -r 25 -c:v mpeg4 -b:v 768k \
        -c:a aac -aac_coder fast -ac 2 -ar 44100 -b:a 128k -f mp4 "$OUT/ffmpeg.mp4")
    check "$OUT/engine.mp4" engine
    check "$OUT/ffmpeg.mp4" ffmpeg
    if command -v HandBrakeCLI >/dev/null; then
        local pad=()
        [ "$pt" -gt 0 ] && pad=(--pad "top=$pt:bottom=$pb:left=0:right=0")
        hb=$(best_of HandBrakeCLI -i "$src" -o "$OUT/hb.mp4" -f av_mp4 -e mpeg4 -b 768 -r 25 \
            --cfr -w 320 -l "$ih" --non-anamorphic "${pad[@]}" --crop 0:0:0:0 -E av_aac -B 128 \
            -R 44.1 -6 stereo --start-at seconds:0 --stop-at seconds:60)
        check "$OUT/hb.mp4" HandBrakeCLI
    else
        hb="n/a"
    fi
    local profile
    profile=$(MAVO_ENGINE_PROFILE=1 "$RUNNER" convert -y -t 60 -i "$src" -bitexact -vcodec mpeg4 \
        -padtop "$pt" -padbottom "$pb" -s 320x240 -r 25 -b 768 -acodec aac -ac 2 -ar 44100 \
        -ab 128 -f mp4 "$OUT/engine.mp4" 2>&1 >/dev/null | grep 'engine profile' || true)
    printf '%-11s engine %6ss  ffmpeg-cli %6ss  HandBrakeCLI %6ss  engine/ffmpeg %s  engine/HandBrake %s\n' \
        "$name" "$engine" "$ffm" "$hb" "$(echo "scale=2; $engine / $ffm" | bc -l)" \
        "$( [ "$hb" = n/a ] && echo n/a || echo "scale=2; $engine / $hb" | bc -l)"
    echo "            $profile"
}

echo "engine_vs_peers: $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg), best of $RUNS"
job ipod "$(make_source s640x480 640x480 avi "-c:v mpeg4 -vtag XVID -b:v 1500k -c:a libmp3lame -b:a 160k")" 0 0
job keep-ratio "$(make_source s1280x720 1280x720 mp4 "-c:v libx264 -preset veryfast -b:v 3000k -c:a aac -b:a 160k")" 30 30
