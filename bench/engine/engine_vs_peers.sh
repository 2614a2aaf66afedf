#!/usr/bin/env bash
# The engine against the ffmpeg command line and HandBrakeCLI on 60 s jobs:
#   ipod (three sources that differ only in their sound: a 440 Hz tone, pink noise, and
#   recorded-like sound: a voice-like gliding tone in syllables, plucked notes and noise):
#       640x480 25 fps XviD/MP3 AVI -> mpeg4 320x240 25 fps 768 kbit/s, aac 44.1 kHz stereo 128
#   keep-ratio: 1280x720 H.264/AAC MP4 -> the same, the picture 320x180 between bands of 30 rows
# The pictures are moving test pictures with temporal noise.
#
# Against the command line twice:
#   cli-default  what a user would type: the CLI's own scaler and AAC coder (twoloop);
#   cli-like     like for like: the scaler the engine uses (area averaging when shrinking to half
#                or less) and the AAC coder the engine chose for that clip (it prints it in its
#                profile line): "fast", or "twoloop" when "fast" fell short of the bit rate.
# All use FFmpeg's mpeg4 encoder at the same rates and sizes (HandBrake keeps its own scaler and
# AAC settings). Wall times are the best of RUNS runs (default 3), the programs taking turns;
# ratios come from the same run (ONLY=TEXT runs only the jobs whose name holds TEXT). Processor times (user + system of all threads, best of the same
# runs) are printed too: on a shared machine they vary far less than wall times. Audio bit rates are the output's, as ffprobe reports them.
set -eu
BUILD_DIR=$(cd "${1:-build}" && pwd)
RUNS=${RUNS:-3}
RUNNER="$BUILD_DIR/tools/encoder-run"
MEDIA="$BUILD_DIR/bench-media"
OUT=$(mktemp -d)
CPU_FILE=$(mktemp)
trap 'rm -rf "$OUT" "$CPU_FILE"' EXIT
mkdir -p "$MEDIA"

PICTURE_640="testsrc2=size=640x480:rate=25:duration=60,noise=alls=20:allf=t"
PICTURE_720="testsrc2=size=1280x720:rate=25:duration=60,noise=alls=20:allf=t"
TONE="sine=f=440:d=60:sample_rate=44100"
NOISE="anoisesrc=d=60:c=pink:a=0.3:r=44100"
VOICE="aevalsrc='gt(mod(t,3),0.4)*pow(sin(PI*3.7*t),2)*0.2*(sin(2*PI*(120*t-6.8*cos(4.4*t)))+0.5*sin(6*PI*(120*t-6.8*cos(4.4*t)))+0.3*sin(16*PI*(120*t-6.8*cos(4.4*t))))':d=60:s=44100"
NOTES="aevalsrc='exp(-3*mod(t,0.5))*0.3*sin(2*PI*220*pow(2,floor(mod(2*t,4))*4/12)*t)+0.1*sin(2*PI*110*t)':d=60:s=44100"
RECORDED="${VOICE}[v];${NOTES}[m];anoisesrc=d=60:c=pink:a=0.05:r=44100[n];[v][m][n]amix=inputs=3"
XVID="-c:v mpeg4 -vtag XVID -b:v 1500k -c:a libmp3lame -b:a 160k"
H264="-c:v libx264 -preset veryfast -b:v 3000k -c:a aac -b:a 160k"

