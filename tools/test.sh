#!/usr/bin/env bash
# Installs what is needed, builds everything with the address and
# undefined-behaviour sanitizers and runs the whole test suite in that build.
# (A normal build would run the same tests without checking more, so CI
# builds only this one.) Exits non-zero on any failure.
#   tools/test.sh            the sanitizer build in build-sanitize/
#   tools/test.sh --quick    a normal optimised build in build/, the same tests
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

bash tools/install-deps.sh

export CCACHE_BASEDIR="$root"
export CCACHE_NOHASHDIR=true
export CCACHE_SLOPPINESS=pch_defines,time_macros,include_file_mtime,include_file_ctime
jobs=$(nproc)

run_build() {
  local dir=$1; shift
  cmake -S . -B "$dir" -G Ninja -DKVX_BUILD_BENCH=OFF "$@"
  cmake --build "$dir" -j "$jobs"
  # Twice as many tests as cores: many of them spend their time waiting for
  # the servers and programs they start. The x11 tests drive real programs
  # by their timing as a user would; they run afterwards, one at a time,
  # on a quiet machine.
  ctest --test-dir "$dir" --output-on-failure --no-tests=error -j "$((jobs * 2))" --timeout 600 -LE x11
  ctest --test-dir "$dir" --output-on-failure --no-tests=error -j 1 --timeout 600 -L x11
}

if [ "${1:-}" = "--quick" ]; then
  run_build build -DKVX_SANITIZE=OFF -DCMAKE_BUILD_TYPE=Release
else
  export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:strict_string_checks=1
  export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
  run_build build-sanitize -DKVX_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug
fi
