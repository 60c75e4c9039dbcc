#!/usr/bin/env bash
# Installs what is missing, builds everything (Release) and runs the whole suite with CTest;
# then builds the frame-server tests with AddressSanitizer and UndefinedBehaviorSanitizer in
# build-asan/ and runs those (label "sanitize") there.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh packages-build.txt packages-test.txt
scripts/configure.sh
cmake --build build
ctest --test-dir build --output-on-failure -j "$(nproc)" "$@"

launcher=()
if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBREVANTA_SANITIZE=address,undefined \
    -DBREVANTA_BENCH=OFF "${launcher[@]}" >/dev/null
# Only what the labelled tests need.
cmake --build build-asan --target test_avs_script test_avs_ffms test_avs_c_api test_avs_format_sweep \
    avs_script_fuzz avs_video_fuzz fuzz_mo_catalog brevanta_avs
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1 \
UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
LSAN_OPTIONS=suppressions=$PWD/tests/sanitize/lsan.supp \
    ctest --test-dir build-asan -L sanitize --output-on-failure -j "$(nproc)"
