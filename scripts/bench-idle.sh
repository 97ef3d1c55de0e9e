#!/usr/bin/env bash
# Reads, from the Linux side, what Wine does not report for another process:
# the resident private memory and the processor time of the two programs
# bench_app keeps idle side by side. Each is found by its full path, so
# other Wine sessions on the machine do not count.
#   bench-idle.sh <Velotune.exe> <bare_popup.exe>   (Linux paths)
# Memory after 12 s and at every 10 s of the 40 s shown that follow;
# processor time over those 40 s and per 10 s slice; then a minute
# again once bench_app has hidden Velotune's window (as to the tray), 75 s
# after it started the two.
set -u
hz=$(getconf CLK_TCK)

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
ticks() { awk '{print $14 + $15}' "/proc/$1/stat" 2>/dev/null || echo 0; }
# median (min-max) of the numbers on standard input, with a printf format
spread() {
  sort -g | awk -v f="$1" '{ v[NR] = $1 } END {
    if (NR == 0) { print "n/a"; exit }
    m = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
    printf f " (" f "-" f ")", m, v[1], v[NR] }'
}

threads() { ls "/proc/$1/task" 2>/dev/null | wc -l; }
# "<thread id> <nanoseconds on a processor>" per thread: the scheduler's own
# count, far finer than the 10 ms ticks of /proc/<pid>/stat.
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
readings() { grep -c 'CMainFrame::FrequencyChange' "$1" 2>/dev/null || echo 0; }
walks() { grep -c 'CSpeedPanleUI: walked to' "$1" 2>/dev/null || echo 0; }

app=$(pid_of "${1:?Velotune.exe}"); bare=$(pid_of "${2:?bare_popup.exe}")
log="$(dirname "$1")/log/Velotune.log"
ns0=$(mktemp); ns1=$(mktemp); shown0=$(mktemp); shown1=$(mktemp)
trap 'rm -f "$ns0" "$ns1" "$shown0" "$shown1"' EXIT
if [ -z "$app" ] || [ -z "$bare" ]; then echo "idle: programs not found"; exit 1; fi
sleep 12
# Under Wine each thread holds about 1 MiB of private memory, and so does
# the stack of the thread that ended last (Wine frees it when the next one
# ends): the count explains most of the memory difference.
echo "threads after 12 s: Velotune $(threads "$app"), bare popup $(threads "$bare")"
am0=$(anon_kib "$app"); bm0=$(anon_kib "$bare")
a0=$(ticks "$app"); b0=$(ticks "$bare")
run_ns "$app" >"$shown0"; sr0=$(readings "$log"); sw0=$(walks "$log")
amem=() bmem=() aslice=() bslice=()
ap=$a0 bp=$b0
for _ in 1 2 3 4; do
  sleep 10
  a=$(ticks "$app"); b=$(ticks "$bare")
  aslice+=("$(awk -v d=$((a - ap)) -v hz="$hz" 'BEGIN { print d / hz / 10 * 100 }')")
  bslice+=("$(awk -v d=$((b - bp)) -v hz="$hz" 'BEGIN { print d / hz / 10 * 100 }')")
  ap=$a bp=$b
  amem+=("$(anon_kib "$app")"); bmem+=("$(anon_kib "$bare")")
done
run_ns "$app" >"$shown1"; sr1=$(readings "$log"); sw1=$(walks "$log")

diff_mib=$(awk -v a="$am0" -v b="$bm0" 'BEGIN { printf "%.1f", (a - b) / 1024 }')
awk -v a="$am0" -v b="$bm0" -v d="$diff_mib" \
    -v ar="$(printf '%s\n' "${amem[@]}" | awk '{ print $1 / 1024 }' | spread '%.1f')" \
    -v br="$(printf '%s\n' "${bmem[@]}" | awk '{ print $1 / 1024 }' | spread '%.1f')" 'BEGIN {
  printf "private memory after 12 s: Velotune %.1f MiB, bare popup %.1f MiB, difference %.1f MiB, ratio %.2f; ", a / 1024, b / 1024, d, a / b
  printf "target difference <= 5 MiB: %s\n", (d <= 5 ? "met" : "NOT met")
  printf "  over the 40 s shown that follow, median (min-max): Velotune %s MiB, bare popup %s MiB\n", ar, br }'

