# The README's two set-up commands. Both install the Debian packages that are
# missing, configure and build; `run` starts the board on a ready data folder,
# `test` runs the whole suite headless.
BUILD    ?= build
JOBS     ?= 2
# The fuzz targets (clang, libFuzzer) and the sanitizer build live apart.
FUZZ_BUILD   ?= build-fuzz
FUZZ_SECONDS ?= 30
ASAN_BUILD   ?= build-asan
# The Windows build and the Qt for Windows it uses, kept outside the checkout.
WIN_BUILD    ?= build-win
QT_WIN       ?= $(or $(XDG_CACHE_HOME),$(HOME)/.cache)/schedboard/qt-6.4.2-mingw64
BIN      := $(BUILD)/bin
# The board and its sound module alone: `make run`'s data folder.
BOARD    := $(BUILD)/board
SUDO     := $(shell [ "$$(id -u)" = 0 ] || echo sudo)
PACKAGES := $(shell grep -v '^\#' packages.txt)

.PHONY: all deps configure build board run test bench data clean fuzz-build fuzz asan package windows wintest

all: build

deps:
	@missing=""; for p in $(PACKAGES); do \
	  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q 'ok installed' || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  echo "Installing:$$missing"; \
	  $(SUDO) apt-get update -qq && \
	  DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y -qq --no-install-recommends $$missing; \
	fi

configure: deps
	@[ -f $(BUILD)/CMakeCache.txt ] || cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo

build: configure
	cmake --build $(BUILD) -j$(JOBS)

# Only the board itself, for `make run`: the tests are built by `make test`.
board: configure
	cmake --build $(BUILD) -j$(JOBS) --target SchedBoard

# A ready data folder beside the executable: installation data copied only
# where a file is missing, so a user's schedule is never overwritten. A
# schedule that an older build kept beside the test programs in bin/ is
# copied over once, before the board's folder has one of its own.
OLD_DATA := gsystem users colfiles databkup Help.chm Schedboard.ini
data: board
	@if [ -d "$(BIN)/gsystem" ] && [ ! -e "$(BOARD)/gsystem" ]; then \
	  echo "Copying the schedule of $(BIN) to $(BOARD)"; \
	  for f in $(OLD_DATA); do [ ! -e "$(BIN)/$$f" ] || cp -a "$(BIN)/$$f" "$(BOARD)/" || exit 1; done; \
	fi
	@cd data && find . -type d -exec mkdir -p "$(CURDIR)/$(BOARD)/{}" \; && \
	  find . -type f | while read -r f; do \
	    [ -e "$(CURDIR)/$(BOARD)/$$f" ] || cp "$$f" "$(CURDIR)/$(BOARD)/$$f"; \
	  done

run: data
	cd $(BOARD) && ./SchedBoard

# The Debian package of the board: $(BUILD)/schedboard_<version>_<arch>.deb
package: board
	cd $(BUILD) && cpack --config CPackConfig.cmake

# The fuzz targets are built (not run) too, so they keep compiling.
test: build fuzz-build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j$(JOBS) --timeout 600

fuzz-build: deps
	@if ! command -v clang++ >/dev/null; then echo "clang++ missing: fuzz targets not built"; \
	else [ -f $(FUZZ_BUILD)/CMakeCache.txt ] || CXX=clang++ cmake -S . -B $(FUZZ_BUILD) \
	       -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSCHEDBOARD_FUZZ=ON >/dev/null && \
	     cmake --build $(FUZZ_BUILD) -j$(JOBS) --target fuzzers; fi

# Every fuzz target for FUZZ_SECONDS on a copy of its seeds.
fuzz: fuzz-build
	bash fuzz/run.sh $(FUZZ_BUILD)/bin $(FUZZ_SECONDS)

# The whole suite built with AddressSanitizer and UBSan. Leaks inside Qt's
# and the system's libraries are suppressed (tests/lsan.supp), never ours.
asan: deps
	@[ -f $(ASAN_BUILD)/CMakeCache.txt ] || cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSCHEDBOARD_SANITIZE=ON
	cmake --build $(ASAN_BUILD) -j$(JOBS)
	cd $(ASAN_BUILD) && QT_QPA_PLATFORM=offscreen \
	  ASAN_OPTIONS=detect_leaks=1:handle_abort=1 \
	  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp:print_suppressions=0 \
	  ctest --output-on-failure -j$(JOBS) --timeout 900

bench: build
	cmake --build $(BUILD) -j$(JOBS) --target benchmarks
	cd $(BUILD) && bash ../bench/run.sh

# The Windows board, cross-built with mingw-w64 against a Qt for Windows that
# scripts/build-qt-mingw.sh builds once into QT_WIN (about an hour; reused
# after that). Ends with $(WIN_BUILD)/SchedBoard-<version>-win64.zip.
windows:
	bash scripts/build-qt-mingw.sh $(QT_WIN)
	@[ -f $(WIN_BUILD)/CMakeCache.txt ] || $(QT_WIN)/bin/qt-cmake -S . -B $(WIN_BUILD) -G Ninja \
	  -DCMAKE_BUILD_TYPE=Release -DQT_CHAINLOAD_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw64.cmake
	cmake --build $(WIN_BUILD) -j$(JOBS)
	cmake --build $(WIN_BUILD) --target windows_zip

# The Windows tests and boards under Wine on Xvfb, beside Linux boards.
wintest: windows build
	bash scripts/wintest.sh $(WIN_BUILD) $(QT_WIN) $(BUILD)

clean:
	rm -rf $(BUILD) $(FUZZ_BUILD) $(ASAN_BUILD) $(WIN_BUILD)
