# Thin wrapper around CMake. Every target installs what is missing first.
#   make demo     build the programs and run the daemon in the foreground on a temporary demo
#                 host root, with a demo user for hostprefctl
#   make check    build and run the whole test suite (plain and sanitizer builds, fuzz smoke)
#   make package  build the Debian package (build/hostprefd_*.deb)
#   make bench    run the benchmarks
#   make fuzz     run the fuzz targets for longer (FUZZ_SECONDS, default 300 each)

JOBS ?= 2
BUILD_TYPE ?= RelWithDebInfo
FUZZ_SECONDS ?= 300

.PHONY: all deps configure build build-installables build-asan build-tsan check check-plain check-asan check-tsan check-msgcat demo \
	demo-smoke package fuzz fuzz-smoke bench clean

all: build

deps:
	@bash scripts/install-deps.sh

configure: deps
	cmake -S . -B build -DCMAKE_BUILD_TYPE=$(BUILD_TYPE)

build: configure
	cmake --build build -j$(JOBS)

# Only the programs and files that are installed, which are also all that the demo runs.
build-installables: configure
	cmake --build build -j$(JOBS) --target installables

build-asan: deps
	cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DHOSTPREFD_SANITIZE=ON
	cmake --build build-asan -j$(JOBS)

check-plain: build
	cd build && ctest --output-on-failure -j$(JOBS)

check-asan: build-asan
	cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure -j$(JOBS)

# The thread sanitizer over the transport, the task scheduler and the task framework (with
# their end-to-end use in the daemon). Not part of `make check`: a third full build does not
# fit the CI's time.
build-tsan: deps
	cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=Debug -DHOSTPREFD_TSAN=ON
	cmake --build build-tsan -j$(JOBS) --target transport_tests transport_stream_tests transport_http_tests \
		transport_protocol_tests tasks_tests e2e_tests hostprefd hostpref-taskdb

check-tsan: build-tsan
	cd build-tsan && TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
		ctest --output-on-failure -R "transport|tasks_tests|e2e_tests"

fuzz-smoke: deps
	@if [ -x scripts/fuzz-smoke.sh ]; then bash scripts/fuzz-smoke.sh 5; fi

# Every message id the code uses needs an English text in the shipped catalogues.
check-msgcat: build
	python3 scripts/check-msgcat.py --generated build/generated

# The demo of the README, unattended: it must serve the README's examples and stop cleanly.
demo-smoke: build-installables
	bash scripts/demo-smoke.sh

check: check-msgcat check-plain demo-smoke check-asan fuzz-smoke

demo: build-installables
	bash scripts/demo.sh

package: build-installables
	cd build && cpack -G DEB

fuzz: deps
	bash scripts/fuzz-smoke.sh $(FUZZ_SECONDS)

bench: build
	bash bench/install-deps.sh
	python3 -m unittest discover -s bench/tests
	@failed=0; for b in bench/*/run.sh; do bash "$$b" || failed=1; done; exit $$failed

clean:
	rm -rf build build-asan build-fuzz
