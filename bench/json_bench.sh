#!/usr/bin/env bash
# JSON parse and write speed of Quillara beside RapidJSON and nlohmann-json, one run, same
# machine. Prints one line per figure: "name: quillara X, peer Y, ratio R", the medians of all
# rounds (the machine is shared: several rounds interleave the libraries).
#   [ROUNDS=N] bench/json_bench.sh [ITERS]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
peers=$root/../shared/bench-peers
data=$root/../shared/conformance/json/nativejson-benchmark/data
iters=${1:-5}
rounds=${ROUNDS:-1}
[ -d "$peers" ] || { echo "bench peers not found at $peers" >&2; exit 1; }
bash "$root/scripts/install-deps.sh" rapidjson-dev nlohmann-json3-dev

out=$root/build-bench
mkdir -p "$out/json"
flags=(-std=c++20 -O2 -DNDEBUG -I"$root/src" -I"$peers")
g++ "${flags[@]}" "$root/bench/json/json_quillara.cpp" "$root"/src/json/*.cpp "$root"/src/base/*.cpp "$root"/src/platform/*.cpp -o "$out/json_quillara"
g++ "${flags[@]}" "$root/bench/json/json_memory.cpp" "$root"/src/json/*.cpp "$root"/src/base/*.cpp "$root"/src/platform/*.cpp -o "$out/json_memory"
g++ -std=c++20 -O2 -DNDEBUG -I"$peers" "$peers/json_rapid.cc" -o "$out/json_rapid"
g++ -std=c++20 -O2 -DNDEBUG -I"$peers" "$peers/json_nlohmann.cc" -o "$out/json_nlohmann"
[ -f "$out/json/doc_utf8.json" ] || python3 "$peers/gen_json.py" "$out/json" >/dev/null

run_all() {  # name utf8 ascii
  for lib in quillara rapid nlohmann; do
    "$out/json_$lib" "$2" "$3" "$iters" | sed "s/^/$1 /"
  done
}
for ((round = 0; round < rounds; ++round)); do
  for doc in canada citm_catalog twitter; do run_all "$doc" "$data/$doc.json" "$data/$doc.json"; done
  run_all generated "$out/json/doc_utf8.json" "$out/json/doc_ascii.json"
  for lib in quillara rapidjson nlohmann; do "$out/json_memory" $lib "$out/json/doc_utf8.json" | sed "s/^/generated /"; done
done > "$out/json/results.txt"

python3 - "$out/json/results.txt" <<'PY'
import re, statistics, sys
runs, mem = {}, {}
for line in open(sys.argv[1]):
    doc, rest = line.split(" ", 1)
    if rest.startswith("RESULT"):
        f = dict(kv.split("=") for kv in rest.split()[1:])
        if f["input"] != "utf8":
            continue
        runs.setdefault((doc, f["lib"], f["op"]), []).append(float(f["MBps"]))
    elif rest.startswith("MEMORY"):
        f = dict(kv.split("=") for kv in rest.split()[1:])
        mem.setdefault(f["lib"], []).append(int(f["held_KiB"]))
    elif "FAIL" in rest:
        print("check failed:", line.strip())
med = {k: statistics.median(v) for k, v in runs.items()}
mem = {k: int(statistics.median(v)) for k, v in mem.items()}
docs = ["canada", "citm_catalog", "twitter", "generated"]
pairs = [("parse", "parse", "rapidjson"), ("parse", "parse", "nlohmann"),
         ("serialize_ascii", "serialize_ascii", "rapidjson"), ("serialize_ascii", "serialize_ascii", "nlohmann"),
         ("serialize_text", "serialize", "rapidjson"), ("serialize_text", "serialize", "nlohmann")]
names = {"parse": "parse", "serialize_ascii": "ToBytes", "serialize_text": "ToString"}
for doc in docs:
    for ours, theirs, peer in pairs:
        q, p = med.get((doc, "quillara", ours)), med.get((doc, peer, theirs))
        if q and p:
            print(f"json {names[ours]} {doc} MB/s vs {peer}: quillara {q:.0f}, peer {p:.0f}, ratio {q / p:.2f}")
for peer in ("rapidjson", "nlohmann"):
    if peer in mem and "quillara" in mem:
        print(f"json held memory of the generated document KiB vs {peer}: quillara {mem['quillara']}, "
              f"peer {mem[peer]}, ratio {mem['quillara'] / max(mem[peer], 1):.2f}")
PY
