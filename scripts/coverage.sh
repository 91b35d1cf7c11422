#!/usr/bin/env bash
# Line coverage of the code outside tests/ by the whole ctest suite: builds with --coverage into
# build-coverage/, runs every test against throwaway MariaDB servers and prints gcovr's summary
# (the full table in build-coverage/coverage.txt).
#   scripts/coverage.sh            TAVREL_TESTDB_DIR names the servers' folder, as for ./test
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh coverage

jobs=$(nproc)
cmake -S . -B build-coverage -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTAVREL_BENCH=OFF \
  -DCMAKE_CXX_FLAGS=--coverage -DCMAKE_EXE_LINKER_FLAGS=--coverage -DCMAKE_SHARED_LINKER_FLAGS=--coverage >/dev/null
cmake --build build-coverage -j "$jobs"
find build-coverage -name '*.gcda' -delete

eval "$(scripts/testdb.sh start)"
trap 'scripts/testdb.sh stop' EXIT
export TAVREL_REQUIRE_MYSQL=1 QT_QPA_PLATFORM=offscreen
# A failing test still counts for what it ran; the summary says so.
status=0
ctest --test-dir build-coverage -j "$jobs" --output-on-failure >build-coverage/ctest.log || status=$?
tail -n 3 build-coverage/ctest.log

# Generated files (moc, autogen) and the tests themselves are not the code measured.
gcovr --root . build-coverage --exclude 'tests/' --exclude 'build-coverage/' --exclude 'bench/' --exclude 'fuzz/' \
  --txt build-coverage/coverage.txt --print-summary 2>/dev/null |
  grep -E '^(lines|branches):'
exit "$status"
