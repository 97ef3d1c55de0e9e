#!/usr/bin/env bash
# Reads, from the Linux side, what Wine does not report for another process:
# the resident private memory and the processor time of the programs
# bench_app keeps idle side by side, and judges each against its floor
# (bench/README.md). Each program is found by its full path, so other Wine
# sessions on the machine do not count.
#   bench-idle.sh <Velotune.exe> <bare_popup.exe> <reading_floor.exe> <walk_floor.exe> <walks_floor.exe>
#   (Linux paths)
# Memory after 12 s; then 40 s with Velotune's window shown, against the
# walk floor; then, once bench_app has hidden the window (as to the tray)
# 75 s after it started them, a minute against the reading floor. The
# processor time is the scheduler's own count (nanoseconds). Both sides run
# in the same seconds, so the ratio over the whole period is judged; the
# 10 s slices (a reading more or less in each, for either side) show the
# spread.
set -u

pid_of() {  # <Linux path>: the Wine process started from that file
  local want p args
  want="Z:$(printf '%s' "$1" | tr / '\\')"
  for p in $(pgrep -f "$(basename "$1" | sed 's/\./\\./g')"); do
    mapfile -t args < <(tr '\0' '\n' <"/proc/$p/cmdline" 2>/dev/null)
    # Wine names the process by its program; under emulation the command
    # line is the emulator's own: qemu-i386, Wine's loader, the program.
    if [ "${args[0]:-}" = "$want" ] || { [[ "${args[0]:-}" = *qemu-i386 ]] && [ "${args[2]:-}" = "$want" ]; }; then
      echo "$p"
      return
    fi
  done
}
anon_kib() { awk '/^RssAnon:/ {print $2}' "/proc/$1/status" 2>/dev/null || echo 0; }
threads() { ls "/proc/$1/task" 2>/dev/null | wc -l; }
# "<thread id> <nanoseconds on a processor>" per thread, from the
# scheduler's own count: far finer than the 10 ms ticks of /proc/<pid>/stat.
run_ns() {
  local t
  for t in /proc/"$1"/task/*; do
    awk -v t="${t##*/}" '{ print t, $1 }' "$t/schedstat" 2>/dev/null
  done
}
# Nanoseconds the threads ran between two run_ns lists (files); a thread
# that began in between counts from zero, one that ended is not counted.
run_ns_between() {
  awk 'NR == FNR { was[$1] = $2; next } { d += $2 - ($1 in was ? was[$1] : 0) } END { printf "%d", d }' "$1" "$2"
}
count() { local n; n=$(grep -ac "$1" "$2" 2>/dev/null); echo "${n:-0}"; }
# Frames of all walks so far ("... walked to N in M frames").
frames() { sed -n 's/.*walked to [0-9-]* in \([0-9]*\) frames.*/\1/p' "$1" 2>/dev/null | awk '{ s += $1 } END { print s + 0 }'; }

app=$(pid_of "${1:?Velotune.exe}"); bare=$(pid_of "${2:?bare_popup.exe}")
rfloor=$(pid_of "${3:?reading_floor.exe}"); wfloor=$(pid_of "${4:?walk_floor.exe}")
ffloor=$(pid_of "${5:?walks_floor.exe}")
if [ -z "$app" ] || [ -z "$bare" ] || [ -z "$rfloor" ] || [ -z "$wfloor" ] || [ -z "$ffloor" ]; then
  echo "idle: programs not found"
  exit 1
fi
declare -A pid=([app]=$app [rf]=$rfloor [wf]=$wfloor [ff]=$ffloor)
declare -A log=([app]="$(dirname "$1")/log/Velotune.log" [rf]="$(dirname "$3")/log/ReadingFloor.log"
                [wf]="$(dirname "$4")/log/WalkFloor.log" [ff]="$(dirname "$5")/log/WalksFloor.log")
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# One sample of every program: its threads' run time, and its readings,
# walks and frames so far, as its log tells them. <phase> <index>
sample() {
  local p
  for p in app rf wf ff; do
    run_ns "${pid[$p]}" >"$tmp/$p.$1.$2.ns"
    echo "$(count 'CMainFrame::FrequencyChange' "${log[$p]}") $(count 'CSpeedPanleUI: walked to' "${log[$p]}") $(frames "${log[$p]}")" \
      >"$tmp/$p.$1.$2.n"
  done
}
# "<ns> <readings> <walks> <frames>" of program <p> in slice <k> (from
# sample k-1 to k) of <phase>; slice 0 is the whole phase, from 0 to <last>.
slice() {  # <p> <phase> <k> <last>
  local from=$(($3 - 1)) to=$3
  [ "$3" -eq 0 ] && from=0 to=$4
  echo "$(run_ns_between "$tmp/$1.$2.$from.ns" "$tmp/$1.$2.$to.ns")" \
       "$(paste -d' ' "$tmp/$1.$2.$from.n" "$tmp/$1.$2.$to.n" | awk '{ print $4 - $1, $5 - $2, $6 - $3 }')"
}
# One line per slice (the whole phase first): Velotune's and the three
# floors' "<ns> <readings> <walks> <frames>", side by side.
slices() {  # <phase> <last>
  local k
  for k in $(seq 0 "$2"); do
    echo "$(slice app "$1" "$k" "$2") $(slice rf "$1" "$k" "$2") $(slice wf "$1" "$k" "$2") $(slice ff "$1" "$k" "$2")"
  done
}

