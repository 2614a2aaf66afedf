#!/usr/bin/env bash
# package_test.sh BUILD_DIR OUT_DIR: builds the Debian package with CPack into OUT_DIR and checks
# its control data and contents with dpkg-deb, and the whole package with lintian.
set -uo pipefail
build=$1
out=$2
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

rm -rf "$out"
mkdir -p "$out"
cpack --config "$build/CPackConfig.cmake" -G DEB -B "$out" >"$out/cpack.log" 2>&1 ||
    { cat "$out/cpack.log" >&2; exit 1; }
debs=("$out"/mavo-converter_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || { echo "FAIL: no package in $out" >&2; exit 1; }
deb=${debs[0]}
dpkg-deb --info "$deb"

# The dependencies come from the libraries the program, the engine and the player link, plus
# the X11 platform plugin Qt loads at run time. The program's own libraries are in the package.
depends=$(dpkg-deb --field "$deb" Depends)
for needed in libc6 libqt6core6 libqt6widgets6 libqt6network6 libavcodec libavformat \
    libswscale libmpv libturbojpeg libxcb1 qt6-qpa-plugins; do
    grep -qE "(^|, )$needed[0-9a-z.+-]*( |,)" <<<"$depends," || fail "Depends lacks $needed"
done
grep -qE "winmsg|Encoder|PlayFileDll" <<<"$depends" && fail "Depends names a library of the package"

contents=$(dpkg-deb --contents "$deb")
for path in ./usr/lib/mavo-converter/mavo-converter ./usr/lib/mavo-converter/mavo-convert \
    ./usr/lib/mavo-converter/libEncoder.so \
    ./usr/lib/mavo-converter/libPlayFileDll.so ./usr/lib/mavo-converter/libwinmsg.so \
    ./usr/lib/mavo-converter/Output.dll ./usr/lib/mavo-converter/Skin/Skin.ini \
    ./usr/share/applications/mavo-converter.desktop \
    ./usr/share/metainfo/org.mavo.videoconverter.metainfo.xml \
    ./usr/share/icons/hicolor/48x48/apps/mavo-converter.png \
    ./usr/share/man/man1/mavo-convert.1.gz ./usr/share/man/man1/mavo-converter.1.gz \
    ./usr/share/doc/mavo-converter/copyright ./usr/share/doc/mavo-converter/changelog.gz; do
    grep -qF " $path" <<<"$contents" || fail "the package lacks $path"
done
grep -qF "./usr/bin/mavo-converter -> ../lib/mavo-converter/mavo-converter" <<<"$contents" ||
    fail "the package lacks the link usr/bin/mavo-converter"
# Installed as root and nothing writable by others.
owners=$(awk '{print $2}' <<<"$contents" | sort -u)
[ "$owners" = "root/root" ] || fail "files owned by $owners"
grep -E '^.......w' <<<"$contents" && fail "files writable by others"

# The private libraries are found through the run path: no ldconfig from maintainer scripts.
dpkg-deb --ctrl-tarfile "$deb" | tar -t | grep -qE 'post(inst|rm)' && fail "maintainer scripts"

# Debian's own checker: no error and no warning.
if ! lintian --fail-on error,warning "$deb" \
    >"$out/lintian.log" 2>&1; then
    cat "$out/lintian.log" >&2
    fail "lintian reported errors or warnings"
fi

[ $failures -eq 0 ] && echo "package $(basename "$deb"): all checks passed"
exit $((failures > 0))
