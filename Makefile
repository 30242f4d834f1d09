# SPDX-License-Identifier: GPL-3.0-or-later
# The two commands a newcomer needs: `make run` and `make test`.
# Each first installs whatever Debian packages are missing.

BUILD_DIR ?= build
SANITIZE_DIR ?= build-sanitize
WINDOWS_DIR ?= build-windows
WASM_DIR ?= build-wasm
WEB_DIR ?= build-web
WEB_PORT ?= 8096
FUZZ_DIR ?= build-fuzz
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
# Every date a build writes (in the Windows program as it is stripped, in
# the zip, the installer, the source archive and the .deb) is the commit's,
# so the same commit gives the same bytes.
# Unset where neither git nor COMMIT gives the date (a fresh machine before
# git is installed): compilers refuse an empty one.
SOURCE_DATE_EPOCH ?= $(shell git log -1 --format=%ct 2>/dev/null || sed -n 2p COMMIT 2>/dev/null)
ifneq ($(SOURCE_DATE_EPOCH),)
export SOURCE_DATE_EPOCH
else
unexport SOURCE_DATE_EPOCH
endif

.PHONY: run test build deps test-deps bench package clean screenshot windows windows-deps test-windows \
	web web-here serve-web test-web test-web-here bench-web bench-web-here

# What building and running the game need; test-deps adds the test tools.
deps:
	./scripts/install-deps.sh build

test-deps:
	./scripts/install-deps.sh test

build: deps
	cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=Release
	cmake --build $(BUILD_DIR) -j $(JOBS)

run: build
	./$(BUILD_DIR)/src/quizzola

# Every test, then every test again under AddressSanitizer and
# UndefinedBehaviorSanitizer, then the fuzzers for a fixed number of runs.
test: test-deps build
	cd $(BUILD_DIR) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)
	cmake -S . -B $(SANITIZE_DIR) -DQUIZZOLA_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug
	cmake --build $(SANITIZE_DIR) -j $(JOBS)
	QT_QPA_PLATFORM=offscreen ./scripts/sanitize-env.sh ctest --test-dir $(SANITIZE_DIR) --output-on-failure -j $(JOBS)
	./scripts/fuzz.sh $(FUZZ_DIR)

clean:
	rm -rf $(BUILD_DIR) $(SANITIZE_DIR) $(FUZZ_DIR) $(WINDOWS_DIR) $(WASM_DIR) $(WEB_DIR)

# Figures, not tests: see the table in the README.
bench: test-deps build
	./scripts/bench.sh $(BUILD_DIR)

# Remakes the screenshots in docs/: the README's first, a 1920x1080 screen,
# and a 1366x768 laptop whose desktop is scaled to 150 %.
screenshot: test-deps build
	./scripts/screenshot.sh $(BUILD_DIR)
	./scripts/screenshot.sh $(BUILD_DIR) docs/screenshot-1920x1080.png 1920x1080
	./scripts/screenshot.sh $(BUILD_DIR) docs/screenshot-laptop-150.png 1366x768 1.5

# build/quizzola_<version>_amd64.deb, the program stripped as it is packed.
package: build
	cd $(BUILD_DIR) && cpack -G DEB

# Windows, cross-built here: Qt for Windows made once from Debian's source
# and kept in /var/cache/quizzola/qt-mingw (scripts/build-qt-windows.sh),
# the pictures rendered by a render_icon built for this machine, then
# $(WINDOWS_DIR)/quizzola-<version>-windows.zip and -setup.exe, both with
# the licences, and beside them -windows-source.tar.xz: the game's source
# and Debian's source package of that Qt (scripts/fetch-qt-source.sh).
# The same commit gives the same bytes.
windows-deps:
	./scripts/install-deps.sh windows

windows: deps windows-deps
	cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=Release
	cmake --build $(BUILD_DIR) -j $(JOBS) --target render_icon
	qt=$$(./scripts/build-qt-windows.sh | tail -n 1) && \
	qt_source=$$(./scripts/fetch-qt-source.sh | tail -n 1) && \
	cmake -S . -B $(WINDOWS_DIR) -DCMAKE_BUILD_TYPE=Release \
	  -DQUIZZOLA_QT_SOURCE=$$qt_source \
	  -DCMAKE_TOOLCHAIN_FILE=$$qt/lib/cmake/Qt6/qt.toolchain.cmake \
	  -DQT_CHAINLOAD_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-w64-x86_64.cmake \
	  -DQUIZZOLA_RENDER_ICON=$(CURDIR)/$(BUILD_DIR)/render_icon
	cmake --build $(WINDOWS_DIR) -j $(JOBS) --target windows_release

