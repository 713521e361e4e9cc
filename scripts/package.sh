#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package from build/ (reusing what is built there), checks
# it with lintian, checks that apt can resolve its dependencies, installs it,
# has the installed quillmoor-convert convert the shipped samples, and removes
# the package again; a quillmoor installed before is left as it was. The package
# is left in build/package/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh" help2man lintian desktop-file-utils appstream dpkg-dev file man-db
"$root/scripts/build.sh"

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive

desktop-file-validate "$root/packaging/com.tervalko.Quillmoor.desktop"
appstreamcli validate --no-net "$root/packaging/com.tervalko.Quillmoor.metainfo.xml"

rm -rf "$root/build/package"
(cd "$root/build" && cpack -G DEB -B "$root/build/package" >/dev/null)
debs=("$root"/build/package/quillmoor_*.deb)
deb=${debs[0]}
echo "Built $deb"
dpkg-deb --info "$deb"
# Errors fail the build; warnings are printed for whoever reads the log.
lintian --fail-on error --tag-display-limit 0 "$deb"

# Dependencies must resolve from the archive before anything is installed.
$sudo apt-get install --simulate "$deb" >/dev/null

# A quillmoor the machine already had stays as it was found: the new package is
# then checked unpacked into a folder of its own instead of installed.
work=$(mktemp -d)
installed=0
cleanup() {
    [ "$installed" -eq 0 ] || $sudo apt-get purge -y -qq quillmoor >/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
unpacked=""
if dpkg-query -W -f='${Status}' quillmoor 2>/dev/null | grep -q 'ok installed'; then
    echo "quillmoor $(dpkg-query -W -f='${Version}' quillmoor) is installed: checking the new package unpacked, not installed"
    unpacked="$work/root"
    dpkg-deb -x "$deb" "$unpacked"
    for page in quillmoor quillmoor-convert; do
        [ -f "$unpacked/usr/share/man/man1/$page.1.gz" ]
    done
else
    $sudo apt-get install -y -qq "$deb" >/dev/null
    installed=1
    man -w quillmoor-convert >/dev/null
    man -w quillmoor >/dev/null
fi

[ "$(readlink -f "$unpacked/usr/bin/quillmoor-convert")" = "$unpacked/usr/lib/quillmoor/quillmoor-convert" ]
[ -x "$unpacked/usr/lib/quillmoor/quillmoor" ] && [ -x "$unpacked/usr/lib/quillmoor/quillmoor-office" ]
"$unpacked/usr/bin/quillmoor-convert" --version

# A private home, so neither the user's settings nor LibreOffice profile are touched.
mkdir -p "$work/home" "$work/videos"
(cd "$work" && HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" \
    XDG_CACHE_HOME="$work/home/.cache" QT_QPA_PLATFORM=offscreen \
    "$unpacked/usr/bin/quillmoor-convert" --samples --separate --fps 1 --output-dir "$work/videos")
for sample in "$unpacked"/usr/lib/quillmoor/Samples/*; do
    name=$(basename "$sample")
    video="$work/videos/${name%.*}.avi"
    if ! file "$video" | grep -q 'AVI'; then
        echo "No video for the sample $name" >&2
        exit 1
    fi
done
echo "The new package converted $(ls "$unpacked/usr/lib/quillmoor/Samples" | wc -l) samples."
