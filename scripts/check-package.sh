#!/usr/bin/env bash
# Packs the build into its Debian package and checks what the package
# installs, unpacked into a scratch folder as dpkg would lay it out: the
# layout, the declared dependencies, the desktop and AppStream files, and the
# programs run from the unpacked tree, which must find their helpers and
# data from their own folder.
#   usage: scripts/check-package.sh [PACKAGE.deb]   (default: pack build/)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
id=com.korvantis.Flazz
work=$(mktemp -d)
first=""
cleanup() {
  local status=$?
  if [ -n "$first" ]; then
    kill "$first" 2>/dev/null || true
    wait "$first" 2>/dev/null || true # its end by the signal is no failure
  fi
  rm -rf "$work"
  exit "$status"
}
trap cleanup EXIT
fail() {
  echo "check-package: $*" >&2
  exit 1
}

deb=${1:-}
if [ -z "$deb" ]; then
  rm -f "$root"/build/packages/flazz_*.deb
  (cd "$root/build" && cpack -G DEB >"$work/cpack.log") || { cat "$work/cpack.log" >&2; fail "cpack failed"; }
  deb=$(ls "$root"/build/packages/flazz_*.deb)
fi
stage=$work/stage
dpkg-deb -x "$deb" "$stage"
usr=$stage/usr

# Layout.
for program in bin/flazz bin/flazz-cli libexec/flazz/flazz-uploader libexec/flazz/flazz-sandbox; do
  [ -x "$usr/$program" ] || fail "no program $program"
done
for file in share/flazz/Data/Settings.xml share/flazz/Resources/ad.html \
  share/applications/$id.desktop share/metainfo/$id.metainfo.xml share/man/man1/flazz-cli.1.gz \
  share/icons/hicolor/scalable/apps/$id.svg; do
  [ -s "$usr/$file" ] || fail "no file $file"
done
for size in 16 22 24 32 48 64 128 256; do
  file "$usr/share/icons/hicolor/${size}x$size/apps/$id.png" | grep -q "PNG image data, $size x $size" ||
    fail "no $size px icon"
done
zcat "$usr/share/man/man1/flazz-cli.1.gz" | groff -man -ww -z || fail "the manual page does not format cleanly"

# What the desktop reads.
desktop-file-validate "$usr/share/applications/$id.desktop" || fail "desktop file"
appstreamcli validate --no-net "$usr/share/metainfo/$id.metainfo.xml" >"$work/appstream.log" ||
  { cat "$work/appstream.log" >&2; fail "AppStream file"; }
for type in image/jpeg image/png image/gif image/bmp; do
  grep -q "^MimeType=.*$type;" "$usr/share/applications/$id.desktop" || fail "the desktop file does not open $type"
done
grep -q '^Name=Send with Flazz$' "$usr/share/applications/$id.desktop" || fail "no \"Send with Flazz\" action"

# What the package asks apt for.
depends=$(dpkg-deb -f "$deb" Depends)
for package in libqt6core6 libqt6gui6 libqt6widgets6 libqt6network6 libqt6svg6 libqt6printsupport6 libqt6sql6 \
  libqt6sql6-sqlite libqt6webenginewidgets6 libqt6webenginecore6-bin libqt6dbus6 libpugixml1v5 libturbojpeg0 \
  libexiv2-27; do
  [[ ", $depends," == *", $package"[\ ,]* ]] || fail "Depends lacks $package: $depends"
done
[[ $(dpkg-deb -f "$deb" Recommends) == *rclone* ]] || fail "Recommends lacks rclone"

# The unpacked tree at work, with a scratch home.
export FLAZZ_SHELL_ROOT=$work/home QT_QPA_PLATFORM=offscreen
export QTWEBENGINE_CHROMIUM_FLAGS="${QTWEBENGINE_CHROMIUM_FLAGS:---no-sandbox}"
"$usr/bin/flazz-cli" --help >"$work/help.txt" || fail "flazz-cli --help"
grep -q '^Usage: flazz-cli' "$work/help.txt" || fail "flazz-cli --help says no usage"
photo=$usr/share/icons/hicolor/256x256/apps/$id.png
"$usr/bin/flazz-cli" zip --size 800 --out "$work/zip" "$photo" >"$work/zip.txt" 2>"$work/zip.err" ||
  { cat "$work/zip.err" >&2; fail "flazz-cli zip"; }
archive=$(tail -1 "$work/zip.txt")
[ -f "$archive" ] && file "$archive" | grep -q 'Zip archive' || fail "flazz-cli zip wrote no archive ($archive)"

# The program lays out the data folder from the share/flazz/ beside it (the
# marker proves it is that copy), and a later start given a photo hands it to
# the running copy and ends.
echo '<!-- installed copy -->' >>"$usr/share/flazz/Resources/ad.html"
"$usr/bin/flazz" --tray >"$work/flazz.log" 2>&1 &
first=$!
page=$FLAZZ_SHELL_ROOT/CommonAppData/Korvantis/Flazz/Resources/ad.html
for _ in $(seq 300); do
  [ -f "$page" ] && break
  kill -0 "$first" 2>/dev/null || { cat "$work/flazz.log" >&2; fail "flazz ended at start-up"; }
  sleep 0.1
done
grep -q 'installed copy' "$page" || fail "the data folder was not laid out from share/flazz"
timeout 60 "$usr/bin/flazz" "$photo" || fail "a second start with a photo did not hand it over and end"
kill -0 "$first" 2>/dev/null || fail "the running copy ended"
echo "check-package: $(basename "$deb") installs, validates and runs"
