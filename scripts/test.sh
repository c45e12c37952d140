#!/bin/sh
# Installs the dependencies, builds everything and runs the whole test suite.
#   ./scripts/test.sh                               plain build in ./build
#   BUILD=build-asan ./scripts/test.sh -DKT900_SANITIZE=ON   AddressSanitizer + UBSan
#   BUILD=build-tsan ./scripts/test.sh -DKT900_TSAN=ON       ThreadSanitizer
# Extra arguments go to cmake's configure step.
set -e
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
BUILD=${BUILD:-build}
cmake -S . -B "$BUILD" -G Ninja "$@"
cmake --build "$BUILD"
ctest --test-dir "$BUILD" --output-on-failure -j2
