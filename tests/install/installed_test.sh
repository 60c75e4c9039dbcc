#!/usr/bin/env bash
# installed_test.sh installed BUILD TESTDATA PROBE: installs BUILD into a temporary prefix and
#   runs the programs from there, with the templates, frame server and catalogs of the prefix.
# installed_test.sh deb BUILD: builds the Debian package and reads its contents and dependencies.
set -euo pipefail
mode=$1 build=$2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
has() { grep -qxF -- "$2" <<<"$1" || fail "missing '$2' in:"$'\n'"$1"; }

installed() {
    local data=$1 probe=$2 p=$tmp/prefix
    cmake --install "$build" --prefix "$p" >/dev/null
    for f in bin/brevanta bin/brevanta-cli lib/brevanta/libbrevanta_avs.so share/brevanta/Templates/FFMS2_YUY2.avs \
        share/brevanta/Templates/FFMS2.avs \
        share/locale/de/LC_MESSAGES/brevanta.mo share/applications/brevanta.desktop \
        share/icons/hicolor/scalable/apps/brevanta.svg share/icons/hicolor/256x256/apps/brevanta.png \
        share/man/man1/brevanta-cli.1.gz share/man/man1/brevanta.1.gz; do
        [ -s "$p/$f" ] || fail "not installed: $f"
    done
    [ "$(identify -format %wx%h "$p/share/icons/hicolor/256x256/apps/brevanta.png")" = 256x256 ] || fail "PNG icon size"
    desktop-file-validate "$p/share/applications/brevanta.desktop"
    local man warnings
    man=$(LANG=C.UTF-8 MANWIDTH=80 man -l "$p/share/man/man1/brevanta-cli.1.gz" 2>"$tmp/man.err")
    warnings=$(cat "$tmp/man.err")
    [ -z "$warnings" ] || fail "man page warnings: $warnings"
    grep -q "brevanta-cli analyze SOURCE1 SOURCE2" <<<"$man" || fail "man page: $man"

    # The programs must not reach the build folder: the built-in server is the prefix's, and
    # the generated scripts go to the cache, never into the prefix.
    export XDG_CACHE_HOME=$tmp/cache BREVANTA_AVISYNTH=builtin QT_QPA_PLATFORM=offscreen LC_ALL= LC_MESSAGES=
    local t=$p/share/brevanta/Templates/FFMS2_YUY2.avs out
    out=$(LANG=C.UTF-8 "$p/bin/brevanta-cli" info "$data/orig.mkv" --template "$t")
    has "$out" "Frame Size: 320 x 240"
    has "$out" "End Frame: 59"
    out=$(LANG=de_DE.UTF-8 "$p/bin/brevanta-cli" info "$data/orig.mkv" --template "$t")
    has "$out" "Bildgröße: 320 x 240"
    # The script is removed once opened and leaves nothing beside it. It is made in the cache:
    # where no cache folder can be made, no script can be either.
    [ -z "$(find "$XDG_CACHE_HOME/brevanta" -maxdepth 1 -name '*bv_*')" ] || fail "files left in the cache"
    mkdir "$tmp/nocache" && : >"$tmp/nocache/brevanta"
    if XDG_CACHE_HOME=$tmp/nocache "$p/bin/brevanta-cli" info "$data/orig.mkv" --template "$t" >/dev/null 2>&1; then
        fail "the script was not generated in the cache"
    fi
    # A video without a template is opened through the prefix's FFMS2 template, said on stderr.
    out=$(LANG=C.UTF-8 "$p/bin/brevanta-cli" info "$data/orig.mkv" 2>&1)
    has "$out" "Videos given without a template are opened through: $p/share/brevanta/Templates/FFMS2.avs"
    has "$out" "Frame Size: 320 x 240"
    mkdir "$tmp/logs"
    out=$(LANG=C.UTF-8 "$p/bin/brevanta-cli" analyze "$data/orig.mkv" "$data/enc_crf30.mkv" --template1 "$t" \
        --template2 "$t" --end 9 --standard-log --storage "$tmp/logs")
    grep -q "PSNR" <<<"$out" || fail "analyze printed: $out"
    ls "$tmp/logs"/bv_*_results.txt >/dev/null || fail "no results file"
    [ -z "$(find "$p" -name '*bv_*')" ] || fail "generated files in the prefix"

    # The probe ends the window; timeout only guards against a probe that never ran.
    out=$(LANG=C.UTF-8 LD_PRELOAD=$probe timeout 60 "$p/bin/brevanta")
    has "$out" "title: Brevanta"
    has "$out" "tab: Welcome"
    has "$out" "button: Next"
    out=$(LANG=de_DE.UTF-8 LD_PRELOAD=$probe timeout 60 "$p/bin/brevanta")
    has "$out" "tab: Willkommen"
    has "$out" "button: Weiter"
}

deb() {
    cpack --config "$build/CPackConfig.cmake" -B "$tmp" >/dev/null
    local pkg contents depends
    pkg=$(echo "$tmp"/brevanta_*.deb)
    [ -f "$pkg" ] || fail "no package"
    contents=$(dpkg-deb -c "$pkg" | awk '{print $NF}')
    for f in ./usr/bin/brevanta ./usr/bin/brevanta-cli ./usr/lib/brevanta/libbrevanta_avs.so \
        ./usr/share/brevanta/Templates/FFMS2_YUY2.avs ./usr/share/brevanta/Templates/FFMS2.avs \
        ./usr/share/locale/de/LC_MESSAGES/brevanta.mo \
        ./usr/share/applications/brevanta.desktop ./usr/share/icons/hicolor/scalable/apps/brevanta.svg \
        ./usr/share/icons/hicolor/256x256/apps/brevanta.png ./usr/share/man/man1/brevanta-cli.1.gz; do
        has "$contents" "$f"
    done
    # Only the program: no tests, benchmarks or development files.
    [ "$(grep -c '^./usr/bin/.' <<<"$contents")" = 2 ] || fail "extra executables:"$'\n'"$contents"
    depends=$(dpkg-deb -f "$pkg" Depends | tr ',' '\n' | sed 's/^ *//; s/ (.*//')
    for d in libqt6widgets6 libqt6gui6 libffms2-5 libjpeg62-turbo libsystemd0 qt6-qpa-plugins \
        "fonts-liberation2 | fonts-liberation" fonts-dejavu-core; do
        has "$depends" "$d"
    done
    [ "$(dpkg-deb -f "$pkg" Package)" = brevanta ] || fail "package name"
}

case $mode in
installed) installed "$3" "$4" ;;
deb) deb ;;
*) fail "unknown mode $mode" ;;
esac
echo "OK"
