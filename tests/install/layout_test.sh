#!/usr/bin/env bash
# layout_test.sh PREFIX SOURCE_DIR: the installed files, their links and their metadata.
set -uo pipefail
prefix=$1
source_dir=$2
program=$prefix/lib/mavo-converter
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

# The program folder holds exactly the program: nothing of the build's tools or tests, and no
# settings or thumbnails a run from the build folder may have left there.
expected=$(printf '%s\n' "Help File.html" Output.dll Skin libEncoder.so libPlayFileDll.so \
    libwinmsg.so mavo-convert mavo-converter help | sort)
actual=$(ls -1 "$program" | sort)
[ "$actual" = "$expected" ] || fail "program folder holds: $(echo $actual)"
cmp -s "$program/Output.dll" "$source_dir/assets/Output.dll" || fail "Output.dll differs"
[ -f "$program/Skin/Skin.ini" ] || fail "no Skin/Skin.ini"
# Every picture the user guide shows lies beside it.
for picture in $(grep -o 'src="help/[^"]*"' "$program/Help File.html" | sed 's/^src="//; s/"$//'); do
    [ -f "$program/$picture" ] || fail "the user guide's $picture is not installed"
done
for command in mavo-converter mavo-convert; do
    [ -x "$program/$command" ] || fail "$command is not executable"
    [ "$(readlink "$prefix/bin/$command")" = "../lib/mavo-converter/$command" ] ||
        fail "bin/$command is not a link into the program folder"
done

# Every executable and library finds its libraries from where it is installed.
for elf in "$program/mavo-converter" "$program/mavo-convert" "$program"/*.so; do
    missing=$(ldd "$elf" | grep 'not found')
    [ -z "$missing" ] || fail "$(basename "$elf") misses: $missing"
done

# The command is a relative link, so the prefix can be moved (or packaged) as it is.
link=$prefix/bin/mavo-converter
if [ -L "$link" ]; then
    [ "$(readlink "$link")" = "../lib/mavo-converter/mavo-converter" ] ||
        fail "bin/mavo-converter points to $(readlink "$link")"
    [ "$(readlink -f "$link")" = "$(readlink -f "$program/mavo-converter")" ] ||
        fail "bin/mavo-converter does not reach the program"
else
    fail "bin/mavo-converter is not a link"
fi

desktop=$prefix/share/applications/mavo-converter.desktop
metainfo=$prefix/share/metainfo/org.mavo.videoconverter.metainfo.xml
man_page=$prefix/share/man/man1/mavo-convert.1.gz
desktop-file-validate "$desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$metainfo" || fail "appstreamcli validate"
# The tree as a software centre reads it: the metadata's launchable and icon must be found.
appstreamcli validate-tree --no-net "$prefix" || fail "appstreamcli validate-tree"

for size in 16 22 24 32 48 64 128 256; do
    icon=$prefix/share/icons/hicolor/${size}x${size}/apps/mavo-converter.png
    got=$(identify -format '%m %wx%h %[channels]' "$icon" 2>&1)
    [[ $got == "PNG ${size}x${size} srgba"* ]] || fail "icon $size: $got"
done

# The manual page renders without warnings, and no build placeholder is left in the texts.
warnings=$(zcat "$man_page" | groff -man -ww -z 2>&1)
[ -z "$warnings" ] || fail "man page warnings: $warnings"
page=$(zcat "$man_page" | MANWIDTH=80 man -l - 2>/dev/null)
for part in "EXIT STATUS" "--device" "--profile" "--list" "--json" "130"; do
    grep -qF -- "$part" <<<"$page" || fail "man page lacks $part"
done
if grep -l '@[A-Z_]*@' "$metainfo" <(zcat "$man_page") >/dev/null; then
    fail "a @VARIABLE@ placeholder was not filled in"
fi

[ $failures -eq 0 ] && echo "install layout: all checks passed"
exit $((failures > 0))
