#!/bin/bash
# Takes the pictures of the README and of the help's getting-started topic,
# run by hand (not part of ./test). Builds Ruzer, makes a fresh Wine prefix
# of its own in which nothing leads into the host (no Z: drive, no desktop or
# user folders linked into the home folder, no "/" on the desktop), puts a
# sample on drive D: ("データ") with a backup drive E: ("バックアップ") and the
# file set where a new user's Ruzer keeps it, and starts the program under
# Xvfb as a user would: without arguments, from C:\Program Files\Ruzer.
# Then it opens each main dialog with the keys a user presses, saves it and
# closes it again, and backs the sample up three times (files changed and
# generations renamed to earlier days in between) so that the restore
# dialogs have something to show.
#
#   docs/screenshot.png         main window, idle, before the first backup
#   docs/screenshot-200.png     the same at 200 % scaling (after the backups)
#   docs/conditions.png         バックアップ条件設定 (Ctrl+E)
#   docs/folder.png             フォルダ設定 (Enter on a source row)
#   docs/wizard.png             簡単初期設定 (編集 menu)
#   docs/memo.png               メモ (Ctrl+B)
#   docs/backup-done.png        main window after a backup
#   docs/capacity.png           容量測定 with its figures (Ctrl+C, 開始)
#   docs/restore-search.png     復元ファイルの検索 (Ctrl+V)
#   docs/restore-grid.png       復元ファイルの検索結果
#   docs/backup-running.png     main window while a backup copies: its bar
#   docs/find.png               ファイルを探す with the versions of a file
#   help/html/images/start-1..5.png   the five steps of help/html/start.htm
#
# RUZER_BUILD_DIR picks another configured build folder; RUZER_SHOT_KEEP=1
# keeps the work folder (prefix, sample, raw pictures) for a look.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="${RUZER_BUILD_DIR:-$root/build}"
if [ "$build" = "$root/build" ]; then
  RUZER_BUILD_TARGET=ruzer "$root/scripts/setup.sh"
else
  cmake --build "$build" -j2 --target ruzer >/dev/null
fi
for tool in xdotool xwininfo import convert Xvfb; do
  command -v "$tool" >/dev/null || { echo "screenshot: needs $tool (scripts/setup.sh installs it)" >&2; exit 1; }
done
docs="$root/docs" images="$root/help/html/images"
mkdir -p "$docs" "$images"

work=$(mktemp -d /tmp/ruzer-shot.XXXXXX)
xvfb="" mounted=""
export WINEPREFIX="$work/prefix" WINEDEBUG=-all LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
# Wine names the profile folder after the user and links the user folders
# into HOME: a neutral user and an empty home of the script's own.
export USER=user LOGNAME=user HOME="$work/home"
mkdir -p "$HOME"
cleanup() {
  wineserver -k >/dev/null 2>&1 || true
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null || true
  [ -n "$mounted" ] && [ "${RUZER_SHOT_KEEP:-}" != 1 ] && umount "$mounted" 2>/dev/null || true
  if [ "${RUZER_SHOT_KEEP:-}" = 1 ]; then echo "kept $work"; else rm -rf "$work"; fi
}
trap cleanup EXIT
cd "$work"

log() { echo "screenshot: $*"; }
fail() { echo "screenshot: $*" >&2; exit 1; }

# ---- the prefix
log "making a Wine prefix"
wineboot -i >/dev/null 2>&1 || true
wineserver -w
prefix="$WINEPREFIX"
profile="$prefix/drive_c/users/$USER"
[ -d "$profile" ] || fail "no profile folder $profile"
# Every link below the users' folders (Desktop, Documents, Templates, ...)
# becomes an empty folder of its own.
find "$prefix/drive_c/users" -type l | while read -r link; do
  rm -f "$link" && mkdir -p "$link"
done
rm -f "$prefix/dosdevices/z:"
mkdir -p "$work/drive-d" "$work/drive-e"
# A small backup drive where root may mount one: the capacity graph then
# shows its parts in proportion.
if [ "$(id -u)" = 0 ] && mount -t tmpfs -o size=48m ruzer-shot "$work/drive-e" 2>/dev/null; then
  mounted="$work/drive-e"
fi
printf 'データ\n' > "$work/drive-d/.windows-label"
printf 'バックアップ\n' > "$work/drive-e/.windows-label"
printf 'Windows\n' > "$prefix/drive_c/.windows-label"
ln -s "$work/drive-d" "$prefix/dosdevices/d:"
ln -s "$work/drive-e" "$prefix/dosdevices/e:"
program="$prefix/drive_c/Program Files/Ruzer"
mkdir -p "$program"
cp "$build/ruzer.exe" "$program/"
[ -f "$build/ruzer.chm" ] && cp "$build/ruzer.chm" "$program/"

