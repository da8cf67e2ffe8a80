#!/usr/bin/env bash
# The desktop program copied into a folder where someone else has put a qt.conf (naming their
# own plug-in and helper folders) and folders of plug-ins: it starts, writes its document, and
# takes neither the qt.conf nor a plug-in nor anything of the web view from that folder.
#   program_folder_files.sh PATH_TO_ZV QT_PLUGIN_FOLDER
# Runs on the offscreen platform; Qt's own debug lines tell which folders it looks in.
set -uo pipefail
zv=$(realpath "$1")
installed_plugins=$2

folder=$(mktemp -d)
pid=
cleanup() {
    [ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null && wait "$pid" 2>/dev/null
    rm -rf "$folder"
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*"
    echo "--- program output (lines naming $folder, then the last lines):"
    grep -F -- "$folder" "$folder/zv.log" | head -n 20
    tail -n 20 "$folder/zv.log"
    exit 1
}

cp "$zv" "$folder/zv"
planted=$folder/theirs
mkdir -p "$planted/platforms" "$folder/platforms" "$folder/platformthemes" "$folder/imageformats"
cat >"$folder/qt.conf" <<EOF
[Paths]
Prefix=$planted
Plugins=$planted
LibraryExecutables=$planted
Data=$planted
Translations=$planted
EOF

cd "$folder" || exit 1
QT_LOGGING_RULES='qt.core.plugin.factoryloader.debug=true;qt.webengine.libraryinfo.debug=true' \
    QT_QPA_PLATFORM=offscreen QTWEBENGINE_DISABLE_SANDBOX=1 ./zv >"$folder/zv.log" 2>&1 &
pid=$!

# Started: the first conversion has written the document beside the program, and the web view
# has found its helper program. A limit for a program that hangs, not a measure of its speed.
deadline=$((SECONDS + 90))
until [ -s "$folder/unitext.html" ] && grep -q 'Qt WebEngine process path' "$folder/zv.log"; do
    kill -0 "$pid" 2>/dev/null || fail "the program ended at startup"
    [ $SECONDS -lt $deadline ] || fail "no document and web view within 90 seconds"
    sleep 0.2
done
kill -TERM "$pid"
wait "$pid" 2>/dev/null
pid=

grep -qF "checking directory path \"$installed_plugins/platforms\"" "$folder/zv.log" ||
    fail "Qt did not say where it looks for plug-ins (its debug lines changed?)"
if grep -qF -- "$folder" "$folder/zv.log"; then
    fail "the program looked in its own folder"
fi
echo "started; nothing taken from the program folder"
