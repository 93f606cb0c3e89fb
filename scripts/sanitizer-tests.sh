#!/usr/bin/env bash
# Builds the suites with AddressSanitizer + UndefinedBehaviorSanitizer and runs them.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset asan
cmake --build --preset asan
ctest --preset asan
