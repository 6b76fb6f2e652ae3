#!/usr/bin/env bash
# Static files beside the executable, Quillara beside nginx and the minimal server serving the
# same files: MB/s for 1 MiB and 100 MiB files, Quillara's peak memory, and the root page.
# One line per figure: "name: quillara X, peer Y, ratio R".
#   bench/static_bench.sh [SECONDS_PER_RUN]
set -euo pipefail
secs=${1:-5}
bash "$(dirname "$0")/../scripts/install-deps.sh" wrk nginx
source "$(dirname "$0")/lib.sh"
web=$out/release/bin
head -c $((1 << 20)) /dev/urandom > "$run/docroot/f1m.png"
head -c $((100 << 20)) /dev/urandom > "$run/docroot/f100m.png"
cp "$run/docroot"/f*.png "$web/"
trap 'kill $(jobs -p) 2>/dev/null || true; sleep 1; kill -9 $(jobs -p) 2>/dev/null || true; rm -rf "$run" "$web"/f1m.png "$web"/f100m.png' EXIT
start_servers

before=$(hwm)
for item in f1m.png:1:200 f1m.png:8:50 f100m.png:1:4 f100m.png:4:2; do
  IFS=: read -r name c rounds <<<"$item"
  q=$(mbps "http://127.0.0.1:$qport/$name" $c $rounds)
  m=$(mbps "http://127.0.0.1:$mport/files/$name" $c $rounds)
  n=$(mbps "http://127.0.0.1:$nport/files/$name" $c $rounds)
  echo "static $name c=$c MB/s vs minserver: quillara $q, peer $m, ratio $(ratio $q $m)"
  echo "static $name c=$c MB/s vs nginx: quillara $q, peer $n, ratio $(ratio $q $n)"
done
after=$(hwm)
echo "static peak RSS growth KiB vs 64 MiB budget: quillara $((after - before)), peer 65536, ratio $(ratio $((after - before)) 65536)"
q=$(wrk -t2 -c32 -d"${secs}s" -H 'Connection: close' "http://127.0.0.1:$qport/" 2>/dev/null | awk '/Requests\/sec/ {print $2}')
m=$(wrk -t2 -c32 -d"${secs}s" -H 'Connection: close' "http://127.0.0.1:$mport/api" 2>/dev/null | awk '/Requests\/sec/ {print $2}')
echo "static root page c=32 req/s vs minserver tiny answer: quillara $q, peer $m, ratio $(ratio $q $m)"
