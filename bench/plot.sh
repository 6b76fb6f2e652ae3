#!/usr/bin/env bash
# Draws where Quillara stands beside its peers, as PNG images in docs/:
#   bench-rate.png    REST calls per second (EchoString without a session, one request per
#                     connection) against the number of concurrent clients, for Quillara, nginx's
#                     and the minimal thread-per-connection server's fixed tiny answer;
#   bench-ratios.png  the download and JSON ratios printed by the other benchmarks (1.0 = par;
#                     held memory as RapidJSON's over Quillara's, so higher is better throughout).
#   bench/plot.sh [SECONDS_PER_RUN]   measures, keeps the figures in build-bench/plot/, draws
#   bench/plot.sh --replot            draws again from the kept figures
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
docs=$here/../docs
data=$here/../build-bench/plot
mkdir -p "$data"
replot=false
if [ "${1:-}" = --replot ]; then replot=true; shift; fi
secs=${1:-3}
machine="$(nproc) cores, $(awk '/MemTotal/ {printf "%.0f GiB", $2 / 1048576}' /proc/meminfo), $(sed -n 's/^PRETTY_NAME="\(.*\)"/\1/p' /etc/os-release)"
bash "$here/../scripts/install-deps.sh" gnuplot-nox
if ! $replot; then
  bash "$here/../scripts/install-deps.sh" wrk nginx
  # Rate against concurrency, in a subshell so its servers stop before the other benchmarks run.
  (
    source "$here/lib.sh"
    start_servers
    rate() { wrk -t "$(( $2 < 2 ? 1 : 2 ))" -c "$2" -d "${secs}s" -H 'Connection: close' "$1" 2>/dev/null | awk '/Requests\/sec/ {print $2}'; }
    for c in 1 8 32 64 128; do
      echo "$c $(rate "http://127.0.0.1:$qport/dataserver/rest/TServerMethods1/EchoString/abc" $c)" \
           "$(rate "http://127.0.0.1:$nport/api" $c) $(rate "http://127.0.0.1:$mport/api" $c)"
    done > "$data/rate.dat"
  )

  # Ratios from the other benchmarks: downloads against the minimal server, JSON against RapidJSON.
  {
    FILES="f1m.bin:8:20 f100m.bin:1:2 f100m.bin:4:1 f2g.bin:1:1 f2g.bin:4:1" bash "$here/rest_bench.sh" "$secs"
    bash "$here/static_bench.sh" "$secs"
    # A single JSON round swings by a third on a shared machine; three interleaved cost a minute.
    ROUNDS=${ROUNDS:-3} bash "$here/json_bench.sh" 5
  } 2>/dev/null > "$data/all.txt"
fi
python3 - "$data/all.txt" > "$data/ratios.dat" <<'PY'
import re, sys
for line in open(sys.argv[1]):
    m = re.match(r"^(rest GetFile|static|json) (.*) vs (minserver|rapidjson): quillara (\S+), peer (\S+), ratio ([0-9.]+)$", line.strip())
    if not m or "RSS" in line:
        continue
    label = (m.group(1).replace("rest ", "") + " " + m.group(2)).replace(" MB/s", "").replace(".bin", "").replace(".png", "")
    ratio = float(m.group(6))
    if "memory" in label:
        label, ratio = "json memory held", float(m.group(5)) / float(m.group(4))
    print("\"%s\" %.3f" % (label, ratio))
PY

gnuplot <<PLOT
set terminal pngcairo size 900,500 font "DejaVu Sans,10"
set output "$docs/bench-rate.png"
set title "REST call rate, one request per connection ($machine)"
set xlabel "concurrent clients"
set ylabel "requests per second"
set logscale x 2
set xtics (1, 8, 32, 64, 128)
set key top left
set grid
plot "$data/rate.dat" using 1:2 with linespoints lw 2 title "Quillara (EchoString, new session)", \
     "" using 1:3 with linespoints lw 2 title "nginx (fixed tiny answer)", \
     "" using 1:4 with linespoints lw 2 title "minimal thread-per-connection server (fixed tiny answer)"
set output "$docs/bench-ratios.png"
unset logscale x
set terminal pngcairo size 1000,560 font "DejaVu Sans,10" noenhanced
set rmargin 10
set title "Quillara / peer: downloads vs the minimal server, JSON vs RapidJSON\n($machine)"
set xlabel ""
set ylabel "ratio, log scale (1.0 = par, higher is better)"
set logscale y
set yrange [0.1:20]
set style fill solid 0.6
set boxwidth 0.7
set xtics rotate by -40 font ",8"
set bmargin 9
set key off
plot "$data/ratios.dat" using 0:2:xtic(1) with boxes, 1 with lines dt 2 lc rgb "black"
PLOT
cat "$data/all.txt"
echo "plots: $docs/bench-rate.png $docs/bench-ratios.png"
