# The two everyday commands; each does its own set-up on a fresh Debian 12.
.PHONY: all build test run bench fuzz installer clean

all: build

build:
	@scripts/setup.sh
	@scripts/build.sh

test:
	@scripts/test.sh

# ARCH=x86 (default, the build users get) or ARCH=x64; without ARCH, x64 on
# a machine that runs no 32-bit program
run:
	@ARCH=$(ARCH) scripts/run.sh

bench:
	@scripts/bench.sh

# The garbled-input generators at length (never part of make test):
# FUZZ_CASES (default 1000000) or FUZZ_SECONDS, FUZZ_SEED, FUZZ_REPLAY, ARCH
fuzz:
	@scripts/fuzz.sh

# build/Velotune-Setup-<version>-x64.exe and -x86.exe
installer:
	@scripts/installer.sh

clean:
	rm -rf build
