#!/usr/bin/env bash
# start_test.sh PREFIX: the installed program, started the way the menu starts it (the Exec line
# of its desktop entry, the command found on PATH), with its program folder read-only. It must
# show its main window, keep its settings and catalogue in the user's folders, leave the prefix
# as it was and end with 0 when asked to close.
#
# As root every folder is writable, so the program then runs as the user nobody. It gets a
# private X server, home and runtime folder.
set -uo pipefail
prefix=$(readlink -f "$1")
work=$(mktemp -d)
xvfb_pid=
program_pid=
cleanup() {
    [ -n "$program_pid" ] && kill -KILL "$program_pid" 2>/dev/null
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
die() {
    echo "FAIL: $*" >&2
    [ -f "$work/program.log" ] && sed 's/^/  program: /' "$work/program.log" >&2
    exit 1
}

as_user=()
if [ "$(id -u)" -eq 0 ]; then
    as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
fi
home=$work/home
# A home as a desktop session leaves it: the configuration and cache folders exist.
mkdir -p "$home/.config" "$home/.cache" "$work/runtime"
chmod 755 "$work"
chmod 700 "$work/runtime"
[ ${#as_user[@]} -gt 0 ] && chown -R nobody:nogroup "$home" "$work/runtime"
"${as_user[@]}" test -w "$prefix/lib/mavo-converter" && die "the program folder is writable"
"${as_user[@]}" test -x "$prefix/lib/mavo-converter/mavo-converter" ||
    die "the program cannot be run from $prefix (a folder above it is closed to the user?)"

# The command line the menu runs: the entry's Exec without its field codes.
exec_line=$(sed -n 's/^Exec=//p' "$prefix/share/applications/mavo-converter.desktop")
read -r -a command <<<"${exec_line//%F/}"
[ ${#command[@]} -eq 1 ] || die "unexpected Exec line: $exec_line"

# The first free display from 77 on; Xvfb writes its number to fd 3 once it accepts clients.
for number in $(seq 77 120); do
    [ -e "/tmp/.X$number-lock" ] && continue
    Xvfb ":$number" -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" \
        2>/dev/null &
    xvfb_pid=$!
    while kill -0 "$xvfb_pid" 2>/dev/null && [ ! -s "$work/display" ]; do
        sleep 0.1
    done
    [ -s "$work/display" ] && break
    xvfb_pid=
done
[ -n "$xvfb_pid" ] || die "Xvfb did not start"
export DISPLAY=:$(cat "$work/display")

# A sanitizer build's settings reach the program, with the files they name (suppressions, the
# preloaded library) copied where the program's user can read them.
sanitizer_env=()
for name in ASAN_OPTIONS LSAN_OPTIONS UBSAN_OPTIONS LD_PRELOAD; do
    value=${!name:-}
    [ -n "$value" ] || continue
    file=$value
    [[ $value =~ suppressions=([^:]+) ]] && file=${BASH_REMATCH[1]}
    if [ -f "$file" ]; then
        cp "$file" "$work/$name.copy" && chmod 644 "$work/$name.copy"
        value=${value/"$file"/$work/$name.copy}
    fi
    sanitizer_env+=("$name=$value")
done

find "$prefix" -printf '%p %m %s\n' | sort >"$work/before"
env -i PATH="$prefix/bin:/usr/bin:/bin" HOME="$home" DISPLAY="$DISPLAY" \
    XDG_RUNTIME_DIR="$work/runtime" TMPDIR="$work/runtime" LANG=C.UTF-8 "${sanitizer_env[@]}" \
    "${as_user[@]}" "${command[@]}" >"$work/program.log" 2>&1 &
program_pid=$!

window=$(timeout 30 xdotool search --sync --onlyvisible --name '^Vidore4 Converter$' | head -1)
[ -n "$window" ] || die "no main window appeared"
class=$(xprop -id "$window" WM_CLASS)
startup_class=$(sed -n 's/^StartupWMClass=//p' "$prefix/share/applications/mavo-converter.desktop")
[[ $class == *"\"$startup_class\""* ]] || die "window class $class, the entry names $startup_class"
[ -f "$home/.config/Vidore4/Output.dll" ] || die "no per-user catalogue in ~/.config/Vidore4"

kill -TERM "$program_pid"
for _ in $(seq 200); do
    kill -0 "$program_pid" 2>/dev/null || break
    sleep 0.1
done
kill -0 "$program_pid" 2>/dev/null && die "the program did not end on SIGTERM"
wait "$program_pid"
status=$?
program_pid=
[ $status -eq 0 ] || die "the program ended with $status"
[ -f "$home/.config/Vidore4.conf" ] || die "no settings written to ~/.config/Vidore4.conf"

find "$prefix" -printf '%p %m %s\n' | sort >"$work/after"
diff "$work/before" "$work/after" >&2 || die "the prefix changed while the program ran"
echo "installed program started from its menu entry and ended cleanly"
