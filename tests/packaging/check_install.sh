#!/usr/bin/env bash
# Installs the build into a fresh prefix and checks that everything a desktop needs is in its
# place and valid, and that it carries one version number: check_install.sh BUILD_DIR APP_ID VERSION
# SOURCE_DIR
set -euo pipefail
build=$1
id=$2
version=$3
source=$4
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
need share/zv/lv.zvlex  # the lexicon zv-convert --restore reads, with or without the desktop program
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
    grep -q "<release version=\"$version\"" "$prefix/share/metainfo/$id.metainfo.xml" ||
        { echo "no release $version in the metainfo"; status=1; }
    grep -q '<url type="bugtracker">http.*/zilvardo/feedback.htm</url>' "$prefix/share/metainfo/$id.metainfo.xml" ||
        { echo "metainfo names no bug tracker"; status=1; }
    for key in 'Name\[lv\]' 'Comment\[lv\]' 'Keywords' 'Keywords\[lv\]'; do
        grep -q "^$key=" "$prefix/share/applications/$id.desktop" || { echo "desktop entry has no $key"; status=1; }
    done
else
    # Nothing of the desktop program without it.
    for unwanted in bin/zv share/applications share/metainfo share/icons; do
        [ ! -e "$prefix/$unwanted" ] || { echo "installed without the desktop program: $unwanted"; status=1; }
    done
fi
# The input method: the engine in libexec, and a component file that ibus-daemon reads, naming
# that engine and an icon that are in the install.
if [ "${ZV_EXPECT_IBUS:-0}" = 1 ]; then
    need libexec/ibus-engine-zv
    need share/ibus/component/zv.xml
    if [ -e "$prefix/share/ibus/component/zv.xml" ]; then
        python3 - "$prefix" <<'PY' || status=1
import os, sys, xml.etree.ElementTree as ET
prefix = sys.argv[1]
root = ET.parse(os.path.join(prefix, "share/ibus/component/zv.xml")).getroot()
problems = []
if root.findtext("exec") != prefix + "/libexec/ibus-engine-zv --ibus":
    problems.append("exec is " + repr(root.findtext("exec")))
engine = root.find("engines/engine")
for field, want in (("name", "zv"), ("language", "lv"), ("layout", "default")):
    if engine.findtext(field) != want:
        problems.append(f"engine {field} is {engine.findtext(field)!r}, not {want!r}")
if not os.path.isfile(engine.findtext("icon") or ""):
    problems.append("no icon at " + repr(engine.findtext("icon")))
for problem in problems:
    print("component file:", problem)
sys.exit(1 if problems else 0)
PY
    fi
fi
# The Debian package's version is the program's.
changelog_version=$(sed -n '1s/^[^(]*(\([^)]*\)).*/\1/p' "$source/debian/changelog")
[ "$changelog_version" = "$version" ] || [ "${changelog_version%-*}" = "$version" ] ||
    { echo "debian/changelog gives $changelog_version, the program $version"; status=1; }
# The man pages format, neither man nor troff warns about them, and each names the version.
for page in "$prefix"/share/man/man1/*.1; do
    [ -e "$page" ] || continue
    grep -q "^\.TH .* \"[a-z-]* $version\"" "$page" || { echo "${page##*/} does not give $version"; status=1; }
    if warnings=$(LC_ALL=C.UTF-8 man --warnings -E UTF-8 -l "$page" 2>&1 >/dev/null); then
        [ -z "$warnings" ] || { echo "${page##*/}: $warnings"; status=1; }
    else
        echo "man cannot format ${page##*/}: $warnings"
        status=1
    fi
done
[ $status = 0 ] && echo "install into $prefix: complete and valid"
exit $status
