# One entry for building and testing on a fresh Debian 12 machine.
#   make run    builds the Linux filter and its host, and activates the filter as a pipeline would
#   make test   installs what is missing, then builds and runs every test of every preset: Linux
#               (Debug, sanitizers, Release) and the Windows DLL under Wine

PRESETS := linux linux-asan linux-release windows
PACKAGES := cmake make g++ googletest libgtest-dev libgmock-dev libbenchmark-dev libcli11-dev libssl-dev libpugixml-dev \
            g++-mingw-w64-x86-64 wine wine64

SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

.PHONY: deps build run test $(addprefix test-,$(PRESETS)) clean

deps:
	@missing=$$(for p in $(PACKAGES); do dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q 'install ok installed' || echo $$p; done); \
	if [ -n "$$missing" ]; then \
		echo "installing:" $$missing; \
		$(SUDO) apt-get update -q && DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y -q $$missing; \
	fi

build: deps
	cmake --preset linux
	cmake --build --preset linux

run: build
	./build/linux/bin/pdl-stream-filter probe

$(addprefix test-,$(PRESETS)): test-%: deps
	cmake --preset $*
	cmake --build --preset $*
	ctest --preset $*

test: $(addprefix test-,$(PRESETS))

clean:
	rm -rf build