# The tests not tied to Linux, built for Windows and run under Wine with
# the offscreen platform, in a Wine prefix of their own in $(WINDOWS_DIR);
# then the installer installed and the game played under Wine on a desktop
# of the test's own (the tools of `make test`).
test-windows: test-deps windows
	cmake --build $(WINDOWS_DIR) -j $(JOBS)
	cd $(WINDOWS_DIR) && ctest --output-on-failure -j $(JOBS)

# `make TARGET-here` on Debian 13 or later; on an older Debian, `make TARGET`
# on the committed HEAD in a Debian 13 root, the second argument (if any)
# prefixed to the call of scripts/in-debian.sh.
on_debian13 = if [ "$$(. /etc/os-release && echo $${VERSION_ID:-99})" -lt 13 ]; then \
	  $(2) ./scripts/in-debian.sh trixie $(1); \
	else $(MAKE) $(1)-here; fi

# The game for web browsers: $(WEB_DIR)/, a folder any static web server
# serves as it is. Built with Debian 13's emscripten and Qt for WebAssembly
# made once from Debian 13's qt6-base source and kept in
# /var/cache/quizzola/qt-wasm (scripts/build-qt-wasm.sh). On an older
# Debian, whose emscripten is too old for Qt 6, the committed HEAD is built
# in a Debian 13 root (scripts/in-debian.sh) and its folder brought back.
# Optimised for size: every byte is downloaded before the game starts.
# Qt's CMake files find emscripten through an emsdk folder: Debian's
# emscripten is made to look like one, in $(WASM_DIR)/emsdk.
web:
	$(call on_debian13,web,rm -rf $(WEB_DIR) && QUIZZOLA_BRING_BACK=$(WEB_DIR))

web-here: deps
	./scripts/install-deps.sh web
	cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=Release
	cmake --build $(BUILD_DIR) -j $(JOBS) --target render_icon
	mkdir -p $(WASM_DIR)/emsdk/upstream
	ln -sfn /usr/share/emscripten $(WASM_DIR)/emsdk/upstream/emscripten
	echo "EMSCRIPTEN_ROOT = emsdk_path + '/upstream/emscripten'" >$(WASM_DIR)/emsdk/.emscripten
	qt=$$(./scripts/build-qt-wasm.sh | tail -n 1) && \
	qt_source=$$(./scripts/fetch-qt-source.sh | tail -n 1) && \
	export EMSDK=$(CURDIR)/$(WASM_DIR)/emsdk && \
	cmake -S . -B $(WASM_DIR) -DCMAKE_BUILD_TYPE=MinSizeRel -DBUILD_TESTING=OFF \
	  -DQUIZZOLA_QT_SOURCE=$$qt_source \
	  -DCMAKE_TOOLCHAIN_FILE=$$qt/lib/cmake/Qt6/qt.toolchain.cmake \
	  -DQT_CHAINLOAD_TOOLCHAIN_FILE=/usr/share/emscripten/cmake/Modules/Platform/Emscripten.cmake \
	  -DQT_SKIP_AUTO_PLUGIN_INCLUSION=OFF \
	  -DQUIZZOLA_RENDER_ICON=$(CURDIR)/$(BUILD_DIR)/render_icon && \
	cmake --build $(WASM_DIR) -j $(JOBS)
	rm -rf $(WEB_DIR)
	cmake --install $(WASM_DIR) --prefix $(CURDIR)/$(WEB_DIR)

# Serves $(WEB_DIR) on http://127.0.0.1:$(WEB_PORT)/ until Ctrl-C.
serve-web:
	test -f $(WEB_DIR)/index.html || $(MAKE) web
	python3 -m http.server --bind 127.0.0.1 --directory $(WEB_DIR) $(WEB_PORT)

# The web tests: the game played in Debian 13's headless Chromium, driven by
# Selenium, from a local server (tests/web/play_web.py). On an older Debian
# all of it runs in a Debian 13 root, on the committed HEAD.
test-web:
	$(call on_debian13,test-web)

test-web-here: web-here
	./scripts/install-deps.sh web-test
	python3 tests/web/play_web.py $(WEB_DIR)

# Figures, not tests: the page's size and times (scripts/bench-web.py).
bench-web:
	$(call on_debian13,bench-web)

bench-web-here: web-here
	./scripts/install-deps.sh web-test
	./scripts/bench-web.py $(WEB_DIR)
