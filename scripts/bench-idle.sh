#!/usr/bin/env bash
# Reads, from the Linux side, the resident private memory and the processor
# time of the two programs bench_app keeps idle: after 10 s, then over 60 s.
set -u
pid_of() { pgrep -f "$1" | head -n 1; }
anon_kib() { awk '/^RssAnon:/ {print $2}' "/proc/$1/status" 2>/dev/null || echo 0; }
ticks() { awk '{print $14 + $15}' "/proc/$1/stat" 2>/dev/null || echo 0; }
sleep 10
app=$(pid_of 'Velotune\.exe'); bare=$(pid_of 'bare_popup\.exe')
if [ -z "$app" ] || [ -z "$bare" ]; then echo "idle: programs not found"; exit 1; fi
am=$(anon_kib "$app"); bm=$(anon_kib "$bare")
awk -v a="$am" -v b="$bm" 'BEGIN { printf "private memory after 10 s: Velotune %.1f MiB, bare popup %.1f MiB, difference %.1f MiB (target <= 10)\n", a/1024, b/1024, (a-b)/1024 }'
hz=$(getconf CLK_TCK)
a0=$(ticks "$app"); b0=$(ticks "$bare")
sleep 60
a1=$(ticks "$app"); b1=$(ticks "$bare")
awk -v a=$((a1 - a0)) -v b=$((b1 - b0)) -v hz="$hz" 'BEGIN { printf "CPU over one idle minute: Velotune %.2f%% of a core, bare popup %.2f%% (target < 1%%)\n", a/hz/60*100, b/hz/60*100 }'
