#!/bin/bash
# Builds the release package: a zip with ruzer.exe, ruzer.chm and the Japanese
# read-me. Before packing, the program from the zip is started on a fresh Wine
# prefix with bad arguments and must show its start-up error instead of
# crashing. Prints the zip's path. RUZER_BUILD_DIR picks another build folder.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="${RUZER_BUILD_DIR:-$root/build}"
if [ "$build" = "$root/build" ]; then
  RUZER_BUILD_TARGET=ruzer "$root/scripts/setup.sh" >&2
else
  cmake --build "$build" -j2 --target ruzer >&2
fi
command -v zip >/dev/null || { echo "release: needs zip (apt-get install zip)" >&2; exit 1; }
for f in ruzer.exe ruzer.chm; do
  [ -f "$build/$f" ] || { echo "release: $build/$f was not built" >&2; exit 1; }
done

version=$(sed -n 's/.*kVersion\[\] = L"\([^"]*\)".*/\1/p' "$root/src/store/Fdef.h")
name="Ruzer-$version"
out="$build/release"
stage="$out/$name"
rm -rf "$stage" "$out/$name.zip"
mkdir -p "$stage"
cp "$build/ruzer.exe" "$build/ruzer.chm" "$stage/"
# Windows' Notepad and Explorer: CR LF and a byte-order mark.
printf '\xef\xbb\xbf' > "$stage/README-ja.txt"
sed 's/$/\r/' "$root/packaging/README-ja.txt" >> "$stage/README-ja.txt"
(cd "$out" && zip -q -X -r "$name.zip" "$name")

# ---- smoke check on a fresh prefix, from the zip's own files
work=$(mktemp -d /tmp/ruzer-release.XXXXXX)
export WINEPREFIX="$work/prefix" WINEDEBUG=-all LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
xvfb=""
cleanup() {
  wineserver -k >/dev/null 2>&1 || true
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
if [ -z "${DISPLAY:-}" ]; then
  for n in $(seq 120 149); do
    [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ] || { display=$n; break; }
  done
  Xvfb ":$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb=$!
  export DISPLAY=":$display"
  sleep 1
fi
(cd "$work" && unzip -q "$out/$name.zip")
mkdir -p "$WINEPREFIX"
wineboot -i >/dev/null 2>&1 || true
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 || true
exe="$work/$name/ruzer.exe"
failed=0
for args in "/?" "/X:" "--help" "/Q /Z:zz"; do
  # shellcheck disable=SC2086
  wine "$exe" $args >/dev/null 2>&1 &
  pid=$!
  shown=""
  for _ in $(seq 1 60); do
    sleep 0.5
    if ! kill -0 "$pid" 2>/dev/null; then break; fi
    if xwininfo -root -tree 2>/dev/null | grep -q '"Ruzer"'; then shown=yes; break; fi
  done
  if [ -n "$shown" ]; then
    echo "release: ruzer.exe $args -> start-up error shown, no crash" >&2
  elif kill -0 "$pid" 2>/dev/null; then
    echo "release: ruzer.exe $args -> no window after 30 s" >&2
    failed=1
  else
    wait "$pid" && rc=0 || rc=$?
    echo "release: ruzer.exe $args -> ended (exit $rc) without showing its error" >&2
    failed=1
  fi
  wineserver -k >/dev/null 2>&1 || true
  wait "$pid" 2>/dev/null || true
  if xwininfo -root -tree 2>/dev/null | grep -qi 'winedbg\|プログラム エラー\|Program Error'; then
    echo "release: a crash dialog appeared for $args" >&2
    failed=1
  fi
done
[ "$failed" = 0 ] || { echo "release: the smoke check failed" >&2; exit 1; }
echo "$out/$name.zip"