sleep 12
# Under Wine each thread holds some private memory of its own: the count
# explains part of the memory difference.
echo "threads after 12 s: Velotune $(threads "$app"), bare popup $(threads "$bare")"
am=$(anon_kib "$app"); bm=$(anon_kib "$bare")
awk -v a="$am" -v b="$bm" 'BEGIN { d = (a - b) / 1024
  printf "private memory after 12 s: Velotune %.1f MiB, bare popup %.1f MiB, difference %.1f MiB; ", a / 1024, b / 1024, d
  printf "target difference <= 3 MiB: %s\n", (d <= 3 ? "met" : "NOT met") }'

sample shown 0
for k in 1 2 3 4; do sleep 10; sample shown $k; done
# Shown: Velotune's readings and walks against the floor of as many: its
# readings at the reading floor's price, its walks' frames at the walks
# floor's (walks alone, no reading: a frame priced by itself). The walk
# floor, readings and walks in one program, is printed beside it a reading
# for a reading.
# The median of a[1..n], sorted in place (mawk has no sort of its own).
median_awk='function median(a, n,   i, j, t) {
  for (i = 2; i <= n; i++) { t = a[i]; for (j = i - 1; j >= 1 && a[j] > t; j--) a[j + 1] = a[j]; a[j + 1] = t }
  return n % 2 ? a[(n + 1) / 2] : (a[n / 2] + a[n / 2 + 1]) / 2 }'
slices shown 4 | awk "$median_awk"'
  NR == 1 { v = $1; vn = $2; vw = $3; vf = $4; r = $5; rn = $6; w = $9; wn = $10; ww = $11; wf = $12
            f = $13; fw = $15; ff = $16
            reading = rn > 0 ? r / rn : 0
            frame = ff > 0 ? f / ff : 0
            floor = reading * vn + frame * vf
            next }
  $2 > 0 && $6 > 0 && $16 > 0 { g = $5 / $6 * $2 + $13 / $16 * $4; if (g > 0) ratio[++n] = $1 / g }
  END {
    printf "processor time over 40 s, window shown: Velotune %.3f %% of a core, %d readings, %d walks of %d frames in all\n",
           v / 4e8, vn, vw, vf
    printf "  floor for as many: %.3f %% of a core (a reading %.0f us: the reading floor %.3f %% for %d readings; ",
           floor / 4e8, reading / 1e3, r / 4e8, rn
    printf "a frame of a walk %.0f us: the walks floor %.3f %% for %d walks of %.1f frames)\n",
           frame / 1e3, f / 4e8, fw, (fw > 0 ? ff / fw : 0)
    printf "  the walk floor itself: %.3f %% for %d readings and %d walks of %.1f frames\n",
           w / 4e8, wn, ww, (ww > 0 ? wf / ww : 0)
    m = median(ratio, n); whole = floor > 0 ? v / floor : 0
    printf "  per 10 s slice, median (min-max): %.2f (%.2f-%.2f); ratio over the 40 s %.2f; ", m, ratio[1], ratio[n], whole
    verdict = vf == 0 ? "not judged, Velotune made no walk" : floor <= 0 ? "not judged, no floor" : \
              whole <= 1.25 ? "met" : "NOT met"
    printf "target <= 1.25 x the walk floor: %s\n", verdict }'

# Hidden: bench_app hides the window 75 s after the start, 23 s from now.
sleep 26
sample hidden 0
for k in 1 2 3 4 5 6; do sleep 10; sample hidden $k; done
echo "threads with the window hidden: Velotune $(threads "$app")"
# Hidden: what Velotune's readings cost against the reading floor's, a
# reading for a reading.
slices hidden 6 | awk -v m="$(anon_kib "$app")" "$median_awk"'
  NR == 1 { v = $1; vn = $2; vw = $3; r = $5; rn = $6; next }
  $2 > 0 && $6 > 0 && $5 > 0 { ratio[++n] = ($1 / $2) / ($5 / $6) }
  END {
    printf "processor time with the window hidden, over a minute: Velotune %.3f %% of a core, %d readings, %.0f us a reading; ",
           v / 6e8, vn, (vn > 0 ? v / vn / 1e3 : 0)
    printf "reading floor %.3f %%, %d readings, %.0f us a reading\n", r / 6e8, rn, (rn > 0 ? r / rn / 1e3 : 0)
    med = median(ratio, n); whole = vn > 0 && r > 0 && rn > 0 ? (v / vn) / (r / rn) : 0
    printf "  per 10 s slice, median (min-max): %.2f (%.2f-%.2f); ratio a reading over the minute %.2f; ",
           med, ratio[1], ratio[n], whole
    printf "target <= 1.25 x the reading floor: %s\n", (whole > 0 && whole <= 1.25 ? "met" : "NOT met")
    printf "  private memory hidden: Velotune %.1f MiB\n", m / 1024 }'
