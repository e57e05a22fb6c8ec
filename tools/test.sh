#!/usr/bin/env bash
# Every test of the project, from a fresh Debian machine: installs what is missing,
# builds all presets and runs the native unit tests (under AddressSanitizer and UBSan),
# the fuzzer, the checks of the shipped file, the platform contract tests under Wine
# and the end-to-end tests of the real program in a real X display.
#
#   tools/test.sh            everything
#   FUZZ_SECONDS=N           how long the fuzzer runs (default 30)
set -uo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

passed=0
failed=0
failures=()
stage() { # name command...
    local name=$1
    shift
    echo
    echo "==== $name"
    if "$@"; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        failures+=("$name")
        echo "==== FAILED: $name"
    fi
}
build() { cmake --preset "$1" >/dev/null && cmake --build --preset "$1"; }

bash tools/setup.sh || { echo "setup failed"; exit 1; }

stage "resources are generated from their source" python3 tools/make-resources.py --check
stage "native build" build native
stage "native unit and contract tests (ASan, UBSan)" ctest --preset native
stage "fuzz build" build fuzz
mkdir -p build/fuzz/corpus
stage "fuzzing the path scanners" ./build/fuzz/fuzz_paths -max_total_time="${FUZZ_SECONDS:-30}" \
    -print_final_stats=0 build/fuzz/corpus
stage "32-bit build" build win32
stage "the shipped file is hardened and lean" tools/check-pe.sh build/win32/Tavrilon.exe
stage "two clean builds of the shipped file are identical" tools/check-reproducible.sh
stage "the player's package builds and its SHA256SUMS match" tools/check-release.sh
stage "64-bit build" build win64
stage "64-bit file" tools/check-pe.sh build/win64/Tavrilon.exe
stage "contract tests under Wine" ctest --preset win64
stage "end-to-end tests, 64-bit build under Wine" python3 tests/e2e/test_window.py --bits 64
stage "end-to-end tests of the link under Wine (64-bit, and the shipped 32-bit build)" python3 tests/e2e/test_hyperlink.py
stage "no DLL planted in the game folder runs (64-bit, and the shipped 32-bit build)" python3 tests/e2e/test_planted_dlls.py
stage "end-to-end tests, 32-bit build under Wine" python3 tests/e2e/test_window.py --bits 32

echo
for f in "${failures[@]}"; do echo "failed: $f"; done
echo "stages: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
