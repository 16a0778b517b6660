#!/bin/bash
# Builds Ruzer, starts it under Xvfb on a small sample file set and saves
# screenshots of the idle main window, as a user sees it after opening the
# sample, at 100 % and 200 % scaling:
#   docs/screenshot.png, docs/screenshot-200.png
# and the first picture of the help's getting-started topic
# (help/html/images/start-1.png). RUZER_BUILD_DIR picks another configured
# build folder.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="${RUZER_BUILD_DIR:-$root/build}"
if [ "$build" = "$root/build" ]; then
  RUZER_BUILD_TARGET=ruzer "$root/scripts/setup.sh"
else
  cmake --build "$build" -j2 --target ruzer >/dev/null
fi
mkdir -p "$root/docs"

work=$(mktemp -d /tmp/ruzer-shot.XXXXXX)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

# ---- the sample file set
python3 - "$work" <<'EOF'
import os, sys, time
work = sys.argv[1]
def win(p):  # host path -> Wine path on Z:
    return 'Z:' + p.replace('/', '\\')
def write(path, lines):
    with open(path, 'wb') as f:
        f.write(b'\xff\xfe' + ''.join(l + '\r\n' for l in lines).encode('utf-16-le'))
fs = os.path.join(work, 'set'); os.makedirs(fs)
dest = os.path.join(work, 'dest'); os.makedirs(dest)
today = time.strftime('%Y/%m/%d 00:00:01')
pages = [('ホーム', ['文書', 'ピクチャ', '音楽'], '1001', ''),
         ('写真', ['2023年', '2024年'], '1001', ''),
         ('仕事', ['見積書', '議事録'], '1101', today)]
idx = ['[Ruzer]', 'Vers=6.00', 'Count=%d' % len(pages), 'Sleep=90000', 'Widir=200', '', '[Index]']
for n, (page, folders, flags, last) in enumerate(pages, 1):
    target = os.path.join(dest, page); os.makedirs(target)
    idx += ['Fname%d=%s' % (n, page), 'Dpath%d=%s' % (n, win(target)), 'Volum%d=' % n, 'LstDy%d=%s' % (n, last)]
    lines = ['[Ruzer]', 'Vers=6.00', 'Path=' + win(target), 'Labl=', 'Bday=15', 'Flgs=' + flags,
             'Cont=%d' % len(folders), 'Yfil=*.*', 'Zfil=']
    for r, name in enumerate(folders, 1):
        if name == '相対パス':
            src = 'データ\\' + name  # not a full path: the run reports it
        else:
            host = os.path.join(work, 'src', page, name)
            os.makedirs(host)
            for i in range(3):
                with open(os.path.join(host, 'ファイル%d.txt' % i), 'w') as f:
                    f.write('sample %d\n' % i)
            src = win(host)
        lines += ['', '[Folder%05d]' % r, 'Sorc=' + src, 'Efol=' + ('コメント' if r == 1 else ''),
                  'Wfil=*.*', 'Xfil=*.tmp', 'Mark=o']
    write(os.path.join(fs, page + '.PAG'), lines)
idx.append('')
write(os.path.join(fs, 'SAMPLE.IDX'), idx)
EOF
index="Z:${work//\//\\}\\set\\SAMPLE.IDX"

free_display() {
  for n in $(seq 150 199); do
    [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ] || { echo $n; return; }
  done
}

shoot() {  # shoot DPI WIDTH HEIGHT OUTPUT
  local dpi=$1 width=$2 height=$3 out=$4
  local prefix="$build/screenshot-prefix-$dpi"
  if [ ! -f "$prefix/system.reg" ]; then
    if [ -f "$root/build/wineprefix/system.reg" ]; then
      cp -a "$root/build/wineprefix" "$prefix"
    else
      mkdir -p "$prefix"
      WINEPREFIX="$prefix" LANG=ja_JP.UTF-8 wineboot -i >/dev/null 2>&1 || true
    fi
  fi
  export WINEPREFIX="$prefix"
  # The user folders of a fresh prefix point into the host's home folder: the
  # folder tree would show the developer's files. Empty folders of their own.
  for d in "$prefix"/drive_c/users/*/{Desktop,Documents,Downloads,Music,Pictures,Videos,Templates}; do
    if [ -L "$d" ]; then rm -f "$d" && mkdir -p "$d"; fi
  done
  local reg="$root/cmake/wine-run reg add"
  $reg 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
  $reg 'HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
  for v in "WinLeft 0" "WinTop 0" "WinWidth $width" "WinHeight $height"; do
    set -- $v
    $reg 'HKCU\Software\Rudavu\Ruzer' /v "$1" /t REG_DWORD /d "$2" /f >/dev/null 2>&1
  done
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true

  local display
  display=$(free_display)
  Xvfb ":$display" -screen 0 "$((width + 40))x$((height + 40))x24" -nolisten tcp >/dev/null 2>&1 &
  local xvfb=$!
  pids+=("$xvfb")
  export DISPLAY=":$display"
  for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

  "$root/cmake/wine-run" "$build/ruzer.exe" "$index" >/dev/null 2>&1 &
  local app=$!
  pids+=("$app")
  # The window shows up with the sample's first page loaded.
  for _ in $(seq 60); do
    sleep 1
    xwininfo -root -tree 2>/dev/null | grep -q '"Ruzer  - ' && break
  done
  sleep 8
  import -window root "$work/raw.png"
  # Only the window: the screen around it is black.
  convert "$work/raw.png" -trim +repage "$out"
  echo "wrote $out"
  wineserver -k 2>/dev/null || true
  kill "$app" "$xvfb" 2>/dev/null || true
  wait "$app" 2>/dev/null || true
  unset WINEPREFIX DISPLAY
}

shoot 96 900 620 "$root/docs/screenshot.png"
shoot 192 1800 1240 "$root/docs/screenshot-200.png"
convert "$root/docs/screenshot.png" -resize 640x -strip "$root/help/html/images/start-1.png"
echo "wrote $root/help/html/images/start-1.png"
