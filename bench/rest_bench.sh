#!/usr/bin/env bash
# REST calls through the whole stack beside nginx and the minimal thread-per-connection server:
# EchoString (without a session, and with the session of an earlier call sent back) against
# their fixed tiny answer, GetFile of 1 MiB, 100 MiB and 2 GiB files against their static file
# serving, with Quillara's peak memory, and the memory a session costs. One line per figure:
#   "name: quillara X, peer Y, ratio R".
#   bench/rest_bench.sh [SECONDS_PER_RUN]
set -euo pipefail
secs=${1:-5}
bash "$(dirname "$0")/../scripts/install-deps.sh" wrk nginx curl
source "$(dirname "$0")/lib.sh"
docroot=$run/docroot
head -c $((1 << 20)) /dev/urandom > "$docroot/f1m.bin"
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

base=http://127.0.0.1:$qport/dataserver/rest/TServerMethods1
murl=http://127.0.0.1:$mport/api
nurl=http://127.0.0.1:$nport/api
# Sessions: every call without a session id makes one, kept 20 minutes. The first flood starts
# the threads and the allocator's arenas; the second, well under the session bound, is measured.
flood() {
  wrk -t 2 -c 32 -d "$1s" -H 'Connection: close' "$base/EchoString/abc" 2>/dev/null |
    awk '/requests in/ {print $1} /Non-2xx/ {print "flood: " $0 > "/dev/stderr"}'
}
rss() { awk '/VmRSS/ {print $2}' /proc/$qpid/status; }
flood 1 >/dev/null
rss0=$(rss); made=$(flood 2); rss1=$(rss)
per=$(( (rss1 - rss0) * 1024 / made ))
echo "rest session bytes vs 1 KiB: quillara $per, peer 1024, ratio $(ratio $per 1024)"
echo "rest sessions per GiB vs 1 KiB each: quillara $(( (1 << 30) / per )), peer 1048576, ratio $(ratio $(( (1 << 30) / per )) 1048576)"
new_session() {
  curl -s -D - -o /dev/null "$base/EchoString/abc" | tr -d '\r' | sed -n 's/^Pragma: dssession=\([^,]*\),.*/\1/p'
}
for name in "without session" "with session"; do
  header=
  if [ "$name" = "with session" ]; then
    # Taken after the flood of sessionless calls: past the session bound those end the sessions
    # unused longest, and one taken before would be gone.
    session=$(new_session)
    [ -n "$session" ] || { echo "no session from EchoString" >&2; exit 1; }
    header="Pragma: dssession=$session"
  fi
  for c in 1 32 64; do
    trio "rest EchoString $name c=$c" wrk_run "$base/EchoString/abc" "$murl" "$nurl" $c "$header"
    read -r qr q50 q99 <<<"$Q"; read -r mr m50 m99 <<<"$M"; read -r nr n50 n99 <<<"$N"
    echo "rest EchoString $name c=$c req/s vs minserver: quillara $qr, peer $mr, ratio $(ratio $qr $mr)"
    echo "rest EchoString $name c=$c req/s vs nginx: quillara $qr, peer $nr, ratio $(ratio $qr $nr)"
    echo "rest EchoString $name c=$c p99 ms vs nginx: quillara $q99, peer $n99, ratio $(ratio $q99 $n99)"
  done
done
download() { mbps "$1" "$2" "$3"; }  # url conns rounds -> MB/s
before=$(hwm)
for item in ${FILES:-f1m.bin:1:200 f1m.bin:8:50 f100m.bin:1:3 f100m.bin:4:2 f2g.bin:1:1 f2g.bin:4:1}; do
  IFS=: read -r name c per <<<"$item"
  trio "rest GetFile $name c=$c" download "$base/GetFile/$name" "http://127.0.0.1:$mport/files/$name" \
    "http://127.0.0.1:$nport/files/$name" $c $per
  echo "rest GetFile $name c=$c MB/s vs minserver: quillara $Q, peer $M, ratio $(ratio $Q $M)"
  echo "rest GetFile $name c=$c MB/s vs nginx: quillara $Q, peer $N, ratio $(ratio $Q $N)"
done
after=$(hwm)
echo "rest GetFile peak RSS growth KiB vs 16 MiB: quillara $((after - before)), peer 16384, ratio $(ratio $((after - before)) 16384)"
