#!/bin/bash
# Draws the pictures of the help topics that are not screenshots (ImageMagick):
# help/html/images/generations.png, the generation folders over four days.
# The screenshots of the getting-started topic come from scripts/screenshot.sh.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out="$root/help/html/images/generations.png"
font=$(fc-match -f '%{file}' "Noto Sans CJK JP")
bold=$(fc-match -f '%{file}' "Noto Sans CJK JP:bold")

W=790 H=330 colw=188 x0=16
args=(-size ${W}x${H} xc:white -font "$font" -pointsize 13)
days=("12月1日(月) 1回目" "12月2日(火)" "12月3日(水)" "12月4日(木) 保存日数2日")
# Generations in the destination after each day's run, newest first:
# name|kind (new = full mirror, old = older versions only, gone = deleted)
cols=("261201A|new"
      "261202A|new 261201A|old"
      "261203A|new 261202A|old 261201A|old"
      "261204A|new 261203A|old 261202A|old 261201A|gone")
for i in 0 1 2 3; do
  x=$((x0 + i * (colw + 6)))
  args+=(-fill '#1f3f66' -font "$bold" -draw "text $x,24 '${days[$i]}'" -font "$font")
  args+=(-fill none -stroke '#a0a0a0' -draw "rectangle $x,34 $((x + colw)),$((H - 52))" -stroke none)
  args+=(-fill '#404040' -draw "text $((x + 8)),54 'バックアップ先'")
  y=66
  for entry in ${cols[$i]}; do
    name=${entry%%|*} kind=${entry##*|}
    case $kind in
      new) fill='#cfe3ff' label='最新: 全ファイル' ;;
      old) fill='#fff1c9' label='古い版だけ' ;;
      gone) fill='#eeeeee' label='期限切れで削除' ;;
    esac
    args+=(-fill "$fill" -stroke '#7a7a7a' -draw "roundrectangle $((x + 8)),$y $((x + colw - 8)),$((y + 46)) 5,5" -stroke none)
    # A folder tab.
    args+=(-fill '#e8b84a' -draw "rectangle $((x + 16)),$((y + 8)) $((x + 40)),$((y + 26))")
    args+=(-fill '#f5cd62' -draw "rectangle $((x + 16)),$((y + 12)) $((x + 40)),$((y + 26))")
    args+=(-fill black -font "$bold" -draw "text $((x + 48)),$((y + 22)) '$name'" -font "$font")
    args+=(-fill '#404040' -draw "text $((x + 48)),$((y + 40)) '$label'")
    if [ "$kind" = gone ]; then
      args+=(-stroke '#d02020' -strokewidth 3 -draw "line $((x + 12)),$((y + 4)) $((x + colw - 12)),$((y + 42))"
             -draw "line $((x + colw - 12)),$((y + 4)) $((x + 12)),$((y + 42))" -stroke none -strokewidth 1)
    fi
    y=$((y + 56))
  done
done
args+=(-fill '#404040' -draw "text 16,$((H - 30)) '毎回、最新の世代フォルダがすべてのファイルの写しになり、変わった・消えたファイルの古い版は一つ前の世代へ移ります。'")
args+=(-draw "text 16,$((H - 12)) '保存日数より古い世代フォルダは、次のバックアップのときに削除されます。'")
convert "${args[@]}" -strip "$out"
echo "$out"
