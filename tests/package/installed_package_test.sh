#!/usr/bin/env bash
# Checks the Debian package as installed: its file list, the unpacked programs, the desktop and
# AppStream files, and that an installed console keeps its files in the user's data folder.
#   tests/package/installed_package_test.sh build-package/tresvik_1.0_amd64.deb
# Needs dpkg, desktop-file-utils, appstream, man-db, xvfb and xdotool.
set -euo pipefail

deb=$(realpath "$1")
if [[ -z "${DISPLAY:-}" ]]; then
    exec xvfb-run -a -s '-screen 0 1600x1000x24' "$0" "$@"
fi

work=$(mktemp -d)
cleanup() {
    kill "${app:-}" "${sim:-}" 2>/dev/null || true
    wait 2>/dev/null || true
    chmod -R u+w "$work"
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*" >&2
    exit 1
}

echo "-- file list"
expected="./usr/bin/tresvik
./usr/bin/tresvik-cli
./usr/bin/tresvik-sim
./usr/share/applications/tresvik.desktop
./usr/share/doc/tresvik/changelog.gz
./usr/share/doc/tresvik/copyright
./usr/share/icons/hicolor/16x16/apps/tresvik.png
./usr/share/icons/hicolor/24x24/apps/tresvik.png
./usr/share/icons/hicolor/256x256/apps/tresvik.png
./usr/share/icons/hicolor/32x32/apps/tresvik.png
./usr/share/icons/hicolor/48x48/apps/tresvik.png
./usr/share/man/man1/tresvik-cli.1.gz
./usr/share/man/man1/tresvik-sim.1.gz
./usr/share/man/man1/tresvik.1.gz
./usr/share/metainfo/tresvik.metainfo.xml"
files=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $6}' | sort)
if [[ "$files" != "$expected" ]]; then
    diff <(echo "$expected") <(echo "$files") >&2 || true
    fail "the package's files differ from the list above (< expected, > packaged)"
fi
if dpkg-deb -c "$deb" | awk '{print $6}' | grep -v -E '^\./(usr/.*)?$'; then
    fail "the package has files outside /usr"
fi
dpkg-deb -f "$deb" Section | grep -qx electronics || fail "Section is not electronics"
dpkg-deb -f "$deb" Depends | grep -q 'libqt6serialport6' || fail "Depends lacks Qt Serial Port"

echo "-- unpacked programs"
root=$work/root
dpkg -x "$deb" "$root"
# Installed under /usr, the folder is not the user's to write to.
chmod -R a-w "$root/usr"
bin=$root/usr/bin
"$bin/tresvik-cli" encode 0 | grep -qE $'^TX\tC7( [0-9A-F]{2})+$' || fail "tresvik-cli encode 0"
"$bin/tresvik-sim" --help | grep -q '^usage: tresvik-sim' || fail "tresvik-sim --help"
"$bin/tresvik-sim" --version | grep -qx 'tresvik-sim [0-9.]*' || fail "tresvik-sim --version"
"$bin/tresvik" --version | grep -q 'MIT' || fail "tresvik --version names no licence"

echo "-- desktop entry, AppStream data and manual pages"
desktop-file-validate "$root/usr/share/applications/tresvik.desktop"
appstreamcli validate --no-net "$root/usr/share/metainfo/tresvik.metainfo.xml"
for page in "$root"/usr/share/man/man1/*.1.gz; do
    warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
    [[ -z "$warnings" ]] || fail "$(basename "$page"): $warnings"
done

echo "-- the installed console writes its files to the user's data folder"
export HOME=$work/home XDG_DATA_HOME=$work/data XDG_RUNTIME_DIR=$work/run
mkdir -p "$HOME" "$XDG_DATA_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
folder=$XDG_DATA_HOME/Tresvik
"$bin/tresvik" --help | grep -qxF "$folder/" || fail "tresvik --help does not name $folder/"

"$bin/tresvik-sim" >"$work/sim.out" 2>&1 &
sim=$!
until grep -q '^port: ' "$work/sim.out"; do
    kill -0 "$sim" 2>/dev/null || fail "tresvik-sim did not start: $(cat "$work/sim.out")"
    sleep 0.05
done
# Started from a folder of its own, so that a file written to the working folder would show too.
(cd "$bin" && exec ./tresvik) >"$work/app.out" 2>&1 &
app=$!
win=$(xdotool search --sync --name 'Tresvik 1.0a' | head -1)
# The simulated unit's port is listed first and selected; Connect sits at the top left.
deadline=$((SECONDS + 30))
clicked=0
until [[ -s "$folder/ID_log.txt" ]]; do
    kill -0 "$app" 2>/dev/null || fail "the console ended: $(cat "$work/app.out")"
    ((SECONDS < deadline)) || fail "no ID log in $folder after 30 s: $(cat "$work/app.out")"
    if ((clicked == 0)); then
        sleep 1
        xdotool mousemove --window "$win" 48 46 click 1
        clicked=1
    fi
    sleep 0.2
done
grep -q . "$folder/ID_log.txt" || fail "the ID log is empty"
if [[ -e "$bin/ID_log.txt" ]]; then
    fail "the console wrote next to its program"
fi
echo "ID log: $folder/ID_log.txt ($(wc -l <"$folder/ID_log.txt") lines)"
echo "installed package: passed"
