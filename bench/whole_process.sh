#!/bin/bash
# Whole-process benchmark: ruzer.exe /A with its real window (under Xvfb) and
# the peers a user has in the same Wine prefix, run side by side, interleaved,
# each a whole process started by bench_whole_driver.exe inside Wine.
#   bench/whole_process.sh [build folder]      (RUZER_WHOLE_REPS=n, default 3)
# Builds its trees once under <build>/bench-whole (about 1.1 GB) and prints a
# table of medians with ratios. Needs ruzer.exe and bench_whole_driver.exe built.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
case $build in /*) ;; *) build=$root/$build ;; esac
reps=${RUZER_WHOLE_REPS:-3}
work=$build/bench-whole
wrun="$root/cmake/wine-run"
driver=${RUZER_WHOLE_DRIVER:-$build/bench/bench_whole_driver.exe}
ruzer=${RUZER_EXE:-$build/ruzer.exe}   # RUZER_EXE: another build to compare
# RUZER_WHOLE_BASELINE: an older ruzer.exe whose first backup of the 1 MiB
# files runs beside this one's (the copies without digests, say).
baseline=${RUZER_WHOLE_BASELINE:-}
win() { echo "Z:${1//\//\\}"; }
# The trees sit on a drive letter of their own, as a user's data and backup
# disks do: under the build folder every path would carry its long path,
# and the mirror (generation, then the source's whole path) twice that.
drive=${RUZER_WHOLE_DRIVE:-R}
bw() { local rel=${1#"$work"}; echo "$drive:${rel//\//\\}"; }

# ---- trees and file sets (once)
if [ ! -f "$work/.made-$drive" ]; then
  rm -rf "$work"
  python3 - "$work" "$drive:" <<'EOF'
import os, sys
work, wwork = sys.argv[1], sys.argv[2]
T = 1262304000  # 2010-01-01: fixed times, so reruns compare equal
def tree(root, folders, files, size):
    for f in range(folders):
        d = os.path.join(root, "g%03d" % (f // 25), "f%02d" % (f % 25))
        os.makedirs(d, exist_ok=True)
        for i in range(files):
            p = os.path.join(d, "file%04d.dat" % i)
            n = size(f, i)
            with open(p, "wb") as fh:
                fh.write(bytes([97 + (f + i) % 26]) * n if n < 64 else os.urandom(n))
            os.utime(p, (T, T))
def utf16(path, lines):
    with open(path, "wb") as fh:
        fh.write(b"\xff\xfe" + "".join(l + "\r\n" for l in lines).encode("utf-16-le"))
def fileset(name, pages):
    d = os.path.join(work, "set-" + name.lower()); os.makedirs(d, exist_ok=True)
    idx = ["[Ruzer]", "Vers=6.00", "Count=%d" % len(pages), "Sleep=0", "Widir=180", "", "[Index]"]
    for k, (pname, dest, rows) in enumerate(pages, 1):
        idx += ["Fname%d=%s" % (k, pname), "Dpath%d=%s" % (k, dest), "Volum%d=" % k, "LstDy%d=" % k]
        page = ["[Ruzer]", "Vers=6.00", "Path=" + dest, "Labl=", "Bday=15", "Flgs=1001",
                "Cont=%d" % len(rows), "Yfil=*.*", "Zfil="]
        for r, src in enumerate(rows, 1):
            page += ["", "[Folder%05d]" % r, "Sorc=" + src, "Efol=", "Wfil=*.*", "Xfil=", "Mark=o"]
        utf16(os.path.join(d, pname + ".PAG"), page)
    utf16(os.path.join(d, name + ".IDX"), idx + [""])
w = lambda *p: wwork + "\\" + "\\".join(p)
tree(os.path.join(work, "small", "src"), 1000, 20, lambda f, i: (f * 20 + i) % 26)
tree(os.path.join(work, "big", "src"), 40, 25, lambda f, i: 1 << 20)
os.makedirs(os.path.join(work, "empty", "src"), exist_ok=True)
fileset("SMALL", [("small", w("small", "ruzer"), [w("small", "src")])])
fileset("BIG", [("big", w("big", "ruzer"), [w("big", "src")])])
fileset("EMPTY", [("empty", w("empty", "ruzer"), [])])
# 50 pages as the page-load benchmark has them: 5,000 rows on the first.
fileset("FIFTY", [("page%d" % p, w("fifty", "p%d" % p),
                   [w("fifty", "src", "folder%05d" % r) for r in range(1, (5000 if p == 1 else 20) + 1)])
                  for p in range(1, 51)])
EOF
  touch "$work/.made-$drive"
fi

source "$root/scripts/xvfb.sh"
export WINEPREFIX="${WINEPREFIX:-$build/wineprefix}"
"$wrun" cmd /c exit >/dev/null 2>&1 || true   # prefix ready
wineserver -p 60 || true                      # one server for the whole run
dev="$WINEPREFIX/dosdevices/${drive,,}:"
if [ -e "$dev" ] && [ "$(readlink "$dev")" != "$work" ]; then
  echo "drive $drive: is taken in $WINEPREFIX; choose another with RUZER_WHOLE_DRIVE" >&2
  exit 1
fi
ln -sfn "$work" "$dev"

# Each run starts on a disk that has written out what the runs before it left.
run() { sync; "$wrun" "$driver" "$@" 2>/dev/null | tr -d '\r'; }
secs() { run time "$@" | tail -1 | awk '{print $1}'; }
# The destination exists, as after the set-up of a page; it is emptied.
clean() { rm -rf "$work/$1/ruzer" "$work/$1/xcopy"; mkdir -p "$work/$1/ruzer"; }
W=$(bw "$work")
ruzerA() { secs "$(win "$ruzer")" /A "$W\\set-$1\\$2.IDX"; }
xcopyD() { secs xcopy.exe /E /I /D "$W\\$1\\src" "$W\\$1\\xcopy\\" ; }

declare -A T
clean empty
add() { T[$1]="${T[$1]:-} $2"; echo "  $1 $2" >&2; }
for r in $(seq "$reps"); do
  echo "round $r of $reps" >&2
  # Each pair alternates which side runs first. The older program's first
  # backup of the 1 MiB files runs right beside this one's, each on an empty
  # destination, so that both meet the disk in the same state.
  bigBase() { clean big; add big_base "$(secs "$(win "$baseline")" /A "$W\\set-big\\BIG.IDX")"; }
  for pair in small big; do
    clean $pair
    up=$(echo $pair | tr a-z A-Z)
    if [ $((r % 2)) -eq 1 ]; then
      add ${pair}_ruzer "$(ruzerA $pair $up)"
      [ $pair = big ] && [ -n "$baseline" ] && bigBase
      add ${pair}_xcopy "$(xcopyD $pair)"
    else
      add ${pair}_xcopy "$(xcopyD $pair)"
      [ $pair = big ] && [ -n "$baseline" ] && bigBase && clean big
      add ${pair}_ruzer "$(ruzerA $pair $up)"
    fi
  done
  # Verify of the 1 MiB files just backed up (copies and their sources)
  # against a bare read of the same files, alternating which runs first.
  biggen=$(ls -d "$work"/big/ruzer/[0-9]*[A-Z] | tail -1)
  readBoth() { secs "$(win "$driver")" read "$W\\big\\src" "$(bw "$biggen")"; }
  verifyV() { secs "$(win "$ruzer")" /V "$W\\set-big\\BIG.IDX"; }
  if [ $((r % 2)) -eq 1 ]; then
    add verify "$(verifyV)"; add read "$(readBoth)"
  else
    add read "$(readBoth)"; add verify "$(verifyV)"
  fi
  # Unchanged: the small tree again, after its first backup above.
  gen=$(ls -d "$work"/small/ruzer/[0-9]*[A-Z] | tail -1)
  mirror=$gen/${drive}_small/src
  add walk "$(secs "$(win "$driver")" walk "$W\\small\\src" "$(bw "$mirror")")"
  add unch_ruzer "$(ruzerA small SMALL)"
  [ -n "$baseline" ] && add unch_base "$(secs "$(win "$baseline")" /A "$W\\set-small\\SMALL.IDX")"
  add unch_xcopy "$(xcopyD small)"
  add walk_empty "$(secs "$(win "$driver")" walk)"
  add empty_ruzer "$(ruzerA empty EMPTY)"
  add empty_xcopy "$(xcopyD empty)"
  add idle "$(run idle "$(win "$ruzer")" "$W\\set-fifty\\FIFTY.IDX")"
done
clean small; clean big; clean empty
rm -f "$dev"   # the tests find the prefix as they left it

median() { tr ' ' '\n' | grep -v '^$' | sort -g | awk '{a[NR]=$1} END {print (NR%2 ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2)}'; }
declare -A M
for k in "${!T[@]}"; do M[$k]=$(echo ${T[$k]} | median); done
f() { awk -v a="$1" 'BEGIN {printf "%.2f s", a}'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN {if (b > 0) printf "%.2f×", a / b; else print "—"}'; }
net() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.3f", (a - b > 0.001 ? a - b : 0.001)}'; }
sr=${M[empty_ruzer]}; sx=${M[empty_xcopy]}; sw=${M[walk_empty]}
echo
echo "Whole processes under $(wine --version 2>/dev/null), $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | xargs); medians of $reps interleaved rounds."
echo "Start and close: ruzer.exe /A on an empty page $(f "$sr"), xcopy of an empty folder $(f "$sx"), walk of nothing $(f "$sw")."
echo
echo "| work | Ruzer | peer in the same Wine | ratio | without start and close | target |"
echo "|---|---|---|---|---|---|"
echo "| first backup, 20,000 files of 0–25 bytes in 1,000 folders | $(f ${M[small_ruzer]}) | xcopy /E /I /D $(f ${M[small_xcopy]}) | $(ratio ${M[small_ruzer]} ${M[small_xcopy]}) | $(ratio "$(net ${M[small_ruzer]} $sr)" "$(net ${M[small_xcopy]} $sx)") | ≤ 1.3× |"
echo "| first backup, 1,000 files of 1 MiB | $(f ${M[big_ruzer]}) | xcopy /E /I /D $(f ${M[big_xcopy]}) | $(ratio ${M[big_ruzer]} ${M[big_xcopy]}) | $(ratio "$(net ${M[big_ruzer]} $sr)" "$(net ${M[big_xcopy]} $sx)") | ≤ 1.15× without start and close |"
echo "| unchanged run, the 20,000 files | $(f ${M[unch_ruzer]}) | bare FindFirstFileW walk of both trees $(f ${M[walk]}) | $(ratio ${M[unch_ruzer]} ${M[walk]}) | $(ratio "$(net ${M[unch_ruzer]} $sr)" "$(net ${M[walk]} $sw)") | ≤ 1.3× without start and close |"
echo "| unchanged run against xcopy /E /I /D | $(f ${M[unch_ruzer]}) | xcopy /E /I /D $(f ${M[unch_xcopy]}) | $(ratio ${M[unch_ruzer]} ${M[unch_xcopy]}) | $(ratio "$(net ${M[unch_ruzer]} $sr)" "$(net ${M[unch_xcopy]} $sx)") | ≤ 0.5× |"
echo "| verify of the 1,000 files of 1 MiB (the copies and their sources, 2 GiB) | $(f ${M[verify]}) | bare ReadFile loop over the same files $(f ${M[read]}) | $(ratio ${M[verify]} ${M[read]}) | $(ratio "$(net ${M[verify]} $sr)" "$(net ${M[read]} $sw)") | ≤ 1.25× (reads at ≥ 80 %) |"
if [ -n "$baseline" ]; then
  echo "| first backup, 1,000 files of 1 MiB, with digests against without (RUZER_WHOLE_BASELINE) | $(f ${M[big_ruzer]}) | the older ruzer.exe $(f ${M[big_base]}) | $(ratio ${M[big_ruzer]} ${M[big_base]}) | $(ratio "$(net ${M[big_ruzer]} $sr)" "$(net ${M[big_base]} $sr)") | ≤ 1.10× |"
  echo "| unchanged run, the 20,000 files, against the older ruzer.exe (RUZER_WHOLE_BASELINE) | $(f ${M[unch_ruzer]}) | the older ruzer.exe $(f ${M[unch_base]}) | $(ratio ${M[unch_ruzer]} ${M[unch_base]}) | $(ratio "$(net ${M[unch_ruzer]} $sr)" "$(net ${M[unch_base]} $sr)") | no more than before |"
fi
echo "| start to the idle window, 50-page file set (5,000 rows on the first page) | $(f ${M[idle]}) | — | — | — | ≤ 1.0 s |"
echo "| start and close of /A on an empty page | $(f $sr) | console program (xcopy, empty folder) $(f $sx) | $(ratio $sr $sx) | — | ≤ 1.0 s |"

# A slow round slows both sides, so each round's own ratio says more than the
# ratio of the medians; each side without its own start and close of that round.
nth() { echo ${T[$1]} | cut -d' ' -f"$2"; }
rounds() {  # ruzer key, peer key, the peer's start-and-close key
  local vals="" r
  for r in $(seq "$reps"); do
    vals+=" $(awk -v a="$(nth "$1" "$r")" -v sa="$(nth empty_ruzer "$r")" -v b="$(nth "$2" "$r")" -v sb="$(nth "$3" "$r")" \
      'BEGIN {x = a - sa; y = b - sb; if (x < 0.001) x = 0.001; if (y < 0.001) y = 0.001; printf "%.3f", x / y}')"
  done
  echo $vals | tr ' ' '\n' | sort -g |
    awk -v m="$(echo $vals | median)" '{a[NR] = $1} END {printf "%.2f–%.2f× (median %.2f×)", a[1], a[NR], m}'
}
echo
echo "Round by round, without start and close: first backup of the small files $(rounds small_ruzer small_xcopy empty_xcopy); of the 1 MiB files $(rounds big_ruzer big_xcopy empty_xcopy); unchanged run against the walk $(rounds unch_ruzer walk walk_empty); verify against the bare read $(rounds verify read walk_empty)."
if [ -n "$baseline" ]; then
  echo "Against the older ruzer.exe, round by round, without start and close: first backup of the 1 MiB files $(rounds big_ruzer big_base empty_ruzer); unchanged run $(rounds unch_ruzer unch_base empty_ruzer)."
fi
