#!/usr/bin/env bash
# Screenshots of the real windows under Xvfb into docs/screenshots/: the main window as the
# program shows it, and the progress, profile and about windows dressed by the shipped skin.
# Usage: scripts/screenshots.sh [build-dir]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
out=$root/docs/screenshots
mkdir -p "$out"

if [ -z "${SCREENSHOT_DISPLAY:-}" ]; then
    exec xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" env SCREENSHOT_DISPLAY=1 "$0" "$build"
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME=$work XDG_CONFIG_HOME=$work/config TMPDIR=$work
unset QT_QPA_PLATFORM

# The main window, from the real program.
"$build/bin/mavo-converter" &
pid=$!
id=$(xdotool search --sync --onlyvisible --name '^Vidore4 Converter$' | head -1)
sleep 1.5
import -window "$id" "$out/main-window.png"
kill -TERM "$pid"
wait "$pid" || true

# The other three, side by side.
"$build/tools/windowshots" "$build/bin" 15 > "$work/ids" &
pid=$!
for _ in $(seq 50); do [ "$(wc -l < "$work/ids")" -ge 3 ] && break; sleep 0.2; done
while read -r wid name; do
    case $name in
        ProgressWindow) import -window "$wid" "$out/progress-window.png" ;;
        ProfileWindow) import -window "$wid" "$out/profile-window.png" ;;
        AboutWindow) import -window "$wid" "$out/about-window.png" ;;
    esac
done < "$work/ids"
kill "$pid" 2>/dev/null || true
wait "$pid" 2>/dev/null || true
ls -l "$out"
