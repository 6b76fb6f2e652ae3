#!/usr/bin/env bash
# One request per connection through the whole stack, Quillara beside nginx and the minimal
# thread-per-connection server, same machine, same run. Prints one line per figure:
#   "name: quillara X, peer Y, ratio R".
#   bench/http_bench.sh [SECONDS_PER_RUN]
set -euo pipefail
secs=${1:-5}
bash "$(dirname "$0")/../scripts/install-deps.sh" wrk apache2-utils nginx
source "$(dirname "$0")/lib.sh"
start_servers

# The smallest answers of each: Quillara's redirect of an unknown path (listener, request loop,
# bridge, pool, dispatcher, default action) and its root page (the same and a template), the
# peers' fixed tiny answers.
qurl=http://127.0.0.1:$qport/x
murl=http://127.0.0.1:$mport/api
nurl=http://127.0.0.1:$nport/api

ab_run() {  # url conns -> "reqs p50ms p99ms"
  n=$(( $2 * 400 )); [ $n -lt 4000 ] && n=4000
  ab -q -n $n -c "$2" "$1" 2>/dev/null | awk '/Requests per second/ {r=$4} $1=="50%" {p50=$2} $1=="99%" {p99=$2} END {printf "%s %s %s\n", r, p50, p99}'
}

for item in redirect:/x:wrk root:/:wrk redirect:/x:ab; do
  IFS=: read -r page path tool <<<"$item"
  for c in 1 32 64; do
    trio "http $page $tool c=$c" "${tool}_run" "http://127.0.0.1:$qport$path" "$murl" "$nurl" $c
    read -r qr q50 q99 <<<"$Q"; read -r mr m50 m99 <<<"$M"; read -r nr n50 n99 <<<"$N"
    echo "http $page $tool c=$c req/s vs minserver: quillara $qr, peer $mr, ratio $(ratio $qr $mr)"
    echo "http $page $tool c=$c req/s vs nginx: quillara $qr, peer $nr, ratio $(ratio $qr $nr)"
    echo "http $page $tool c=$c p50 ms vs minserver: quillara $q50, peer $m50, ratio $(ratio $q50 $m50)"
    echo "http $page $tool c=$c p99 ms vs nginx: quillara $q99, peer $n99, ratio $(ratio $q99 $n99)"
  done
done

rss() { awk '/VmRSS/ {print $2}' /proc/$1/status; }
mpid=$(pgrep -f "minserver $mport")
# Memory: 1000 idle connections, then RSS after 1k and after 100k requests.
idle() {  # port -> KiB of RSS growth while 1000 connections stay open
  python3 - "$1" "$2" <<'PY'
import socket, sys, time
port, pid = int(sys.argv[1]), sys.argv[2]
def rss():
    return int(next(l for l in open(f"/proc/{pid}/status") if l.startswith("VmRSS")).split()[1])
before = rss()
socks = []
for _ in range(1000):
    s = socket.create_connection(("127.0.0.1", port)); socks.append(s)
time.sleep(1.5)
after = rss()
for s in socks: s.close()
print(after - before, after)
PY
}
read -r qgrow qidle <<<"$(idle $qport $qpid)"
read -r mgrow midle <<<"$(idle $mport $mpid)"
echo "http idle 1000 connections RSS growth KiB vs minserver: quillara $qgrow, peer $mgrow, ratio $(ratio $qgrow $mgrow)"
sleep 1
ab -q -n 1000 -c 16 $qurl >/dev/null 2>&1; r1k=$(rss $qpid)
ab -q -n 99000 -c 16 $qurl >/dev/null 2>&1; r100k=$(rss $qpid)
echo "http RSS KiB after 100k requests vs after 1k: quillara $r100k, peer $r1k, ratio $(ratio $r100k $r1k)"