reg() { wine reg "$@" >/dev/null 2>&1; }
reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f
# The desktop's "/" folder shows the host's root.
reg delete 'HKLM\Software\Microsoft\Windows\CurrentVersion\Explorer\Desktop\NameSpace\{9D20AAE8-0625-44B0-9CA7-71889C2254D9}' /f || true
reg add 'HKLM\Software\Wine\Drives' /v 'd:' /d hd /f
reg add 'HKLM\Software\Wine\Drives' /v 'e:' /d hd /f
wineserver -w

# Any link still leading out of the prefix, other than the two sample drives
# and Wine's own files, would show the host in the pictures.
leaks=$(find "$prefix" -type l -printf '%p -> %l\n' | grep -v -e "^$prefix/dosdevices/[de]: -> $work/drive-[de]\$" \
        -e "^$prefix/dosdevices/c: -> ../drive_c\$" -e ' -> /usr/' -e ' -> /dev/' -e ' -> \.\./' -e "^$prefix/dosdevices/[a-z]::" || true)
[ -z "$leaks" ] || fail "links out of the prefix: $leaks"

# ---- the sample: sources on D:, file set in the profile, destinations on E:
fileset="$profile/AppData/Local/Ruzer"
mkdir -p "$fileset"
python3 - "$work/drive-d" "$work/drive-e" "$fileset" <<'EOF'
import os, sys, time
drive, backup, fileset = sys.argv[1:]
day = 86400
now = time.time()
def write(path, lines):
    with open(path, 'wb') as f:
        f.write(b'\xff\xfe' + ''.join(l + '\r\n' for l in lines).encode('utf-16-le'))
def make(path, size, days_ago, seed=0):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, 'wb') as f:
        f.write(bytes((i * 131 + seed) & 0xFF for i in range(size)))
    t = now - days_ago * day - 3600 * (1 + seed % 9)
    os.utime(path, (t, t))
files = {
    'ホーム/文書': [('家計簿2026.xlsx', 48000), ('年賀状リスト.docx', 23000), ('旅行の計画.txt', 1800),
                  ('町内会のお知らせ.pdf', 210000), ('古い書類/2019年の控え.pdf', 90000)],
    'ホーム/ピクチャ': [('運動会.jpg', 820000), ('誕生日.jpg', 640000), ('紅葉.jpg', 710000)],
    'ホーム/音楽': [('ピアノ発表会.mp3', 2400000)],
    '写真/2025年': [('IMG_0412.jpg', 900000), ('IMG_0413.jpg', 880000), ('IMG_0520.jpg', 760000)],
    '写真/2026年': [('IMG_1001.jpg', 950000), ('IMG_1002.jpg', 910000)],
    '仕事/見積書': [('見積書_山田様.xlsx', 36000), ('見積書_鈴木様.xlsx', 34000)],
    '仕事/議事録': [('定例会議_11月.docx', 28000), ('定例会議_12月.docx', 29000)],
}
n = 0
for folder, entries in files.items():
    for name, size in entries:
        n += 1
        make(os.path.join(drive, folder, name), size, 12 + n % 7, n)
# A burst of pictures: enough files that a backup runs for a few seconds.
for i in range(3000):
    make(os.path.join(drive, '写真', '2026年', '連写', 'DSC%05d.jpg' % i), 2000 + i % 97, 20, i)
# page: (destination, flags, rows: (folder, comment, save, exclude, excluded folders))
pages = [('ホーム', '1001', [('ホーム\\文書', '家族の書類', '*.*', '*.tmp', '古い書類'),
                            ('ホーム\\ピクチャ', '', '*.jpg:*.png', '', ''),
                            ('ホーム\\音楽', '', '*.*', '', '')]),
         ('写真', '1101', [('写真', 'デジカメ', '*.jpg', '', '')]),
         ('仕事', '1101', [('仕事\\見積書', '', '*.*', '*.tmp:~$*', ''),
                          ('仕事\\議事録', '', '*.*', '*.tmp:~$*', '')])]
idx = ['[Ruzer]', 'Vers=6.00', 'Count=%d' % len(pages), 'Sleep=1000', 'Widir=210', '', '[Index]']
for n, (page, flags, rows) in enumerate(pages, 1):
    target = 'E:\\' + page
    os.makedirs(os.path.join(backup, page))
    idx += ['Fname%d=%s' % (n, page), 'Dpath%d=%s' % (n, target), 'Volum%d=' % n, 'LstDy%d=' % n]
    lines = ['[Ruzer]', 'Vers=6.00', 'Path=' + target, 'Labl=', 'Bday=30', 'Flgs=' + flags,
             'Cont=%d' % len(rows), 'Yfil=*.*', 'Zfil=*.tmp']
    for r, (folder, comment, save, exclude, excluded) in enumerate(rows, 1):
        lines += ['', '[Folder%05d]' % r, 'Sorc=D:\\' + folder, 'Efol=' + comment,
                  'Wfil=' + save, 'Xfil=' + exclude]
        if excluded:
            lines.append('U000=' + excluded)
        lines.append('Mark=o')
    write(os.path.join(fileset, page + '.PAG'), lines)
