#!/usr/bin/env bash
# REST calls through the whole stack beside nginx and the minimal thread-per-connection server:
# EchoString against their fixed tiny answer, GetFile of a 100 MiB and a 2 GiB file against
# their static file serving, with Quillara's peak memory. One line per figure:
#   "name: quillara X, peer Y, ratio R".
#   bench/rest_bench.sh [SECONDS_PER_RUN]
set -euo pipefail
secs=${1:-5}
bash "$(dirname "$0")/../scripts/install-deps.sh" wrk nginx curl
source "$(dirname "$0")/lib.sh"
docroot=$run/docroot
head -c $((100 << 20)) /dev/urandom > "$docroot/f100m.bin"
truncate -s 2G "$docroot/f2g.bin"
cat "$docroot"/*.bin > /dev/null  # in the page cache before anyone is measured
# Brontal's export folder is the same document folder, found through the registry hive.
cat > "$run/prefix/system.reg" <<REG
WINE REGISTRY Version 2

[Software\\\\Tavernis\\\\Brontal 2015] 1700000000
"ExportPath"="$docroot"
"ImportPath"="$docroot"
REG
start_servers

reqs() {  # url conns -> req/s
  wrk -t "$(( $2 < 2 ? 1 : 2 ))" -c "$2" -d "${secs}s" -H 'Connection: close' "$1" 2>/dev/null | awk '/Requests\/sec/ {print $2}'
}

M=http://127.0.0.1:$qport/dataserver/rest/TServerMethods1
for c in 1 32 64; do
  q=$(reqs "$M/EchoString/abc" $c); m=$(reqs "http://127.0.0.1:$mport/api" $c); n=$(reqs "http://127.0.0.1:$nport/api" $c)
  echo "rest EchoString c=$c req/s vs minserver: quillara $q, peer $m, ratio $(ratio $q $m)"
  echo "rest EchoString c=$c req/s vs nginx: quillara $q, peer $n, ratio $(ratio $q $n)"
done
before=$(hwm)
for file in ${FILES:-f100m.bin:3 f2g.bin:1}; do
  name=${file%%:*}; rounds=${file##*:}
  for c in 1 4; do
    q=$(mbps "$M/GetFile/$name" $c $rounds); m=$(mbps "http://127.0.0.1:$mport/files/$name" $c $rounds)
    n=$(mbps "http://127.0.0.1:$nport/files/$name" $c $rounds)
    echo "rest GetFile $name c=$c MB/s vs minserver: quillara $q, peer $m, ratio $(ratio $q $m)"
    echo "rest GetFile $name c=$c MB/s vs nginx: quillara $q, peer $n, ratio $(ratio $q $n)"
  done
done
after=$(hwm)
echo "rest GetFile peak RSS growth KiB vs 64 MiB budget: quillara $((after - before)), peer 65536, ratio $(ratio $((after - before)) 65536)"
