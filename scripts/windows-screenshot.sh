#!/usr/bin/env bash
# Takes docs/window-win32.png: the Windows control window as Wine shows it, captured by the
# window's test under a headless X server. Usage: scripts/windows-screenshot.sh [build folder].
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:-build-win}")
wine=$(command -v wine64 || echo /usr/lib/wine/wine64)
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver)
prefix=$(mktemp -d /tmp/quillara-wine-XXXXXX)
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
trap '"$wineserver" -k 2>/dev/null || true; rm -rf "$prefix"' EXIT
"$wine" wineboot -i >/dev/null 2>&1
(cd "$build/tests" && QUILLARA_SCREENSHOT="$prefix/window.bmp" xvfb-run -a -s "-screen 0 1024x768x24" \
  "$wine" ./test_gui.exe --gtest_filter='*HidesAndComesBackThroughTheTray' --gtest_brief=1)
python3 - "$prefix/window.bmp" docs/window-win32.png <<'PY'
import struct, sys, zlib
data = open(sys.argv[1], "rb").read()
offset = struct.unpack_from("<I", data, 10)[0]
width, height = struct.unpack_from("<ii", data, 18)
stride = (width * 3 + 3) & ~3
rows = []
for y in range(height - 1, -1, -1):  # bottom-up BGR rows become top-down RGB ones
    row = data[offset + y * stride:offset + y * stride + width * 3]
    rows.append(b"\0" + bytes(b for i in range(0, len(row), 3) for b in (row[i + 2], row[i + 1], row[i])))
def chunk(kind, body):
    return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF)
png = (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)) +
       chunk(b"IDAT", zlib.compress(b"".join(rows), 9)) + chunk(b"IEND", b""))
open(sys.argv[2], "wb").write(png)
PY
echo "docs/window-win32.png written"
