# One entry for building and testing on a fresh Debian 12 machine.
#   make run    builds the Linux filter and its host, and runs the main example job through it
#   make test   installs what is missing, then builds and runs every test of every preset: Linux
#               (Debug, sanitizers, Release) and the Windows DLL under Wine, the release archives
#               included
#   make package  writes the release archives into build/package (Windows zip, Linux tarball)
#   make install-cups  installs the CUPS filter, its PPDs and MIME type (DESTDIR-aware)

PRESETS := linux linux-asan linux-release windows
PACKAGES := cmake make g++ googletest libgtest-dev libgmock-dev libbenchmark-dev libcli11-dev nlohmann-json3-dev libssl-dev libpugixml-dev \
            g++-mingw-w64-x86-64 wine wine64 clang-14 libfuzzer-14-dev libclang-rt-14-dev \
            ghostscript time libcups2-dev cups-daemon cups-client cups cups-filters clang-format \
            libpappl-dev poppler-utils chromium
FUZZ_SECONDS ?= 60

SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

.PHONY: deps build run test check-format fuzz package install-cups $(addprefix test-,$(PRESETS)) clean

deps:
	@missing=$$(for p in $(PACKAGES); do dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q 'install ok installed' || echo $$p; done); \
	if [ -n "$$missing" ]; then \
		echo "installing:" $$missing; \
		$(SUDO) apt-get update -q && DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y -q $$missing; \
	fi

build: deps
	cmake --preset linux
	cmake --build --preset linux

# The main example: a PJL-wrapped PostScript job through the filter, then a look at the result
# around the inserted job-level PostScript.
run: build
	examples/run-example.sh postscript-job
	@echo "--- around the job-level PostScript, in front of %%EndSetup:"
	@grep -a -n -B3 -A2 '^%%EndSetup' build/examples/postscript-job/postscript-job.out
	@echo "--- page 2, its features in place of its page setup section:"
	@grep -a -n -A4 '^%%Page: 2 2' build/examples/postscript-job/postscript-job.out

$(addprefix test-,$(PRESETS)): test-%: deps
	cmake --preset $*
	cmake --build --preset $*
	ctest --preset $*

# The copy under libFuzzer (clang, AddressSanitizer, UndefinedBehaviorSanitizer) for a bounded time,
# starting from the corpus of real jobs in tests/fuzz/corpus.
fuzz: deps
	cmake --preset linux-fuzz
	cmake --build --preset linux-fuzz
	mkdir -p build/linux-fuzz/corpus
	./build/linux-fuzz/bin/copy_stream_fuzzer -max_total_time=$(FUZZ_SECONDS) -rss_limit_mb=2048 \
		build/linux-fuzz/corpus tests/fuzz/corpus

# The release archives: the Windows DLL and host built in Release, the Linux module, stand-in
# library and host of linux-release, each with the packaging files, docs, examples and licence texts.
package: deps
	cmake --preset windows-release
	cmake --build --preset windows-release --target cv-archive
	cmake --preset linux-release
	cmake --build --preset linux-release --target cv-archive

# The filter for CUPS from the Release build: the program, module and stand-in library in
# /usr/lib/cv-pdlstreamfilter, its link in CUPS's filter folder, the MIME type and the PPDs.
install-cups: deps
	cmake --preset linux-release
	cmake --build --preset linux-release --target pdl-stream-filter
	DESTDIR="$(DESTDIR)" packaging/cups/install.sh build/linux-release/bin

# Every preset's tests include the archives' test, which must find them here, and on Linux the
# test under a private cupsd, which must find it installed.
test: export CV_REQUIRE_PACKAGE = 1
test: export CV_REQUIRE_CUPSD = 1
test: export CV_REQUIRE_PAPPL = 1
# Ends by checking that the tests left the source tree as the clone was: they write only under the
# build tree.
test: check-format fuzz package $(addprefix test-,$(PRESETS))
	@left=$$(git status --porcelain); \
	if [ -n "$$left" ]; then echo "the tests changed the source tree:"; echo "$$left"; exit 1; fi

# Every C++ source as the repository's .clang-format lays it out.
check-format: deps
	git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run -Werror

clean:
	rm -rf build
