# Shared by the server benchmarks: builds Quillara (Release) and the minimal server, starts
# Quillara, the minimal server and nginx on free loopback ports, and cleans up on exit.
# Sets: root peers out run qport qpid mport nport rounds; offers ratio, wrk_run, trio.
# ROUNDS=N repeats every figure N times, Quillara and its peers interleaved, and prints medians;
# the single rounds go to standard error, so the noise of a run can be read there.
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
peers=$root/../shared/bench-peers
[ -d "$peers" ] || { echo "bench peers not found at $peers" >&2; exit 1; }
out=$root/build-bench
cmake -S "$root" -B "$out/release" -DCMAKE_BUILD_TYPE=Release -DQUILLARA_TESTS=OFF -DQUILLARA_GUI=OFF >/dev/null
cmake --build "$out/release" -j "$(nproc)" >/dev/null
g++ -std=c++20 -O2 -pthread "$peers/minserver.cc" -o "$out/minserver"
run=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null || true; sleep 1; kill -9 $(jobs -p) 2>/dev/null || true; rm -rf "$run"' EXIT
mkdir -p "$run/docroot" "$run/prefix"

free_port() { python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])'; }
wait_port() { for _ in $(seq 100); do (exec 3<>/dev/tcp/127.0.0.1/$1) 2>/dev/null && return 0; sleep 0.05; done; return 1; }
rounds=${ROUNDS:-1}
ratio() { python3 -c "a, b = float('${1:-0}' or 0), float('${2:-0}' or 0); print(f'{a / b:.2f}' if b else 'n/a')"; }

# Call once the docroot and the prefix hold what the benchmark needs.
start_servers() {
  qport=$(free_port); mport=$(free_port); nport=$(free_port)
  mkfifo "$run/stdin"
  WINEPREFIX=$run/prefix "$out/release/bin/quillara" --headless --port "$qport" <"$run/stdin" >/dev/null 2>&1 &
  qpid=$!
  exec 9>"$run/stdin"  # keeps its standard input open and silent
  "$out/minserver" "$mport" "$run/docroot" rw >/dev/null 2>&1 &
  sed -e "s|@WORKERS@|2|; s|@PORT@|$nport|g; s|@RUNDIR@|$run|g; s|@DOCROOT@|$run/docroot|" "$peers/nginx.conf.in" > "$run/nginx.conf"
  nginx -c "$run/nginx.conf" -p "$run" &
  for p in $qport $mport $nport; do wait_port $p; done
}

# url conns rounds -> MB/s over conns parallel clients, each downloading rounds times
mbps() {
  python3 - "$1" "$2" "$3" <<'PY'
import sys, time, threading, urllib.request
url, conns, rounds = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
total = [0]
lock = threading.Lock()
def client():
    for _ in range(rounds):
        with urllib.request.urlopen(url) as r:
            n = 0
            while True:
                chunk = r.read(1 << 20)
                if not chunk:
                    break
                n += len(chunk)
        with lock:
            total[0] += n
start = time.monotonic()
threads = [threading.Thread(target=client) for _ in range(conns)]
for t in threads: t.start()
for t in threads: t.join()
print(f"{total[0] / (time.monotonic() - start) / 1e6:.0f}")
PY
}
hwm() { awk '/VmHWM/ {print $2}' /proc/$qpid/status; }

# url conns [header] -> "req/s p50ms p99ms"; one request per connection. Answers other than 2xx
# or 3xx and socket errors are reported on standard error: a rate made of failures is no rate.
wrk_run() {
  local extra=()
  [ -n "${3:-}" ] && extra=(-H "$3")
  wrk -t "$(( $2 < 2 ? 1 : 2 ))" -c "$2" -d "${secs}s" --latency -H 'Connection: close' "${extra[@]}" "$1" 2>/dev/null | awk -v url="$1" '
    /Requests\/sec/ {r=$2}
    $1=="50%" {p50=$2} $1=="99%" {p99=$2}
    /Non-2xx/ {bad=$NF}
    /Socket errors/ {err=$0}
    END {
      if (bad || err) printf "wrk %s: %s non-2xx/3xx;%s\n", url, bad+0, err > "/dev/stderr"
      printf "%s %s %s\n", r, ms(p50), ms(p99)
    }
    function ms(v) { if (v ~ /us$/) return v/1000; if (v ~ /ms$/) return v+0; if (v ~ /s$/) return v*1000; return v }'
}

medians() {  # lines of numbers -> the median of each column
  python3 -c '
import statistics, sys
rows = [l.split() for l in sys.stdin if l.strip()]
print(" ".join(f"{statistics.median(float(v) for v in col):g}" for col in zip(*rows)))'
}

# name fn qarg marg narg [more args...] -> Q M N: the medians of "fn arg more..." over $rounds
# rounds, Quillara, the minimal server and nginx in turn within each round.
trio() {
  local name=$1 fn=$2 qa=$3 ma=$4 na=$5 i
  shift 5
  : >"$run/q"; : >"$run/m"; : >"$run/n"
  for ((i = 0; i < rounds; i++)); do
    "$fn" "$qa" "$@" >>"$run/q"; "$fn" "$ma" "$@" >>"$run/m"; "$fn" "$na" "$@" >>"$run/n"
  done
  Q=$(medians <"$run/q"); M=$(medians <"$run/m"); N=$(medians <"$run/n")
  echo "rounds $name: quillara [$(paste -sd'|' "$run/q")] minserver [$(paste -sd'|' "$run/m")] nginx [$(paste -sd'|' "$run/n")]" >&2
}
