#!/usr/bin/env bash
# Builds the fuzz target for the profile text parse and the INI layer with clang's libFuzzer
# (address and undefined-behaviour sanitizers) and runs it, 60 seconds unless told otherwise:
#   tests/fuzz/run.sh [seconds]
# Without clang++ nothing is built and the script says so.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
seconds=${1:-60}

if ! command -v clang++ >/dev/null 2>&1; then
    echo "clang++ not found: the fuzz target is not built"
    exit 0
fi

out=${FUZZ_OUT:-$root/build/fuzz}
mkdir -p "$out/corpus"
cp "$root/assets/Output.dll" "$out/corpus/shipped-catalogue"
printf '%s' 'My Player : Video: 320x240, 768 kbps, 25 fps, Audio: 128 kbps, 44.1 khps, 2 Channels Stereo' \
    > "$out/corpus/profile-text"

# shellcheck disable=SC2046
clang++ -std=c++20 -g -O1 -fPIC -fsanitize=fuzzer,address,undefined \
    -fno-sanitize-recover=undefined -I"$root/src" $(pkg-config --cflags Qt6Core) \
    "$here/fuzz_profiles.cpp" "$root/src/profiles/IniFile.cpp" \
    "$root/src/profiles/ProfileCatalogue.cpp" "$root/src/common/NumberText.cpp" \
    "$root/src/common/Globals.cpp" \
    $(pkg-config --libs Qt6Core) -o "$out/fuzz_profiles"

"$out/fuzz_profiles" -max_total_time="$seconds" -max_len=4096 -print_final_stats=1 \
    -artifact_prefix="$out/" "$out/corpus"
