#!/usr/bin/env bash
# Builds the fuzz targets with clang's libFuzzer (address and undefined-behaviour sanitizers) and
# runs each for the given number of seconds, 30 unless told otherwise:
#   tests/fuzz/run.sh [seconds] [target ...]
# Targets: profiles numbers skin engine_args fileinfo thumbnail tracks subtitles engine_info (all by
# default; the status-line target only when its header exists). The exit status is non-zero when a target
# could not be built or found a crash, a leak, a timeout or an out-of-memory; the finding's input
# is kept under <out>/artifacts and its log under <out>/logs. Without clang++ nothing is built
# and the script says so; without ffmpeg the media targets are left out.
# FUZZ_OUT sets the output folder (build/fuzz); FUZZ_RSS_MB the memory limit (2048); FUZZ_SEED
# the random seed (libFuzzer picks one when unset). With
# FUZZ_KEEP_GOING=1 a target goes on after a finding (in a child process) until its time is up,
# to collect every finding of a long run; the status is still non-zero when there was one.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
seconds=${1:-30}
shift || true

cxx=""
for c in clang++ clang++-14; do
    if command -v "$c" >/dev/null 2>&1; then
        cxx=$c
        break
    fi
done
if [ -z "$cxx" ]; then
    echo "clang++ not found: the fuzz targets are not built"
    # CI sets FUZZ_REQUIRE_CLANG=1: there a missing compiler is a failure, not a quiet pass.
    [ "${FUZZ_REQUIRE_CLANG:-0}" = 1 ] && exit 1
    exit 0
fi
launcher=""
command -v ccache >/dev/null 2>&1 && launcher=ccache

out=${FUZZ_OUT:-$root/build/fuzz}
rss_mb=${FUZZ_RSS_MB:-2048}
mkdir -p "$out/obj" "$out/corpus" "$out/seeds" "$out/artifacts" "$out/logs"

# shellcheck disable=SC2054
flags=(-std=c++20 -g -O1 -fPIC -fno-omit-frame-pointer -fsanitize=fuzzer,address,undefined
       -fno-sanitize-recover=undefined -I"$here" -I"$root/src" -I"$root/lib")
# shellcheck disable=SC2207
qt_cflags=($(pkg-config --cflags Qt6Core))
# shellcheck disable=SC2207
qt_libs=($(pkg-config --libs Qt6Core))
ff_mods="libavformat libavcodec libavutil libswscale libturbojpeg"
engine_inc=(-I"$root/lib/encoder" -I"$root/lib/winmsg" -I"$root/src/common")