idx.append('')
write(os.path.join(fileset, 'RUZER.IDX'), idx)
EOF

# Files changed between the backups: a new version, a new file, a deleted one.
touch_ago() { touch -d "@$(( $(date +%s) - $1 * 86400 - 5400 ))" "$2"; }
change() {  # change FILE DAYS-AGO TEXT
  printf '%s\n' "$3" >> "$1"
  touch_ago "$2" "$1"
}

# ---- X and the program
start_x() {  # start_x WIDTH HEIGHT
  local n
  for n in $(seq 150 199); do
    [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ] || break
  done
  Xvfb ":$n" -screen 0 "$1x$2x24" -nolisten tcp >/dev/null 2>&1 &
  xvfb=$!
  export DISPLAY=":$n"
  for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && return 0; sleep 0.1; done
  fail "Xvfb did not start"
}
stop_x() {
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w >/dev/null 2>&1 || true
  kill "$xvfb" 2>/dev/null || true
  wait "$xvfb" 2>/dev/null || true
  xvfb=""
}

# wait_window NAME-PATTERN [SECONDS]: the id of the visible window with that
# caption, once it is there.
wait_window() {
  local id
  for _ in $(seq $((${2:-30} * 4))); do
    id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1 || true)
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.25
  done
  fail "no window \"$1\""
}
wait_gone() {
  for _ in $(seq $((${2:-30} * 4))); do
    xdotool search --onlyvisible --name "$1" >/dev/null 2>&1 || return 0
    sleep 0.25
  done
  fail "window \"$1\" did not close"
}
keys() { xdotool key --delay 120 "$@"; sleep 0.5; }
# type_text TEXT: typed into the focused control, Japanese included.
type_text() { xdotool type --delay 60 "$1"; sleep 0.5; }

# snap ID FILE [WIDTH]: the window as it is on screen, small.
snap() {
  sleep "${SNAP_WAIT:-1.5}"
  import -window "$1" "$work/raw.png"
  local resize=()
  [ -n "${3:-}" ] && resize=(-resize "$3x>")
  convert "$work/raw.png" "${resize[@]}" -strip -define png:compression-level=9 "$2"
  log "wrote ${2#$root/}"
}

# help_picture FILE N: the picture as step N of the getting-started topic,
# at most 720 pixels wide, in 256 colours.
help_picture() {
  convert "$1" -resize '720x>' -strip +dither -colors 256 "PNG8:$images/start-$2.png"
  log "wrote ${images#$root/}/start-$2.png"
}

start_ruzer() {  # start_ruzer DPI WIDTH HEIGHT
  reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f
  reg add 'HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts' /v LogPixels /t REG_DWORD /d "$1" /f
  local v
  for v in "WinLeft 0" "WinTop 0" "WinWidth $2" "WinHeight $3"; do
    set -- $v
    reg add 'HKCU\Software\Rudavu\Ruzer' /v "$1" /t REG_DWORD /d "$2" /f
  done
  wineserver -w
  (cd "$prefix/drive_c" && exec wine 'C:\Program Files\Ruzer\ruzer.exe' >/dev/null 2>&1) &
  main=$(wait_window '^Ruzer  - ' 90)
  # The folder tree and the first page are read once the window is idle.
  sleep 8
  xdotool windowfocus "$main" 2>/dev/null || true
  sleep 1
}

