#!/usr/bin/env bash
# Installs the build into a fresh prefix and checks that everything a desktop needs is in its
# place and valid: check_install.sh BUILD_DIR APP_ID
set -euo pipefail
build=$1
id=$2
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null

status=0
need() {
    if [ ! -e "$prefix/$1" ]; then
        echo "missing after install: $1"
        status=1
    fi
}
need bin/zv-convert
need share/man/man1/zv-convert.1
# The desktop program comes with its entry, metadata and icons.
if [ "${ZV_EXPECT_GUI:-1}" = 1 ]; then
    need bin/zv
    need share/man/man1/zv.1
    need share/applications/$id.desktop
    need share/metainfo/$id.metainfo.xml
    for size in 16x16 32x32 48x48 256x256; do need share/icons/hicolor/$size/apps/$id.png; done
    need share/icons/hicolor/scalable/apps/$id.svg

    desktop-file-validate "$prefix/share/applications/$id.desktop" || status=1
    appstreamcli validate --no-net "$prefix/share/metainfo/$id.metainfo.xml" || status=1
    grep -q "^Icon=$id\$" "$prefix/share/applications/$id.desktop" || { echo "desktop Icon is not $id"; status=1; }
    grep -q "<id>$id</id>" "$prefix/share/metainfo/$id.metainfo.xml" || { echo "metainfo id is not $id"; status=1; }
    grep -q '<release version="0.09"' "$prefix/share/metainfo/$id.metainfo.xml" || { echo "no release 0.09"; status=1; }
    grep -q '<url type="bugtracker">http.*/zilvardo/feedback.htm</url>' "$prefix/share/metainfo/$id.metainfo.xml" ||
        { echo "metainfo names no bug tracker"; status=1; }
    for key in 'Name\[lv\]' 'Comment\[lv\]' 'Keywords' 'Keywords\[lv\]'; do
        grep -q "^$key=" "$prefix/share/applications/$id.desktop" || { echo "desktop entry has no $key"; status=1; }
    done
else
    # Nothing of the desktop program without it.
    for unwanted in bin/zv share/applications share/metainfo share/icons share/zv; do
        [ ! -e "$prefix/$unwanted" ] || { echo "installed without the desktop program: $unwanted"; status=1; }
    done
fi
# The man pages format, and neither man nor troff warns about them.
for page in "$prefix"/share/man/man1/*.1; do
    [ -e "$page" ] || continue
    if warnings=$(LC_ALL=C.UTF-8 man --warnings -E UTF-8 -l "$page" 2>&1 >/dev/null); then
        [ -z "$warnings" ] || { echo "${page##*/}: $warnings"; status=1; }
    else
        echo "man cannot format ${page##*/}: $warnings"
        status=1
    fi
done
[ $status = 0 ] && echo "install into $prefix: complete and valid"
exit $status
