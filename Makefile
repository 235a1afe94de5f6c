# Quillmate: the two commands a fresh machine needs are `make demo` and `make test`.
BUILD ?= build
ASAN_BUILD ?= build-asan
WIN_BUILD ?= build-win
WIN64_BUILD ?= build-win64
JOBS ?= 2
CMAKE_FLAGS ?=
PREFIX ?= /usr/local

.PHONY: all build demo install install-far2l deb test test-native test-asan test-windows test-windows-cli test-deb bench fuzz dist vscode format deps clean

all: build

deps:
	@bash scripts/install-deps.sh

build:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release -DQMATE_TESTS=ON $(CMAKE_FLAGS) >/dev/null
	cmake --build $(BUILD) -j $(JOBS)

# The demo's diff: the sample's lines before its second routine (two diffs of the whole file
# would fill the screen), re-indented as the whole file is.
DEMO_DIFF = sed '/^FUNCTION /,$$d' samples/demo.prg | \
  $(BUILD)/qmate reindent --diff --assume-filename samples/demo.prg -

# Only the tool, without the test libraries (its one library is installed when missing); the
# build's output is shown only when it fails.
demo:
	@[ -f /usr/include/nlohmann/json.hpp ] || { echo "== installing nlohmann-json3-dev (the tool's JSON library)"; \
	  apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq nlohmann-json3-dev >/dev/null; }
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release -DQMATE_TESTS=OFF $(CMAKE_FLAGS) \
	  >$(BUILD).demo.log 2>&1 && \
	 cmake --build $(BUILD) -j $(JOBS) --target qmate >>$(BUILD).demo.log 2>&1 || \
	 { cat $(BUILD).demo.log; exit 1; }
	@rm -f $(BUILD).demo.log
	@status=0; \
	 echo "== Classic (the default, as in Far): reindent --diff samples/demo.prg, its first procedure"; \
	 $(DEMO_DIFF) || status=$$?; \
	 echo "== Modern, fitted to the file's own indentation: --set Style=Modern --infer, the same lines"; \
	 $(DEMO_DIFF) --set Style=Modern --infer || status=$$?; \
	 echo "== the tool is $(BUILD)/qmate: try '$(BUILD)/qmate --help'; 'make install' puts it on"; \
	 echo "   the PATH ($(PREFIX)/bin), 'make test' runs every test"; \
	 echo "== choose: --set Style=Modern, or a .qmate.ini ('qmate infer --write DIR' writes one)"; \
	 exit $$status

install:
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(BUILD) -j $(JOBS) --target qmate qmate_man >/dev/null
	cmake --install $(BUILD) --prefix $(PREFIX)

# The far2l plug-in (qmate.far-plug-wide with its language, help and word files) in
# FAR2L_PLUGINS/quillmate/plug; FAR2L_PLUGINS defaults to the Plugins folder of the far2l on
# the PATH (scripts/install-far2l.sh).
FAR2L_PLUGINS ?=
install-far2l:
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(BUILD) -j $(JOBS) --target qmate_far2l >/dev/null
	@bash scripts/install-far2l.sh $(BUILD) "$(FAR2L_PLUGINS)"

# The Debian package $(BUILD)/qmate_VERSION_ARCH.deb (cmake/Package.cmake says what it holds).
deb:
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(BUILD) -j $(JOBS) --target qmate qmate_man >/dev/null
	cd $(BUILD) && cpack -G DEB

test-native: build
	cd $(BUILD) && ctest -j $(JOBS) --output-on-failure

test-asan:
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DQMATE_SANITIZE=ON >/dev/null
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest -j $(JOBS) --output-on-failure

# The package checked without installing it (tests/deb/run.sh); skipped without dpkg-dev.
test-deb:
	@if command -v dpkg-shlibdeps >/dev/null 2>&1; then \
	   $(MAKE) --no-print-directory deb && bash tests/deb/run.sh $(BUILD); \
	 else echo "test-deb: skipped, no dpkg-shlibdeps (install dpkg-dev)"; fi

test-windows:
	@QMATE_WIN64_BUILD=$(WIN64_BUILD) bash scripts/test-windows.sh $(WIN_BUILD) $(BUILD)

# Only the command-line tool as qmate.exe under 64-bit Wine (also the last part of test-windows).
test-windows-cli:
	@bash scripts/test-windows-cli.sh $(WIN64_BUILD) $(BUILD)

test: deps test-native test-deb test-asan test-windows

bench: build
	@bash scripts/bench.sh $(BUILD)

fuzz:
	@bash scripts/fuzz.sh

dist:
	@bash scripts/dist.sh $(WIN_BUILD) $(WIN64_BUILD)

# The VS Code extension (editors/vscode), packaged as editors/vscode/quillmate.vsix with the
# server for Linux x64 ($(BUILD)/qmate) and, when built, Windows x64 ($(WIN64_BUILD)/qmate.exe);
# then its tests, the last one on the server unpacked from the package. Needs npm.
vscode:
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(BUILD) -j $(JOBS) --target qmate >/dev/null
	@if command -v x86_64-w64-mingw32-g++ >/dev/null 2>&1; then \
	   cmake -S . -B $(WIN64_BUILD) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake \
	     -DCMAKE_BUILD_TYPE=Release >/dev/null && \
	   cmake --build $(WIN64_BUILD) -j $(JOBS) --target qmate_exe >/dev/null; fi
	cd editors/vscode && npm ci --no-audit --no-fund && npm run compile && \
	  QMATE_BUILD=$(abspath $(BUILD)) QMATE_WIN64_BUILD=$(abspath $(WIN64_BUILD)) npm run package && \
	  npm test

format:
	clang-format -i $$(git ls-files '*.cpp' '*.hpp')

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(WIN_BUILD) $(WIN64_BUILD)
