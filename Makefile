# Entry points. Each one first makes sure the Debian packages are there.
BUILD      ?= build
BUILD_ASAN ?= build-asan
BUILD_TSAN ?= build-tsan
BUILD_FUZZ ?= build-fuzz
CMAKE_GEN  := -G Ninja
CTEST_ARGS ?= --output-on-failure -j2
# The library tests (ctest label "lib") and what they need.
LIB_TESTS  := krncore_tests krncore_lock_tests krnutil_tests krnstream_tests krnstream_thread_tests \
              dashcam-samplegen

.PHONY: all deps configure build test test-asan test-tsan bench run clean \
        fuzz-build fuzz-seeds fuzz fuzz-regress

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
	cmake --build $(BUILD_TSAN) --target krncore_tests krncore_lock_tests krnstream_thread_tests \
	  engine_state_tests
	ctest --test-dir $(BUILD_TSAN) -L threads $(CTEST_ARGS)

# Fuzzing (libFuzzer, clang-14, ASan+UBSan) in a build of its own. Each harness
# fuzz/<name>_fuzz.cpp keeps the inputs worth keeping in fuzz/corpus/<name>/.
# `make fuzz` runs every harness FUZZ_SECONDS seconds in turn (niced), starting
# from the saved corpus and fresh seeds made by the sample generator and ffmpeg;
# what it finds new goes to $(BUILD_FUZZ)/corpus/<name>/, a crash, a hang
# (over 1 s for one input) or a leak to $(BUILD_FUZZ)/artifacts/ and stops it.
# `make fuzz-regress` runs every harness once over its saved corpus.
FUZZERS      := mp4_reader avi_reader h264 h265 mp3 aac base64 recording_name zip_reader config_bin
FUZZ_SECONDS ?= 60
FUZZ_FLAGS   ?= -timeout=1 -rss_limit_mb=2048 -max_len=131072
FUZZ_ENV     := ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1 \
                UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

fuzz-build: deps
	CC=clang-14 CXX=clang++-14 cmake -S . -B $(BUILD_FUZZ) $(CMAKE_GEN) \
	  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKRN_FUZZ=ON
	cmake --build $(BUILD_FUZZ) --target fuzzers dashcam-samplegen

fuzz-seeds: fuzz-build
	rm -rf $(BUILD_FUZZ)/seeds
	scripts/make-fuzz-seeds.sh $(BUILD_FUZZ)/tools/samplegen/dashcam-samplegen $(BUILD_FUZZ)/seeds

fuzz: fuzz-seeds
	@set -e; for f in $(FUZZERS); do \
	  mkdir -p $(BUILD_FUZZ)/corpus/$$f $(BUILD_FUZZ)/artifacts $(BUILD_FUZZ)/seeds/$$f; \
	  echo "== $$f: $(FUZZ_SECONDS) s"; \
	  $(FUZZ_ENV) nice -n 10 $(BUILD_FUZZ)/fuzz/$${f}_fuzz $(FUZZ_FLAGS) \
	    -max_total_time=$(FUZZ_SECONDS) -print_final_stats=1 \
	    -artifact_prefix=$(BUILD_FUZZ)/artifacts/$$f- \
	    $(BUILD_FUZZ)/corpus/$$f fuzz/corpus/$$f $(BUILD_FUZZ)/seeds/$$f; \
	done

fuzz-regress: fuzz-build
	@set -e; for f in $(FUZZERS); do \
	  echo "== $$f: $$(ls fuzz/corpus/$$f | wc -l) inputs"; \
	  $(FUZZ_ENV) $(BUILD_FUZZ)/fuzz/$${f}_fuzz -timeout=1 -rss_limit_mb=2048 -runs=0 \
	    -artifact_prefix=$(BUILD_FUZZ)/ fuzz/corpus/$$f; \
	done

bench: build
	cmake --build $(BUILD) --target bench

# Builds everything (the demo card included) and starts the program as users
# do, through the launcher, which starts the viewer beside it on the demo card.
run: build
	"$(BUILD)/viewer/dashlauncher" "$(BUILD)/demo-card"

clean:
	rm -rf $(BUILD) $(BUILD_ASAN) $(BUILD_TSAN) $(BUILD_FUZZ)
