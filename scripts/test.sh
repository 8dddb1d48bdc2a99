#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite.
# With CI=true the tests also run in the sanitizer build (AddressSanitizer +
# UndefinedBehaviorSanitizer), and the Debian package is built, installed,
# checked and removed again (scripts/package-check.sh), before the main run,
# whose ctest summary ends the output.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup-deps.sh

jobs=$(nproc 2>/dev/null || echo 2)

if [ "${CI:-}" = "true" ]; then
  echo "== sanitizer build =="
  cmake --preset asan >/dev/null
  cmake --build --preset asan -j "$jobs"
  ctest --preset asan -j "$jobs" --timeout 600
  bash scripts/package-check.sh
fi

echo "== main build =="
cmake --preset default >/dev/null
cmake --build --preset default -j "$jobs"
ctest --preset default -j "$jobs" --timeout 600
