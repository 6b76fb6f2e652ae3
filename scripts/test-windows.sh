#!/usr/bin/env bash
# The Windows program's tests under Wine, in one fresh prefix for the whole run: the unit tests,
# the acceptance tests against quillara.exe --headless, and the control window under a headless X
# server. Usage: scripts/test-windows.sh [build folder] (default build-win).
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:-build-win}")
wine=$(command -v wine64 || echo /usr/lib/wine/wine64)
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver)
started=$(date +%s)

prefix=$(mktemp -d /tmp/quillara-wine-XXXXXX)
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
cleanup() {
  "$wineserver" -k 2>/dev/null || true
  rm -rf "$prefix"
}
trap cleanup EXIT
# The server stays up for the whole run, so each program starts without waiting for one.
"$wineserver" -p
"$wine" wineboot -i >/dev/null 2>&1

failed=()
echo "== unit tests under Wine"
# Named, so that one missing from the build fails the run instead of passing unseen.
units=(test_platform test_base test_json test_http test_web test_rest test_methods test_proxy test_app)
for name in "${units[@]}"; do
  test="$build/tests/$name.exe"
  if [ ! -f "$test" ]; then
    echo "$name: not built"
    failed+=("$name")
    continue
  fi
  if (cd "$build/tests" && timeout 300 "$wine" "$test" --gtest_brief=1); then
    echo "$name: passed"
  else
    failed+=("$name")
  fi
done

echo "== acceptance tests against quillara.exe --headless"
# The prefix's first start of the program sets things up; the tests' start-up waits need not.
"$wine" "$build/bin/quillara.exe" --version
acceptance=(test_http test_http_limits test_conformance_http test_pool test_webfiles test_pages test_rest
            test_rest_sessions test_rest_limits test_data_folders test_shell test_operator test_proxy
            test_proxy_languages test_browser)
if ! (cd tests/acceptance && QUILLARA_WINE="$wine" QUILLARA_WINE_PREFIX="$prefix" QUILLARA_BIN="$build/bin" \
      QUILLARA_EXPORTER_STUB="$build/tests/exporter_stub.exe" QUILLARA_FIXTURES="$PWD/../fixtures" \
      timeout 600 python3 -m unittest "${acceptance[@]}"); then
  failed+=(acceptance)
fi

echo "== the control window under a headless X server"
if [ -x "$build/tests/test_gui.exe" ]; then
  # The prefix's desktop process was started without a display: a new one is started with it.
  "$wineserver" -k 2>/dev/null || true
  "$wineserver" -w 2>/dev/null || true
  if ! (cd "$build/tests" && timeout 300 xvfb-run -a -s "-screen 0 1024x768x24" "$wine" ./test_gui.exe --gtest_brief=1); then
    failed+=(test_gui)
  fi
fi

echo "Windows tests took $(( $(date +%s) - started )) s"
if [ ${#failed[@]} -gt 0 ]; then
  echo "failed: ${failed[*]}"
  exit 1
fi
