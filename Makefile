# The two set-up commands: `make run` and `make test`. Each bootstraps first.
BUILD ?= build
SANITIZE_BUILD ?= build-sanitize
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?= -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
PACKAGE_BUILD ?= build-package
PREFIX ?= /usr/local

# One shell word holding $(1) as it is: blanks, quotes and '%' included.
shell_word = '$(subst ','\'',$(1))'

.PHONY: all bootstrap build programs run demo test unit sanitize tsan bench stress fuzz install uninstall \
  package clean

all: build

bootstrap:
	@scripts/bootstrap

$(BUILD)/build.ninja:
	@cmake -S . -B $(BUILD) $(CMAKE_FLAGS) >/dev/null

build: bootstrap $(BUILD)/build.ninja
	@cmake --build $(BUILD) -j $(JOBS)

# Only what `make run` starts; the tests and benchmarks are left to `make test`.
programs: bootstrap $(BUILD)/build.ninja
	@cmake --build $(BUILD) --target tellwick tellwickctl nettop system_profiler tellwick_resources -j $(JOBS)

run: programs
	@scripts/run $(BUILD)

demo: programs
	@scripts/demo $(BUILD)

test: build
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

unit: build
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS) -L unit

# The unit tests once more under AddressSanitizer and UndefinedBehaviorSanitizer.
sanitize: bootstrap
	@cmake -S . -B $(SANITIZE_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTELLWICK_SANITIZE=ON -DTELLWICK_BENCH=OFF >/dev/null
	@cmake --build $(SANITIZE_BUILD) -j $(JOBS)
	@cd $(SANITIZE_BUILD) && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ctest --output-on-failure -j $(JOBS) -L unit

bench: build
	@scripts/bench $(BUILD)

# The helper under load, with a hung tool, idle and killed mid-write: every bench/stress/*.sh,
# each printing its figures. Not part of `make test`.
stress: build
	@status=0; for s in bench/stress/*.sh; do echo "== $$s"; $$s $(BUILD) || status=1; done; exit $$status

# The threaded pieces (posts handed to the channel's loop from other threads,
# the process runner's worker threads, the bounded hardware reads) under
# ThreadSanitizer.
TSAN_BUILD ?= build-tsan
tsan: bootstrap
	@cmake -S . -B $(TSAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTELLWICK_BENCH=OFF \
	  -DCMAKE_C_FLAGS=-fsanitize=thread -DCMAKE_CXX_FLAGS=-fsanitize=thread \
	  -DCMAKE_EXE_LINKER_FLAGS=-fsanitize=thread >/dev/null
	@cmake --build $(TSAN_BUILD) --target bus_contract_test process_runner_test os_sensors_test -j $(JOBS)
	@TSAN_OPTIONS=halt_on_error=1 $(TSAN_BUILD)/tests/bus_contract_test
	@TSAN_OPTIONS=halt_on_error=1 $(TSAN_BUILD)/tests/process_runner_test
	@TSAN_OPTIONS=halt_on_error=1 $(TSAN_BUILD)/tests/os_sensors_test

fuzz: bootstrap
	@scripts/fuzz

# scripts/install: configured for PREFIX (the client library looks for the
# installation under the prefix it was built for), only what is installed is
# built, as the checkout's owner even under sudo; DESTDIR, when given, is put
# in front of every installed path. scripts/uninstall removes exactly what the
# installation's manifest lists.
install: bootstrap
	@DESTDIR=$(call shell_word,$(DESTDIR)) scripts/install $(call shell_word,$(BUILD)) \
	  $(call shell_word,$(PREFIX)) $(CMAKE_FLAGS)

uninstall:
	@DESTDIR=$(call shell_word,$(DESTDIR)) scripts/uninstall $(call shell_word,$(PREFIX))

# A Debian package of the same tree for /usr: $(PACKAGE_BUILD)/tellwick_<version>_<arch>.deb,
# installable with apt install ./$(PACKAGE_BUILD)/tellwick_*.deb, and checked by lintian.
package: bootstrap
	@cmake -S . -B $(PACKAGE_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=/usr \
	  -DTELLWICK_BENCH=OFF >/dev/null
	@cmake --build $(PACKAGE_BUILD) --target tellwick_installables -j $(JOBS)
	@cd $(PACKAGE_BUILD) && rm -f tellwick_*.deb && cpack -G DEB >/dev/null && ls $$PWD/tellwick_*.deb
	@lintian --fail-on error $(PACKAGE_BUILD)/tellwick_*.deb

clean:
	rm -rf $(BUILD) $(SANITIZE_BUILD) $(TSAN_BUILD) $(PACKAGE_BUILD)
