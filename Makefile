# Quillmate: the two commands a fresh machine needs are `make demo` and `make test`.
BUILD ?= build
ASAN_BUILD ?= build-asan
WIN_BUILD ?= build-win
WIN64_BUILD ?= build-win64
JOBS ?= 2
CMAKE_FLAGS ?=
PREFIX ?= /usr/local

.PHONY: all build demo install test test-native test-asan test-windows test-windows-cli bench fuzz dist vscode format deps clean

all: build

deps:
	@bash scripts/install-deps.sh

build:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release -DQMATE_TESTS=ON $(CMAKE_FLAGS) >/dev/null
	cmake --build $(BUILD) -j $(JOBS)

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
	@echo "== $(BUILD)/qmate reindent --diff samples/demo.prg"
	@status=0; $(BUILD)/qmate reindent --diff samples/demo.prg || status=$$?; \
	 echo "== the tool is $(BUILD)/qmate: try '$(BUILD)/qmate --help'; 'make install' puts it on"; \
	 echo "   the PATH ($(PREFIX)/bin), 'make test' runs every test"; \
	 exit $$status

install:
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(BUILD) -j $(JOBS) --target qmate >/dev/null
	cmake --install $(BUILD) --prefix $(PREFIX)

test-native: build
	cd $(BUILD) && ctest -j $(JOBS) --output-on-failure

test-asan:
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DQMATE_SANITIZE=ON >/dev/null
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest -j $(JOBS) --output-on-failure

test-windows:
	@QMATE_WIN64_BUILD=$(WIN64_BUILD) bash scripts/test-windows.sh $(WIN_BUILD) $(BUILD)

# Only the command-line tool as qmate.exe under 64-bit Wine (also the last part of test-windows).
test-windows-cli:
	@bash scripts/test-windows-cli.sh $(WIN64_BUILD) $(BUILD)

test: deps test-native test-asan test-windows

bench: build
	@bash scripts/bench.sh $(BUILD)

fuzz:
	@bash scripts/fuzz.sh

dist:
	@bash scripts/dist.sh $(WIN_BUILD) $(WIN64_BUILD)

# The VS Code extension (editors/vscode), packaged as editors/vscode/quillmate.vsix; needs npm.
vscode:
	cd editors/vscode && npm ci --no-audit --no-fund && npm run compile && npm run package

format:
	clang-format -i $$(git ls-files '*.cpp' '*.hpp')

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(WIN_BUILD) $(WIN64_BUILD)
