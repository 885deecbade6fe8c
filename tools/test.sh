#!/usr/bin/env bash
# Installs what is needed, builds everything and runs the whole test suite,
# then builds and runs the same tests with the address and undefined-
# behaviour sanitizers. Exits non-zero on any failure.
#   tools/test.sh            both builds
#   tools/test.sh --quick    the normal build only
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

bash tools/install-deps.sh

export CCACHE_BASEDIR="$root"
export CCACHE_NOHASHDIR=true
export CCACHE_SLOPPINESS=time_macros,include_file_mtime,include_file_ctime
jobs=$(nproc)

run_build() {
  local dir=$1; shift
  cmake -S . -B "$dir" -G Ninja "$@"
  cmake --build "$dir" -j "$jobs"
  ctest --test-dir "$dir" --output-on-failure -j "$jobs" --timeout 600
}

run_build build -DCMAKE_BUILD_TYPE=Release

if [ "${1:-}" != "--quick" ]; then
  export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:strict_string_checks=1
  export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
  run_build build-sanitize -DKVX_SANITIZE=ON -DKVX_BUILD_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug
fi
