#!/usr/bin/env bash
# Static files beside the executable, Quillara beside nginx and the minimal server serving the
# same files: MB/s for 1 MiB, 100 MiB and 2 GiB files, Quillara's peak memory, and the root
# page against the peers' tiny answer. One line per figure: "name: quillara X, peer Y, ratio R".
#   bench/static_bench.sh [SECONDS_PER_RUN]
set -euo pipefail
secs=${1:-5}
bash "$(dirname "$0")/../scripts/install-deps.sh" wrk nginx
source "$(dirname "$0")/lib.sh"
web=$out/release/bin
head -c $((1 << 20)) /dev/urandom > "$run/docroot/f1m.png"
head -c $((100 << 20)) /dev/urandom > "$run/docroot/f100m.png"
truncate -s 2G "$run/docroot/f2g.png"
cp --sparse=always "$run/docroot"/f*.png "$web/"
cat "$web"/f*.png > /dev/null  # in the page cache before anyone is measured
trap 'kill $(jobs -p) 2>/dev/null || true; sleep 1; kill -9 $(jobs -p) 2>/dev/null || true; rm -rf "$run" "$web"/f1m.png "$web"/f100m.png "$web"/f2g.png' EXIT
start_servers

download() { mbps "$1" "$2" "$3"; }  # url conns rounds -> MB/s
before=$(hwm)
for item in ${FILES:-f1m.png:1:200 f1m.png:8:50 f100m.png:1:4 f100m.png:4:2 f2g.png:1:1 f2g.png:4:1}; do
  IFS=: read -r name c per <<<"$item"
  trio "static $name c=$c" download "http://127.0.0.1:$qport/$name" "http://127.0.0.1:$mport/files/$name" \
    "http://127.0.0.1:$nport/files/$name" $c $per
  echo "static $name c=$c MB/s vs minserver: quillara $Q, peer $M, ratio $(ratio $Q $M)"
  echo "static $name c=$c MB/s vs nginx: quillara $Q, peer $N, ratio $(ratio $Q $N)"
done
after=$(hwm)
echo "static peak RSS growth KiB vs 16 MiB: quillara $((after - before)), peer 16384, ratio $(ratio $((after - before)) 16384)"
for c in 32 64; do
  trio "static root page c=$c" wrk_run "http://127.0.0.1:$qport/" "http://127.0.0.1:$mport/api" "http://127.0.0.1:$nport/api" $c
  read -r qr q50 q99 <<<"$Q"; read -r mr m50 m99 <<<"$M"; read -r nr n50 n99 <<<"$N"
  echo "static root page c=$c req/s vs minserver tiny answer: quillara $qr, peer $mr, ratio $(ratio $qr $mr)"
  echo "static root page c=$c req/s vs nginx tiny answer: quillara $qr, peer $nr, ratio $(ratio $qr $nr)"
done