make_source() { # name picture sound ext codec-options
    local f="$MEDIA/$1.$4"
    if [ ! -f "$f" ]; then
        # shellcheck disable=SC2086
        ffmpeg -nostdin -v error -y -f lavfi -i "$2" \
            -filter_complex "$3,aformat=channel_layouts=stereo[a]" -map 0:v -map "[a]" \
            $5 "$f.tmp.$4"
        mv "$f.tmp.$4" "$f"
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

audio_kbits() {
    local b
    b=$(ffprobe -v error -select_streams a:0 -show_entries stream=bit_rate -of csv=p=0 "$1")
    echo "scale=1; $b / 1000" | bc -l
}

# One run: its wall time goes to standard output, its processor time (user + system, all
# threads) to the file $CPU_FILE.
seconds() { # command...
    local t0 t1
    t0=$(date +%s.%N)
    /usr/bin/time -f '%U %S' -o "$OUT/time" "$@" >/dev/null 2>&1 || { echo "FAILED: $*" >&2; return 1; }
    t1=$(date +%s.%N)
    awk '{ print $1 + $2 }' "$OUT/time" > "$CPU_FILE"
    echo "$t1 - $t0" | bc -l
}

min() { if [ -z "$1" ] || [ "$(echo "$2 < $1" | bc -l)" = 1 ]; then echo "$2"; else echo "$1"; fi; }
ratio() { if [ "$2" = n/a ]; then echo n/a; else echo "scale=2; $1 / $2" | bc -l; fi; }

job() { # name source padtop padbottom
    local name=$1 src=$2 pt=$3 pb=$4
    case "$name" in *"${ONLY:-}"*) ;; *) return 0 ;; esac
    local ih=$((240 - pt - pb))
    local engine=(convert -y -ss 00:00:00 -t 60 -i "$src" -vol 100 -bitexact -vcodec mpeg4
        -padtop "$pt" -padbottom "$pb" -padleft 0 -padright 0 -s 320x240 -r 25 -b 768
        -acodec aac -ac 2 -ar 44100 -ab 128 -f mp4 "$OUT/engine.mp4")
    local profile coder
    profile=$(MAVO_ENGINE_PROFILE=1 "$RUNNER" "${engine[@]}" 2>&1 >/dev/null | grep 'engine profile' || true)
    coder=$(echo "$profile" | sed -n 's/.*aac coder \([a-z]*\).*/\1/p')
    local pad="pad=320:240:0:$pt:black"
    local cli_default=(ffmpeg -nostdin -v error -y -ss 0 -t 60 -i "$src" -vf "scale=320:$ih,setsar=1,$pad"
        -r 25 -c:v mpeg4 -b:v 768k -c:a aac -ac 2 -ar 44100 -b:a 128k -f mp4 "$OUT/cli-default.mp4")
    local cli_like=(ffmpeg -nostdin -v error -y -ss 0 -t 60 -i "$src"
        -vf "scale=320:$ih:flags=area,setsar=1,$pad" -r 25 -c:v mpeg4 -b:v 768k
        -c:a aac -aac_coder "${coder:-fast}" -ac 2 -ar 44100 -b:a 128k -f mp4 "$OUT/cli-like.mp4")
    local hb=()
    if command -v HandBrakeCLI >/dev/null; then
        local hbpad=()
        [ "$pt" -gt 0 ] && hbpad=(--pad "top=$pt:bottom=$pb:left=0:right=0")
        hb=(HandBrakeCLI -i "$src" -o "$OUT/hb.mp4" -f av_mp4 -e mpeg4 -b 768 -r 25 --cfr -w 320
            -l "$ih" --non-anamorphic "${hbpad[@]}" --crop 0:0:0:0 -E av_aac -B 128 -R 44.1
            -6 stereo --start-at seconds:0 --stop-at seconds:60)
    fi
    local te="" td="" tl="" th="" ce="" cd="" cl="" ch=""
    for _ in $(seq "$RUNS"); do
        te=$(min "$te" "$(seconds "$RUNNER" "${engine[@]}")"); ce=$(min "$ce" "$(cat "$CPU_FILE")")
        td=$(min "$td" "$(seconds "${cli_default[@]}")"); cd=$(min "$cd" "$(cat "$CPU_FILE")")
        tl=$(min "$tl" "$(seconds "${cli_like[@]}")"); cl=$(min "$cl" "$(cat "$CPU_FILE")")
        if [ ${#hb[@]} -gt 0 ]; then
            th=$(min "$th" "$(seconds "${hb[@]}")"); ch=$(min "$ch" "$(cat "$CPU_FILE")")
        fi
    done
    check "$OUT/engine.mp4" engine
    check "$OUT/cli-default.mp4" "ffmpeg (defaults)"
    check "$OUT/cli-like.mp4" "ffmpeg (like for like)"
    local hb_kbits=n/a
    if [ ${#hb[@]} -gt 0 ]; then
        check "$OUT/hb.mp4" HandBrakeCLI
        hb_kbits=$(audio_kbits "$OUT/hb.mp4")
    else
        th=n/a ch=n/a
    fi
    printf '%-17s engine %5.2fs  cli-default %5.2fs  cli-like %5.2fs  HandBrakeCLI %5s  ' \
        "$name" "$te" "$td" "$tl" "$( [ "$th" = n/a ] && echo n/a || printf '%.2fs' "$th")"
    printf 'engine/cli-default %s  engine/cli-like %s  engine/HandBrake %s\n' \
        "$(ratio "$te" "$td")" "$(ratio "$te" "$tl")" "$(ratio "$te" "$th")"
    printf '%-17s processor s    %5.2f              %5.2f           %5.2f               %5s  ' \
        "" "$ce" "$cd" "$cl" "$ch"
    printf 'engine/cli-default %s  engine/cli-like %s  engine/HandBrake %s\n' \
        "$(ratio "$ce" "$cd")" "$(ratio "$ce" "$cl")" "$(ratio "$ce" "$ch")"
    printf '%-17s audio kbit/s (128 asked): engine %s (%s coder)  cli-default %s  cli-like %s  HandBrake %s\n' \
        "" "$(audio_kbits "$OUT/engine.mp4")" "${coder:-?}" "$(audio_kbits "$OUT/cli-default.mp4")" \
        "$(audio_kbits "$OUT/cli-like.mp4")" "$hb_kbits"
    echo "                  $profile"
}

echo "engine_vs_peers: $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg), best of $RUNS"
job "ipod tone" "$(make_source tone640 "$PICTURE_640" "$TONE" avi "$XVID")" 0 0
job "ipod noise" "$(make_source noise640 "$PICTURE_640" "$NOISE" avi "$XVID")" 0 0
job "ipod recorded" "$(make_source recorded640 "$PICTURE_640" "$RECORDED" avi "$XVID")" 0 0
job "keep-ratio" "$(make_source recorded720 "$PICTURE_720" "$RECORDED" mp4 "$H264")" 30 30
echo "load at the end $(cut -d' ' -f1-3 /proc/loadavg)"