# backup MEMO: Ctrl+B, the memo, Enter; back when every page has its new
# memo file and the destination lock is gone.
backup() {
  local mark="$work/mark.$RANDOM" pages
  touch "$mark"
  sleep 1
  keys ctrl+b
  local memo
  memo=$(wait_window '^メモ$')
  type_text "$1"
  [ -n "${2:-}" ] && snap "$memo" "$2"
  keys Return
  if [ -n "${3:-}" ]; then  # the main window while the run copies
    sleep 1.5
    snap "$main" "$3"
  fi
  pages=$(ls "$fileset"/*.PAG | wc -l)
  for _ in $(seq 240); do
    sleep 0.5
    [ "$(find "$work/drive-e" -name MEMO.TXT -newer "$mark" | wc -l)" -ge "$pages" ] || continue
    find "$work/drive-e" -name '~ruzer.lock' | grep -q . && continue
    sleep 2
    return 0
  done
  fail "the backup did not end"
}

today=$(date +%y%m%d)
ago() { date -d "@$(( $(date +%s) - $1 * 86400 ))" +%y%m%d; }
# Moves today's generation of every page back to an earlier day, as if that
# backup had been made then.
age_generations() {
  local page
  for page in "$work/drive-e"/*/; do
    mv "$page${today}A" "$page$(ago "$1")A"
  done
}

# ---- at 100 %: the idle window and every main dialog
start_x 940 700
start_ruzer 96 900 640
# The drives in the tree: a click on the plus sign of マイ コンピューター.
xdotool mousemove 34 111 click 1 mousemove 600 660
sleep 2
snap "$main" "$docs/screenshot.png"
help_picture "$docs/screenshot.png" 1

keys ctrl+e
id=$(wait_window '^バックアップ条件設定')
snap "$id" "$docs/conditions.png"
help_picture "$docs/conditions.png" 2
keys Escape
wait_gone '^バックアップ条件設定'

# A click selects the row D:\ホーム\文書 (the third), Enter opens it.
xdotool mousemove 300 210 click 1 mousemove 600 660
keys Return
id=$(wait_window '^フォルダ設定$')
snap "$id" "$docs/folder.png"
keys Escape
wait_gone '^フォルダ設定$'

keys alt+e w
id=$(wait_window '^簡単初期設定$')
snap "$id" "$docs/wizard.png"
help_picture "$docs/wizard.png" 3
keys Escape
wait_gone '^簡単初期設定$'

# Three backups: files changed and generations moved back in between.
backup '初回のバックアップ' "$docs/memo.png"
help_picture "$docs/memo.png" 4
snap "$main" "$docs/backup-done.png"
help_picture "$docs/backup-done.png" 5
age_generations 9
d="$work/drive-d"
change "$d/ホーム/文書/家計簿2026.xlsx" 6 '11月分'
change "$d/ホーム/文書/年賀状リスト.docx" 5 '追加: 3件'
printf '候補: 京都、金沢\n' > "$d/ホーム/文書/旅行の計画.txt"; touch_ago 7 "$d/ホーム/文書/旅行の計画.txt"
change "$d/写真/2026年/IMG_1002.jpg" 6 'edited'
backup '年賀状の準備'
age_generations 4
change "$d/ホーム/文書/家計簿2026.xlsx" 1 '12月分'
printf '京都に決定。宿は予約済み\n' > "$d/ホーム/文書/旅行の計画.txt"; touch_ago 0 "$d/ホーム/文書/旅行の計画.txt"
rm "$d/ホーム/文書/町内会のお知らせ.pdf"
printf '集合 8:30\n' > "$d/ホーム/文書/運動会のしおり.txt"; touch_ago 2 "$d/ホーム/文書/運動会のしおり.txt"
# The burst edited: the third run copies it again, toward the second run's count.
find "$d/写真/2026年/連写" -type f -exec touch -d "@$(( $(date +%s) - 7200 ))" {} +
backup '旅行の前に' '' "$docs/backup-running.png"

# The first tab again, measured: Ctrl+C, then 開始 (the default button).
xdotool mousemove 247 88 click 1 mousemove 600 660
sleep 2
keys ctrl+c
id=$(wait_window '^容量測定$')
keys Return
sleep 6
snap "$id" "$docs/capacity.png"
keys Escape
wait_gone '^容量測定$'

keys ctrl+v
id=$(wait_window '^復元ファイルの検索$')
keys alt+f
type_text 'D:\ホーム\文書'
snap "$id" "$docs/restore-search.png"
keys Return
id=$(wait_window '^復元ファイルの検索結果$')
sleep 3
# Times as well as dates, and the dialog dragged wider by its corner so
# that every generation column fits.
keys alt+t
eval "$(xdotool getwindowgeometry --shell "$id")"
xdotool mousemove $((X + WIDTH - 3)) $((Y + HEIGHT - 3)) mousedown 1 \
        mousemove $((X + WIDTH + 40)) $((Y + HEIGHT + 10)) mousemove $((X + WIDTH + 107)) $((Y + HEIGHT + 20)) \
        mouseup 1 mousemove 5 690
sleep 1
snap "$id" "$docs/restore-grid.png"
keys Escape
wait_gone '^復元ファイルの検索結果$'
keys Escape
wait_gone '^復元ファイルの検索$'

# A lost file found by part of its name: Ctrl+F, the name, 検索 (the default).
keys ctrl+f
id=$(wait_window '^ファイルを探す$')
type_text '年賀状'
keys Return
sleep 4
snap "$id" "$docs/find.png"
keys Escape
wait_gone '^ファイルを探す$'
stop_x

# ---- at 200 %: the main window after the backups
start_x 1840 1320
start_ruzer 192 1800 1280
snap "$main" "$docs/screenshot-200.png"
stop_x
log "done: look at every picture before committing it"