# compile <source> <extra flags...>: sets `obj` to the object's path and builds it when the source
# or a header beside it is newer.
compile() {
    local src=$1
    shift
    obj="$out/obj/$(echo "${src#"$root"/}" | tr '/' '_').o"
    if [ ! -f "$obj" ] || [ "$src" -nt "$obj" ] || [ "$0" -nt "$obj" ] ||
        [ -n "$(find "$(dirname "$src")" "$here" -name '*.h' -newer "$obj" -print -quit)" ]; then
        $launcher "$cxx" "${flags[@]}" "$@" -c "$src" -o "$obj" || return 1
    fi
}

# link <target> <extra link flags (after --)>: sources from the global array `sources`, compiled
# with the global array `cflags`.
link() {
    local name=$1
    shift
    local objs=() s obj
    for s in "${sources[@]}"; do
        compile "$s" "${cflags[@]}" || return 1
        objs+=("$obj")
    done
    "$cxx" "${flags[@]}" "${objs[@]}" "$@" -o "$out/fuzz_$name"
}

build() {
    local name=$1 sources cflags
    case $name in
    profiles)
        cflags=("${qt_cflags[@]}")
        sources=("$here/fuzz_profiles.cpp" "$root/src/profiles/IniFile.cpp"
                 "$root/src/profiles/ProfileCatalogue.cpp" "$root/src/common/NumberText.cpp"
                 "$root/src/common/Globals.cpp")
        link "$name" "${qt_libs[@]}" ;;
    numbers)
        cflags=("${qt_cflags[@]}")
        sources=("$here/fuzz_numbers.cpp" "$root/src/common/NumberText.cpp")
        link "$name" "${qt_libs[@]}" ;;
    skin)
        # Only the field reader is wanted from the skin loader: lld drops the window dressing it
        # also holds (and does not ask for what only that needs), so no widget code is linked.
        # The type checks of downcasts would keep the widget classes' type information alive.
        # shellcheck disable=SC2207
        cflags=($(pkg-config --cflags Qt6Widgets) "${engine_inc[@]}" -ffunction-sections -fdata-sections -fno-sanitize=vptr)
        sources=("$here/fuzz_skin.cpp" "$root/src/skin/SkinLoader.cpp"
                 "$root/src/profiles/IniFile.cpp" "$root/src/common/NumberText.cpp")
        link "$name" -fuse-ld=lld -Wl,--gc-sections "${qt_libs[@]}" ;;
    engine_args)
        # shellcheck disable=SC2207
        cflags=("${engine_inc[@]}" $(pkg-config --cflags libavutil libavformat))
        sources=("$here/fuzz_engine_args.cpp" "$root/lib/encoder/job.cpp"
                 "$root/lib/encoder/engine_common.cpp")
        # shellcheck disable=SC2046
        link "$name" $(pkg-config --libs libavformat libavcodec libavutil) ;;
    fileinfo | thumbnail | tracks)
        # shellcheck disable=SC2207,SC2086
        cflags=("${engine_inc[@]}" $(pkg-config --cflags $ff_mods libavfilter))
        sources=("$here/fuzz_$name.cpp" "$root/lib/encoder/engine_common.cpp")
        if [ "$name" = fileinfo ]; then
            # The details name HDR and interlacing (picture.cpp).
            sources+=("$root/lib/encoder/info.cpp" "$root/lib/encoder/picture.cpp")
        elif [ "$name" = tracks ]; then
            sources+=("$root/lib/encoder/tracks.cpp")
        else
            sources+=("$root/lib/encoder/thumb.cpp")
        fi
        # shellcheck disable=SC2046,SC2086
        link "$name" $(pkg-config --libs $ff_mods libavfilter) -lpthread ;;
    subtitles)
        # shellcheck disable=SC2207,SC2086
        cflags=("${engine_inc[@]}" $(pkg-config --cflags $ff_mods libavfilter))
        sources=("$here/fuzz_subtitles.cpp")
        for f in engine_common tracks burn_in drawn_subs subtitles coder_trial halve; do
            sources+=("$root/lib/encoder/$f.cpp")
        done
        # shellcheck disable=SC2046,SC2086
        link "$name" $(pkg-config --libs $ff_mods libavfilter) -lpthread ;;
    engine_info)
        cflags=("${qt_cflags[@]}")
        sources=("$here/fuzz_engine_info.cpp" "$root/src/engine/StatusLine.cpp"
                 "$root/src/common/NumberText.cpp")
        link "$name" "${qt_libs[@]}" ;;
    *)
        echo "unknown fuzz target: $name" >&2
        return 1 ;;
    esac
}

# Seeds: examples of what each parser is given in real use. They are made afresh on every run;
# what the fuzzer finds on top of them stays in <out>/corpus/<target>.
seed_text() {
    local dir=$out/seeds/$1
    shift
    mkdir -p "$dir"
    local i=0 s
    for s in "$@"; do
        printf '%b' "$s" >"$dir/seed$i"
        i=$((i + 1))
    done
}

