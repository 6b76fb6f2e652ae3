# The README's two commands: `make run` builds and starts the server, `make test` builds and
# runs every test (a normal build, then the whole suite again under ASan and UBSan).
JOBS ?= $(shell nproc)
PORT ?= 12388
PREFIX ?= /usr/local
CTEST_FLAGS ?= --output-on-failure

.PHONY: deps build run install deb check-layers check-format check-tidy test test-release test-asan test-tsan windows windows-deps test-windows clean

deps:
	@bash scripts/install-deps.sh
	@[ -d tests/browser/node_modules/playwright-core ] || (cd tests/browser && npm ci --no-audit --no-fund)

build: deps
	cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build build -j $(JOBS)

run: build
	./build/bin/quillara --port $(PORT) $(ARGS)

# `make install PREFIX=/usr DESTDIR=/tmp/stage` as usual; `make deb` leaves the package in build/.
install: build
	DESTDIR=$(DESTDIR) cmake --install build --prefix $(PREFIX)

deb: build
	bash scripts/make-deb.sh build

test-release: build
	cd build && ctest -j $(JOBS) $(CTEST_FLAGS)

test-asan: deps
	cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DQUILLARA_SANITIZE=ON
	cmake --build build-asan -j $(JOBS)
	cd build-asan && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp UBSAN_OPTIONS=print_stacktrace=1 \
	  ctest -j $(JOBS) $(CTEST_FLAGS)

# The unit tests under ThreadSanitizer (the window and the acceptance tests run above).
test-tsan: deps
	cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLARA_TSAN=ON -DQUILLARA_GUI=OFF
	cmake --build build-tsan -j $(JOBS)
	cd build-tsan && TSAN_OPTIONS=halt_on_error=1 ctest -j $(JOBS) $(CTEST_FLAGS) -LE acceptance

# Every include points from a layer to one it may depend on.
check-layers:
	@bash scripts/check-layers.sh

# Every tracked C++ file (but the client libraries and the fixtures) laid out by .clang-format.
check-format: deps
	@bash scripts/check-format.sh

# The checks of .clang-tidy over src/, from the release build's compile commands.
check-tidy: build
	@bash scripts/check-tidy.sh build $(JOBS)


# The Windows program, cross-built with mingw-w64 into build-win/ (quillara.exe beside its web
# root, and quillara-win64.zip ready to unzip beside Brontal); its tests run under Wine.
WINDOWS_DEPS = g++-mingw-w64-x86-64-posix libz-mingw-w64-dev wine64 xvfb xauth python3 cmake make

windows-deps:
	@bash scripts/install-deps.sh $(WINDOWS_DEPS)

windows: windows-deps
	cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=Release
	cmake --build build-win -j $(JOBS) --target quillara
	rm -rf build-win/package build-win/quillara-win64.zip && mkdir -p build-win/package
	cp -r build-win/bin build-win/package/quillara && find build-win/package -name .keep -delete
	cd build-win/package && cmake -E tar cf ../quillara-win64.zip --format=zip quillara

# Only what the Windows tests need: the unit tests, the exporter stand-in and the window's test.
test-windows: windows
	cmake --build build-win -j $(JOBS) --target test_platform test_base test_json test_http test_web test_rest \
	  test_methods test_proxy test_app test_gui exporter_stub
	bash scripts/test-windows.sh build-win


test: check-layers check-format test-release check-tidy test-asan test-tsan test-windows

clean:
	rm -rf build build-asan build-win build-fuzz
