#!/usr/bin/env bash
# Installs every Debian package the build, the program, the tests and the benchmarks need.
# Does nothing when all of them are present.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config clang-format
    qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins libgl-dev
    libavformat-dev libavcodec-dev libavfilter-dev libswscale-dev libswresample-dev libavutil-dev
    libmpv-dev libturbojpeg0-dev libsimpleini-dev libxcb1-dev
    libgtest-dev libgmock-dev
    ffmpeg xvfb xauth xdotool x11-utils imagemagick fonts-dejavu-core fonts-liberation2
    desktop-file-utils appstream man-db groff-base file dpkg-dev lintian
    at-spi2-core python3-pyatspi dbus
)

# The benchmarks measure against other converters and players: `install-deps.sh --bench`.
# The sanitizer builds and the fuzz targets need clang's libFuzzer, lld and the symbolizer:
# `install-deps.sh --checks`.
case "${1:-}" in
--bench) packages+=(handbrake-cli bc mpv) ;;
--checks) packages+=(clang lld libclang-rt-dev llvm) ;;
esac

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

echo "install-deps: installing ${missing[*]}"
if [ "$(id -u)" -ne 0 ]; then
    SUDO=sudo
else
    SUDO=
fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
$SUDO apt-get install -y -q "${missing[@]}"