make_media_seeds() {
    local dir=$out/seeds/media
    mkdir -p "$dir"
    [ -n "$(ls -A "$dir")" ] && return 0
    local v="-f lavfi -i testsrc2=size=64x48:rate=10:duration=1"
    local a="-f lavfi -i sine=frequency=440:sample_rate=8000:duration=1"
    local -a recipes=(
        "clip.avi|$v $a -c:v mpeg4 -q:v 20 -c:a libmp3lame -b:a 8k"
        "clip.mp4|$v $a -c:v libx264 -preset ultrafast -crf 45 -pix_fmt yuv420p -c:a aac -b:a 8k"
        "clip.mpg|$v $a -r 25 -c:v mpeg1video -b:v 50k -c:a mp2 -ar 32000 -b:a 32k -f mpeg"
        "clip.wmv|$v $a -c:v wmv2 -b:v 50k -c:a wmav2 -b:a 32k"
        "clip.swf|$v $a -c:v flv -b:v 50k -c:a libmp3lame -ar 11025 -b:a 8k"
        "clip.flv|$v $a -c:v flv -b:v 50k -c:a libmp3lame -ar 11025 -b:a 8k"
        "clip.mkv|$v $a -c:v mjpeg -q:v 25 -c:a pcm_u8"
        "clip.3gp|-f lavfi -i testsrc2=size=128x96:rate=10:duration=1 $a -c:v h263 -b:v 30k -c:a aac -b:a 8k"
        "rotated.mov|$v -c:v libx264 -preset ultrafast -crf 45 -pix_fmt yuv420p -metadata:s:v rotate=90"
        "clip.ts|$v $a -c:v mpeg2video -b:v 50k -c:a ac3 -b:a 32k -f mpegts"
        "audio.wav|$a -c:a pcm_u8"
        "raw.h264|$v -c:v libx264 -preset ultrafast -crf 45 -pix_fmt yuv420p -f h264"
        "tracks.mkv|$v $a $a -map 0 -map 1 -map 2 -c:v mjpeg -q:v 25 -c:a pcm_u8 -ac:a:1 2 -metadata:s:a:0 language=eng -metadata:s:a:1 language=fre -disposition:a:1 default"
    )
    local r
    for r in "${recipes[@]}"; do
        # shellcheck disable=SC2086
        if ! ffmpeg -nostdin -v error -y ${r#*|} "$dir/${r%%|*}"; then
            echo "ffmpeg could not make the seed ${r%%|*}" >&2
            rm -f "$dir/${r%%|*}"
        fi
    done
}

# Subtitles as films carry them: SubRip and ASS in Matroska, one flagged forced; Blu-ray's pictures.
make_subtitle_seeds() {
    local dir=$out/seeds/subtitles
    mkdir -p "$dir"
    [ -n "$(ls -A "$dir")" ] && return 0
    printf '1\n00:00:00,100 --> 00:00:00,600\nBonjour\n\n2\n00:00:00,700 --> 00:00:00,900\n<i>Salut</i>\n' \
        >"$dir/in.srt"
    printf '[Script Info]\nScriptType: v4.00+\nPlayResX: 64\nPlayResY: 48\n\n[Events]\n%s\n%s\n' \
        'Format: Layer, Start, End, Style, Name, MarginL, MarginR, MarginV, Effect, Text' \
        'Dialogue: 0,0:00:00.00,0:00:00.80,Default,,0,0,0,,{\b1}Hi{\pos(10,10)} there' >"$dir/in.ass"
    local v="-f lavfi -i testsrc2=size=64x48:rate=10:duration=1"
    ffmpeg -nostdin -v error -y $v -i "$dir/in.srt" -i "$dir/in.ass" -map 0 -map 1 -map 2 \
        -c:v mjpeg -q:v 25 -c:s:0 srt -c:s:1 ass -metadata:s:s:0 language=fre \
        -disposition:s:1 forced "$dir/subtitles.mkv" || echo "ffmpeg could not make the seed" >&2
    rm -f "$dir/in.srt" "$dir/in.ass"
    # A Blu-ray track (.sup) made of pictures: an 8x4 white box on a 64x48 canvas from 0.1 s to
    # 0.5 s, between empty compositions at 0 s and 0.5 s.
    local sup=''
    sup+='\x50\x47\x00\x00\x00\x00\x00\x00\x00\x00\x16\x00\x0b\x00\x40\x00\x30\x10\x00\x00\x00\x00\x00\x00'
    sup+='\x50\x47\x00\x00\x00\x00\x00\x00\x00\x00\x17\x00\x0a\x01\x00\x00\x14\x00\x28\x00\x08\x00\x04\x50'
    sup+='\x47\x00\x00\x00\x00\x00\x00\x00\x00\x80\x00\x00\x50\x47\x00\x00\x23\x28\x00\x00\x00\x00\x16\x00'
    sup+='\x13\x00\x40\x00\x30\x10\x00\x01\x80\x00\x00\x01\x00\x00\x00\x00\x00\x14\x00\x28\x50\x47\x00\x00'
    sup+='\x23\x28\x00\x00\x00\x00\x17\x00\x0a\x01\x00\x00\x14\x00\x28\x00\x08\x00\x04\x50\x47\x00\x00\x23'
    sup+='\x28\x00\x00\x00\x00\x14\x00\x07\x00\x00\x01\xeb\x80\x80\xff\x50\x47\x00\x00\x23\x28\x00\x00\x00'
    sup+='\x00\x15\x00\x23\x00\x00\x00\xc0\x00\x00\x1c\x00\x08\x00\x04\x00\xc0\x08\x01\x00\x00\x00\xc0\x08'
    sup+='\x01\x00\x00\x00\xc0\x08\x01\x00\x00\x00\xc0\x08\x01\x00\x00\x50\x47\x00\x00\x23\x28\x00\x00\x00'
    sup+='\x00\x80\x00\x00\x50\x47\x00\x00\xaf\xc8\x00\x00\x00\x00\x16\x00\x0b\x00\x40\x00\x30\x10\x00\x02'
    sup+='\x00\x00\x00\x00\x50\x47\x00\x00\xaf\xc8\x00\x00\x00\x00\x17\x00\x0a\x01\x00\x00\x14\x00\x28\x00'
    sup+='\x08\x00\x04\x50\x47\x00\x00\xaf\xc8\x00\x00\x00\x00\x80\x00\x00'
    printf %b "$sup" >"$dir/in.sup"
    # shellcheck disable=SC2086
    ffmpeg -nostdin -v error -y $v -i "$dir/in.sup" -map 0 -map 1 -c:v mjpeg -q:v 25 -c:s copy \
        -metadata:s:s:0 language=eng "$dir/pictures.mkv" || echo "ffmpeg could not make the seed" >&2
    rm -f "$dir/in.sup"
}

make_seeds() {
    local list='-y\0-ss\000:00:10\0-t\060\0-i\0/v/party.avi\0-vol\0100\0-bitexact\0-vcodec\0'
    list+='mpeg4\0-padtop\030\0-padbottom\030\0-padleft\00\0-padright\00\0-s\0320x240\0-r\0'
    list+='29.97\0-b\0768\0-acodec\0aac\0-ac\02\0-ar\044100\0-ab\0128\0-f\0psp\0/out/party.MP4'
    seed_text engine_args "$list" '-f\03gp\0-i\0in.wmv\0-b\0300k\0-ss\0\0-t\0\0o.3gp' \
        '-i\0a.avi\0-r\030000/1001\0-t\01:02:03.5\0-ab\064 kb/s\0-y\0out.mp4'
    seed_text numbers '44.1 khz' '-12e-3x' '  +0.5' '2147483648' '1e309' '29.97' '.5e+2' '\t-0'
    seed_text skin '[MainWindow]\nImg_Back=bg.bmp,,,5,6,120,80,1,0,,0,,0,0,\nMaskBmp=mask.bmp\n' \
        'TB_Convert=strip3.bmp,strip3.bmp,,30,20,20,20,1,1,0,,Off # On,1,1,0,' \
        '\x05[a]\nk=a.bmp, 0 ,\\sub\\b.bmp,-7,\n'
    mkdir -p "$out/seeds/profiles"
    cp "$root/assets/Output.dll" "$out/seeds/profiles/shipped-catalogue"
    printf '%s' 'My Player : Video: 320x240, 768 kbps, 25 fps, Audio: 128 kbps, 44.1 khps, 2 Channels Stereo' \
        >"$out/seeds/profiles/profile-text"
    seed_text engine_info 'frame=  250 fps= 61 q=3.1 size=    1024kB time=12.34 bitrate= 838.9kbits/s' \
        'time=nan bitrate=' 'bitrate time=5'
}

# run <target>: one fuzzing session; prints a summary line, returns libFuzzer's status.
run() {
    local name=$1 seeds=$1 max_len=4096 log=$out/logs/$1.log
    case $name in
    fileinfo | thumbnail | tracks) seeds=media max_len=65536 ;;
    subtitles) max_len=65536 ;;
    esac
    mkdir -p "$out/corpus/$name"
    local extra=()
    [ "$name" = engine_args ] && extra+=(-dict="$here/engine_args.dict")
    # FUZZ_SEED fixes the mutations: a short run then tries the same inputs every time.
    [ -n "${FUZZ_SEED:-}" ] && extra+=(-seed="$FUZZ_SEED")
    [ "${FUZZ_KEEP_GOING:-0}" = 1 ] &&
        extra+=(-fork=1 -ignore_crashes=1 -ignore_timeouts=1 -ignore_ooms=1)
    local status=0 findings_before
    findings_before=$(find "$out/artifacts" -name "$name-*" | wc -l)
    "$out/fuzz_$name" -max_total_time="$seconds" -max_len="$max_len" -timeout=10 \
        -rss_limit_mb="$rss_mb" -print_final_stats=1 -artifact_prefix="$out/artifacts/$name-" \
        "${extra[@]}" "$out/corpus/$name" "$out/seeds/$seeds" >"$log" 2>&1 || status=$?
    local last execs
    last=$(grep -E '^#[0-9]+' "$log" | tail -n 1 || true)
    execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    [ -n "$execs" ] || execs=$(echo "$last" | sed -n 's/^#\([0-9]*\).*/\1/p')
    if [ "$(find "$out/artifacts" -name "$name-*" | wc -l)" -gt "$findings_before" ]; then
        [ "$status" -ne 0 ] || status=1
        echo "$name: findings kept in $out/artifacts/$name-*"
    fi
    printf '%-12s status %s, executions %s, last: %s\n' "$name" "$status" "${execs:-?}" \
        "${last:-none}"
    if [ "$status" -ne 0 ]; then
        grep -E '^(==[0-9]+==ERROR|SUMMARY|fuzz check failed|.*runtime error)' "$log" | head -n 5
        echo "  log: $log"
    fi
    return "$status"
}

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    targets=(profiles numbers skin engine_args fileinfo thumbnail tracks subtitles engine_info)
fi
have_ffmpeg=1
command -v ffmpeg >/dev/null 2>&1 || have_ffmpeg=0

make_seeds
failed=0
for t in "${targets[@]}"; do
    case $t in
    fileinfo | thumbnail | tracks | subtitles)
        if [ $have_ffmpeg -eq 0 ]; then
            echo "$t: ffmpeg not found, no media to start from; left out"
            continue
        fi
        if [ "$t" = subtitles ]; then make_subtitle_seeds; else make_media_seeds; fi ;;
    esac
    if ! build "$t"; then
        echo "$t: build failed"
        failed=1
        continue
    fi
    run "$t" || failed=1
done
exit $failed
