# Dabrix: the two everyday commands are `make demo` and `make test`.
BUILD      ?= build
JOBS       ?= 2
CMAKE_ARGS ?=
TEST_ENV   ?=

.PHONY: all deps configure build test demo soak test-asan test-tsan clean package package-check

all: build

deps:
	@scripts/install-deps.sh

$(BUILD)/build.ninja:
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_ARGS)

configure: deps $(BUILD)/build.ninja

build: configure
	cmake --build $(BUILD) -j$(JOBS)

test: build
	$(TEST_ENV) QT_QPA_PLATFORM=offscreen ctest --test-dir $(BUILD) --output-on-failure -j$(JOBS) --timeout 600

demo: build
	scripts/demo.sh $(BUILD)

# A long run of the real window against the gauge simulator (about seven minutes here):
# a million readings, then 200 unplugs and replugs. Not part of `make test`.
soak: configure
	cmake --build $(BUILD) -j$(JOBS) --target dabrix_soak
	QT_QPA_PLATFORM=offscreen $(BUILD)/tests/soak/dabrix_soak

# Undefined behaviour fails the test that shows it, as a memory fault does.
test-asan:
	$(MAKE) test BUILD=build-asan CMAKE_ARGS="-DDABRIX_SANITIZE=address -DDABRIX_BUILD_BENCH=OFF" \
	  TEST_ENV="UBSAN_OPTIONS='halt_on_error=1 print_stacktrace=1'"

# Qt is not built with the thread checker: its own locking is invisible to it, so only
# races in instrumented code count; our hand-overs through Qt's event queue are marked.
# The build runs instrumented programs too (the manuals' window pictures), so the options
# hold for the whole run, not only for the tests.
test-tsan: export TSAN_OPTIONS = ignore_noninstrumented_modules=1 second_deadlock_stack=1
test-tsan:
	$(MAKE) test BUILD=build-tsan CMAKE_ARGS="-DDABRIX_SANITIZE=thread -DDABRIX_BUILD_BENCH=OFF"

# The Debian package (CPack), from a build of its own without tests and benchmarks:
# $(PACKAGE_BUILD)/dabrix_<version>_<arch>.deb.
# Compiled with Debian's hardening flags, as its own packages are.
PACKAGE_BUILD ?= build-package
package: deps
	export DEB_BUILD_MAINT_OPTIONS=hardening=+all; \
	CXXFLAGS="$$(dpkg-buildflags --get CPPFLAGS) $$(dpkg-buildflags --get CXXFLAGS)" \
	CFLAGS="$$(dpkg-buildflags --get CPPFLAGS) $$(dpkg-buildflags --get CFLAGS)" \
	LDFLAGS="$$(dpkg-buildflags --get LDFLAGS)" \
	cmake -S . -B $(PACKAGE_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DDABRIX_BUILD_TESTS=OFF -DDABRIX_BUILD_BENCH=OFF $(CMAKE_ARGS)
	cmake --build $(PACKAGE_BUILD) -j$(JOBS) --target package

# The package's metadata checked (desktop-file-validate, appstreamcli, lintian); then,
# as root, installed with apt-get, started from its desktop entry under Xvfb, and removed.
package-check: package
	scripts/package-check.sh $(PACKAGE_BUILD)

clean:
	rm -rf build build-asan build-tsan build-package

.PHONY: fuzz
fuzz:
	scripts/fuzz.sh
