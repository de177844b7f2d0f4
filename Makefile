# Entry points. Each one first makes sure the Debian packages are there.
BUILD      ?= build
BUILD_ASAN ?= build-asan
BUILD_TSAN ?= build-tsan
CMAKE_GEN  := -G Ninja
CTEST_ARGS ?= --output-on-failure -j2
# The library tests (ctest label "lib") and what they need.
LIB_TESTS  := krncore_tests krnutil_tests krnstream_tests krnstream_thread_tests dashcam-samplegen

.PHONY: all deps configure build test test-asan test-tsan bench run clean

all: build

deps:
	@scripts/install-deps.sh

$(BUILD)/build.ninja: CMakeLists.txt | deps
	cmake -S . -B $(BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo

configure: deps $(BUILD)/build.ninja

build: configure
	cmake --build $(BUILD)

test: build
	ctest --test-dir $(BUILD) $(CTEST_ARGS)

# The library tests under AddressSanitizer and UBSan.
test-asan: deps
	cmake -S . -B $(BUILD_ASAN) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Debug -DKRN_SANITIZE=ON
	cmake --build $(BUILD_ASAN) --target $(LIB_TESTS)
	ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
	  ctest --test-dir $(BUILD_ASAN) -L lib $(CTEST_ARGS)

# The threaded library tests under ThreadSanitizer.
test-tsan: deps
	cmake -S . -B $(BUILD_TSAN) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Debug -DKRN_TSAN=ON
	cmake --build $(BUILD_TSAN) --target krncore_tests krnstream_thread_tests engine_state_tests
	ctest --test-dir $(BUILD_TSAN) -L threads $(CTEST_ARGS)

bench: build
	cmake --build $(BUILD) --target bench

# Builds everything (the demo card included) and starts the program as users
# do, through the launcher, which starts the viewer beside it on the demo card.
run: build
	"$(BUILD)/viewer/dashlauncher" "$(BUILD)/demo-card"

clean:
	rm -rf $(BUILD) $(BUILD_ASAN) $(BUILD_TSAN)
