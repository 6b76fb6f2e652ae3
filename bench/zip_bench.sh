#!/usr/bin/env bash
# Rebuilding a proxy package: Quillara's archive writer beside the zlib floor program and
# `zip -r -6`, same folder, one run. Prints "name: quillara X, peer Y, ratio R" lines: MB/s
# (medians of ROUNDS) and peak memory for the mixed folder and for one large file.
#   bench/zip_bench.sh [ROUNDS]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
peers=$root/../shared/bench-peers
rounds=${1:-3}
[ -d "$peers" ] || { echo "bench peers not found at $peers" >&2; exit 1; }
bash "$root/scripts/install-deps.sh" zlib1g-dev zip

out=$root/build-bench/zip
mkdir -p "$out"
g++ -std=c++20 -O2 -DNDEBUG -I"$root/src" "$root/bench/zip/zip_quillara.cpp" "$root"/src/proxy/TZipFile.cpp \
  "$root"/src/base/*.cpp "$root"/src/platform/*.cpp -lz -o "$out/zip_quillara"
g++ -std=c++20 -O2 -DNDEBUG "$peers/zipwrite.cc" -lz -o "$out/zipwrite"
[ -d "$out/mixed" ] || python3 "$peers/gen_zipdir.py" "$out/mixed" >/dev/null
if [ ! -f "$out/large/big.bin" ]; then
  mkdir -p "$out/large"
  # one 200 MB file: the memory a writer needs must not follow the file size
  python3 -c "
import random, sys
r = random.Random(7); words = [bytes(r.choices(b'abcdefghij ', k=8)) for _ in range(500)]
with open(sys.argv[1], 'wb') as f:
    for _ in range(200):
        f.write(b''.join(r.choices(words, k=131072))[:1 << 20])" "$out/large/big.bin"
fi

peak() { awk '/Maximum resident/ {print $6}' "$1"; }
measure() {  # folder -> lines "tool secs peak_KiB"
  local dir=$1 i
  for ((i = 0; i < rounds; i++)); do
    rm -f "$out/q.zip" "$out/f.zip" "$out/z.zip"
    /usr/bin/time -v "$out/zip_quillara" "$dir" "$out/q.zip" > "$out/q.txt" 2> "$out/q.time"
    echo "quillara $(sed -n 's/.*secs=\([0-9.]*\).*/\1/p' "$out/q.txt") $(peak "$out/q.time")"
    /usr/bin/time -v "$out/zipwrite" "$dir" "$out/f.zip" -1 > "$out/f.txt" 2> "$out/f.time"
    echo "floor $(sed -n 's/.*secs=\([0-9.]*\).*/\1/p' "$out/f.txt") $(peak "$out/f.time")"
    local t0 t1
    t0=$(date +%s.%N)
    (cd "$dir" && /usr/bin/time -v zip -q -r -6 "$out/z.zip" . 2> "$out/z.time")
    t1=$(date +%s.%N)
    echo "zip $(python3 -c "print($t1 - $t0)") $(peak "$out/z.time")"
  done
}
[ -x /usr/bin/time ] || bash "$root/scripts/install-deps.sh" time
for set in mixed large; do
  bytes=$(du -sb "$out/$set" | cut -f1)
  measure "$out/$set" > "$out/$set.txt"
  python3 - "$out/$set.txt" "$set" "$bytes" <<'PY'
import statistics, sys
rows = [l.split() for l in open(sys.argv[1])]
name, mb = sys.argv[2], int(sys.argv[3]) / 1e6
speed = {t: statistics.median(mb / float(s) for tt, s, _ in rows if tt == t) for t in ("quillara", "floor", "zip")}
mem = {t: max(int(k) for tt, _, k in rows if tt == t) for t in ("quillara", "floor", "zip")}
for peer in ("floor", "zip"):
    print(f"zip {name} {mb:.1f} MB, MB/s vs {peer}: quillara {speed['quillara']:.1f}, peer {speed[peer]:.1f}, "
          f"ratio {speed['quillara'] / speed[peer]:.2f}")
    print(f"zip {name} peak memory KiB vs {peer}: quillara {mem['quillara']}, peer {mem[peer]}, "
          f"ratio {mem['quillara'] / mem[peer]:.2f}")
PY
done
