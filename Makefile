# Parcelo / Velmora: every workflow goes through these targets.
#   make deps    install the Debian packages the build and the tests need (only when missing)
#   make build   configure and build in build/
#   make test    deps + build + every test
#   make run     deps + build + start the desktop program
#   make bench   deps + build + the benchmarks against peer tools
#   make install install the library, the programs and their data (PREFIX=/usr/local)

BUILD_DIR   ?= build
BUILD_TYPE  ?= Release
PREFIX      ?= /usr/local
JOBS        ?= $(shell nproc)
# Most tests wait on servers, sockets and clocks rather than the processor:
# twice as many run at once as there are cores.
TEST_JOBS   ?= $(shell echo $$(( $$(nproc) * 2 )))

DEB_PACKAGES := cmake g++ ninja-build pkg-config \
	libsqlite3-dev zlib1g-dev libssl-dev libssh-dev libgtest-dev libgmock-dev libcli11-dev qt6-base-dev \
	python3-pyftpdlib python3-openssl openssl unzip zip 7zip sqlite3 openssh-server openssh-client zsh groff-base \
	libsecret-1-dev gnome-keyring dbus libsecret-tools xvfb openbox xdotool x11-utils

.PHONY: deps build test test-tsan test-asan sanitizer-build run bench install clean

deps:
	@./tools/install-deps $(DEB_PACKAGES)

$(BUILD_DIR)/build.ninja:
	@cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) \
		-DCMAKE_INSTALL_PREFIX=$(PREFIX) > $(BUILD_DIR).configure.log 2>&1 \
		|| (cat $(BUILD_DIR).configure.log; false)

build: deps $(BUILD_DIR)/build.ninja
	@cmake --build $(BUILD_DIR) -j $(JOBS) > $(BUILD_DIR)/build.log 2>&1 \
		|| (cat $(BUILD_DIR)/build.log; false)

test: build
	@./tools/run-tests $(BUILD_DIR) $(TEST_JOBS)

# The same tests built with ThreadSanitizer, for the code that crosses threads.
test-tsan: deps
	@$(MAKE) --no-print-directory BUILD_DIR=build-tsan BUILD_TYPE=RelWithDebInfo \
		SANITIZE=thread sanitizer-build
	@TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$(CURDIR)/tools/tsan.supp" ./tools/run-tests build-tsan $(JOBS) -L tsan

# Every test built with AddressSanitizer and UndefinedBehaviorSanitizer: memory
# faults and undefined behaviour stop the test that meets them. Unoptimised,
# which builds in about half the time and hides no access from the checks.
# The package test is left out: its consumer links the plain installed library.
test-asan: deps
	@$(MAKE) --no-print-directory BUILD_DIR=build-asan BUILD_TYPE=Debug \
		SANITIZE=address,undefined sanitizer-build
	@ASAN_OPTIONS="detect_leaks=1" \
		LSAN_OPTIONS="suppressions=$(CURDIR)/tools/lsan.supp" \
		UBSAN_OPTIONS="halt_on_error=1 print_stacktrace=1" ./tools/run-tests build-asan $(JOBS) -LE package

sanitizer-build:
	@cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) \
		-DVELMORA_SANITIZE=$(SANITIZE) > $(BUILD_DIR).configure.log 2>&1 \
		|| (cat $(BUILD_DIR).configure.log; false)
	@cmake --build $(BUILD_DIR) -j $(JOBS) > $(BUILD_DIR)/build.log 2>&1 \
		|| (cat $(BUILD_DIR)/build.log; false)

run: build
	@./tools/run-desktop $(BUILD_DIR)

bench: build
	@./bench/run $(BUILD_DIR)

# The prefix is the one named now, not the one the build was first configured
# with: the pkg-config and CMake package files are configured with it.
install: deps $(BUILD_DIR)/build.ninja
	@cmake -S . -B $(BUILD_DIR) -DCMAKE_INSTALL_PREFIX=$(PREFIX) > $(BUILD_DIR).configure.log 2>&1 \
		|| (cat $(BUILD_DIR).configure.log; false)
	@$(MAKE) --no-print-directory build
	@cmake --install $(BUILD_DIR)

clean:
	rm -rf $(BUILD_DIR) build-tsan build-asan $(BUILD_DIR).configure.log build-tsan.configure.log \
		build-asan.configure.log