at=$(awk -v d=$((ap - a0)) -v hz="$hz" 'BEGIN { printf "%.2f", d / hz / 40 * 100 }')
bt=$(awk -v d=$((bp - b0)) -v hz="$hz" 'BEGIN { printf "%.2f", d / hz / 40 * 100 }')
awk -v a="$at" -v b="$bt" \
    -v as="$(printf '%s\n' "${aslice[@]}" | spread '%.2f')" \
    -v bs="$(printf '%s\n' "${bslice[@]}" | spread '%.2f')" 'BEGIN {
  printf "processor time over 40 s, window shown: Velotune %.2f %% of a core, bare popup %.2f %%, ", a, b
  if (b > 0) printf "ratio %.1f; ", a / b; else printf "ratio n/a (the bare popup used none); "
  printf "target <= 0.2 %%: %s\n", (a <= 0.2 ? "met" : "NOT met")
  printf "  per 10 s slice, median (min-max): Velotune %s %%, bare popup %s %%\n", as, bs }'

# Hidden: bench_app hides the window 75 s after the start, 23 s from now.
sleep 26
a0=$(ticks "$app"); aslice=(); ap=$a0
run_ns "$app" >"$ns0"; r0=$(readings "$log")
for _ in 1 2 3 4 5 6; do
  sleep 10
  a=$(ticks "$app")
  aslice+=("$(awk -v d=$((a - ap)) -v hz="$hz" 'BEGIN { print d / hz / 10 * 100 }')")
  ap=$a
done
run_ns "$app" >"$ns1"; r1=$(readings "$log")
echo "threads with the window hidden: Velotune $(threads "$app")"
ht=$(awk -v d=$((ap - a0)) -v hz="$hz" 'BEGIN { printf "%.3f", d / hz / 60 * 100 }')
awk -v a="$ht" -v m="$(anon_kib "$app")" -v bm="$(anon_kib "$bare")" \
    -v as="$(printf '%s\n' "${aslice[@]}" | spread '%.2f')" 'BEGIN {
  printf "processor time with the window hidden, over a minute: Velotune %.3f %% of a core; ", a
  printf "target <= 0.05 %%: %s\n", (a <= 0.05 ? "met" : "NOT met")
  printf "  per 10 s slice, median (min-max): %s %%; private memory hidden: %.1f MiB (bare popup, shown, %.1f MiB)\n", as, m / 1024, bm / 1024 }'
# The same minute from the scheduler's nanosecond counters, and what each
# monitor reading cost (the readings are what a hidden window still does).
awk -v ns="$(run_ns_between "$ns0" "$ns1")" -v n=$((r1 - r0)) 'BEGIN {
  printf "  in nanoseconds (schedstat): Velotune %.3f %% of a core; %d readings, %.0f us of processor time a reading\n",
         ns / 1e9 / 60 * 100, n, (n > 0 ? ns / 1e3 / n : 0) }'
# What a walk of the needle costs: the shown 40 s less their readings at
# the hidden minute's price, shared among the walks of those 40 s.
awk -v sns="$(run_ns_between "$shown0" "$shown1")" -v sn=$((sr1 - sr0)) -v w=$((sw1 - sw0)) \
    -v ns="$(run_ns_between "$ns0" "$ns1")" -v n=$((r1 - r0)) 'BEGIN {
  per = (n > 0 ? ns / n : 0)
  printf "  the shown 40 s in nanoseconds: %.3f %% of a core; %d readings, %d walks of the needle", sns / 1e9 / 40 * 100, sn, w
  if (w > 0) printf ", %.0f us of processor time a walk beyond its reading", (sns - sn * per) / 1e3 / w
  printf "\n" }'
