#!/usr/bin/env bash
# What Korvid installs for the desktop and the package manager:
#   check_desktop_files.sh entries SOURCE-DIR METAINFO   the desktop entry and AppStream file validate
#   check_desktop_files.sh install BUILD-DIR             `cmake --install` places exactly these files
#   check_desktop_files.sh package BUILD-DIR             the .deb: its dependencies, lintian, apt
set -euo pipefail
fail() { echo "FAIL: $*"; exit 1; }
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

case "$1" in
entries)
    entry="$2/src/app/korvid.desktop"
    metainfo="$3"
    desktop-file-validate "$entry" || fail "desktop-file-validate: $entry"
    grep -qx 'MimeType=x-scheme-handler/korvid;' "$entry" || fail "no korvid:// handler in $entry"
    grep -qx 'Icon=korvid' "$entry" || fail "the entry does not name the installed icon"
    appstreamcli validate --no-net "$metainfo" || fail "appstreamcli: $metainfo"
    grep -q '<launchable type="desktop-id">korvid.desktop</launchable>' "$metainfo" ||
        fail "the AppStream file does not launch the installed entry"
    # One release per version of the release notes, the newest the program's own.
    version="$(sed -n 's/^project(Korvid VERSION \([0-9.]*\).*/\1/p' "$2/CMakeLists.txt")"
    first="$(grep -o '<release version="[^"]*"' "$metainfo" | head -1)"
    [ "$first" = "<release version=\"$version\"" ] || fail "newest release is $first, not $version"
    ;;
install)
    cmake --install "$2" --prefix "$work/root/usr" >/dev/null
    (cd "$work/root" && find . -type f | sort) >"$work/found"
    libdir="$(sed -n 's/^CMAKE_INSTALL_LIBDIR:PATH=//p' "$2/CMakeCache.txt")"
    {
        echo ./usr/bin/korvid
        echo "./usr/$libdir/korvid/korvid_ffmpeg.so"
        echo ./usr/share/applications/korvid.desktop
        echo ./usr/share/doc/korvid/changelog.gz
        echo ./usr/share/doc/korvid/copyright
        for size in 16 22 24 32 48 64 128 256; do
            echo "./usr/share/icons/hicolor/${size}x${size}/apps/korvid.png"
        done
        echo ./usr/share/icons/hicolor/scalable/apps/korvid.svg
        echo ./usr/share/metainfo/com.korvid.Korvid.metainfo.xml
    } | sort >"$work/wanted"
    diff -u "$work/wanted" "$work/found" || fail "installed files differ from the list"
    for size in 16 22 24 32 48 64 128 256; do
        file "$work/root/usr/share/icons/hicolor/${size}x${size}/apps/korvid.png" |
            grep -q "PNG image data, $size x $size" || fail "the ${size}x${size} icon is not that size"
    done
    ;;
package)
    cpack -B "$work" --config "$2/CPackConfig.cmake" >"$work/cpack.log" 2>&1 ||
        { cat "$work/cpack.log"; fail "cpack"; }
    deb="$(echo "$work"/korvid_*_*.deb)"
    [ -f "$deb" ] || fail "cpack made no korvid_VERSION_ARCH.deb"
    dpkg-deb --info "$deb"
    depends="$(dpkg-deb --field "$deb" Depends)"
    # Linked libraries (found by dpkg-shlibdeps) and what Qt loads at run time.
    for package in libqt6core6 libqt6qml6 libqcoro6core0 libmpdclient2 libavformat59 libtag1v5 \
        libqt6keychain1 libpulse0 qml6-module-qtquick-controls qt6-qpa-plugins libqt6sql6-sqlite; do
        echo "$depends" | grep -qE "(^|, )$package( |,|$)" || fail "Depends lacks $package"
    done
    dpkg-deb --field "$deb" Recommends | grep -qE '(^|, )mpd(,|$)' || fail "mpd is not recommended"
    lintian --no-tag-display-limit "$deb" 2>/dev/null | tee "$work/lintian.txt" || true
    if grep -q '^E: ' "$work/lintian.txt"; then
        fail "lintian reports errors"
    fi
    # Every dependency can be met from this machine's package lists.
    apt-get -s install "$deb" >"$work/apt.txt" 2>&1 || { cat "$work/apt.txt"; fail "apt-get -s install"; }
    ;;
*)
    fail "usage: $0 entries|install|package ..."
    ;;
esac
echo "$1: ok"
