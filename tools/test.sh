#!/usr/bin/env bash
# Installs what is needed, builds and tests. Exits non-zero on any failure.
#   tools/test.sh          the sanitizer build in build-sanitize/ (address and
#                          undefined-behaviour checks), the whole test suite
#   tools/test.sh --quick  a normal optimised build in build/, the same tests
#   tools/test.sh --fuzz   the fuzz targets with clang 14 in build-fuzz/ (the
#                          README's fuzzing build); each runs over its seed
#                          corpus and then fuzzes for KVX_FUZZ_SECONDS (15)
#   tools/test.sh --werror the optimised build of the libraries and programs
#                          with warnings as errors in build-werror/, without
#                          the tests (the sanitizer build builds and runs
#                          them, with more checks)
#   tools/test.sh --ci     what CI runs: the default, --werror and --fuzz; the
#                          sanitizer build first, with warnings as errors (so
#                          that the tests too are checked for warnings),
#                          then its tests beside the
#                          other two builds, which take the processor time the
#                          tests leave while they wait (at a lower priority);
#                          a failing part does not stop the others, so that one
#                          run shows every failure, and builds keep going past
#                          a failed file
# In the sanitizer builds, leaks inside third-party libraries are suppressed
# by tools/lsan.supp, library by library; a leak of our own still fails.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

mode=${1:-}
case "$mode" in
  "" | --quick | --fuzz | --werror | --ci) ;;
  *) echo "usage: tools/test.sh [--quick | --fuzz | --werror | --ci]" >&2; exit 2 ;;
esac

bash tools/install-deps.sh

export CCACHE_BASEDIR="$root"
export CCACHE_NOHASHDIR=true
export CCACHE_SLOPPINESS=pch_defines,time_macros,include_file_mtime,include_file_ctime
jobs=$(nproc)

# Under --ci a build goes on past a failed file, to show every failure.
keep_going=()

# The processor time of the finished children of the shell with the process
# id given, in whole seconds (user and system).
children_cpu() {
  awk -v tick="$(getconf CLK_TCK)" '{ printf "%d", ($16 + $17) / tick }' "/proc/$1/stat"
}

# Runs a step and prints how long it took and the processor time it used
# (which a busy machine inflates less), for the CI log; its status is the
# step's.
step() {
  local name=$1 start=$SECONDS self=$BASHPID cpu status=0; shift
  cpu=$(children_cpu "$self")
  "$@" || status=$?
  echo "test.sh: $name took $((SECONDS - start)) s, $(($(children_cpu "$self") - cpu)) s of processor time$([ $status -eq 0 ] || echo ", FAILED ($status)")"
  return $status
}

configure_and_build() {
  local dir=$1; shift
  cmake -S . -B "$dir" -G Ninja -DKVX_BUILD_BENCH=OFF "$@" || return 1
  cmake --build "$dir" -j "$jobs" ${keep_going[@]+"${keep_going[@]}"}
}

run_tests() {
  local dir=$1
  # Twice as many tests as cores: many of them spend their time waiting for
  # the servers and programs they start. The x11 tests drive real programs
  # as a user would; they run afterwards, one at a time.
  local status=0
  ctest --test-dir "$dir" --output-on-failure --no-tests=error -j "$((jobs * 2))" --timeout 600 -LE x11 || status=1
  ctest --test-dir "$dir" --output-on-failure --no-tests=error -j 1 --timeout 600 -L x11 || status=1
  return $status
}

sanitizer_environment() {
  export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:strict_string_checks=1
  export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
  export LSAN_OPTIONS="suppressions=$root/tools/lsan.supp"
}

sanitizer_only_build() {
  step "sanitizer build" configure_and_build build-sanitize -DKVX_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug "$@"
}

sanitizer_build() {
  sanitizer_environment
  sanitizer_only_build -DKVX_WERROR=OFF || return 1
  step "sanitizer tests" run_tests build-sanitize
}

quick_build() {
  step "optimised build" configure_and_build build -DKVX_SANITIZE=OFF -DCMAKE_BUILD_TYPE=Release || return 1
  step "optimised tests" run_tests build
}

werror_build() {
  # In batches (a unity build), which halves its time; the sanitizer build
  # compiles file by file, so every file is still checked on its own. The
  # tests are left out: they are most of the tree's compile time, and CI's
  # sanitizer build compiles them with warnings as errors.
  step "optimised build with warnings as errors" \
    configure_and_build build-werror -DKVX_SANITIZE=OFF -DKVX_WERROR=ON -DCMAKE_BUILD_TYPE=Release -DKVX_UNITY_BUILD=ON \
    -DKVX_BUILD_TESTS=OFF
}

# One fuzz target: its seed corpus, then new inputs for a fixed time. New
# inputs go to a scratch folder, never into the source tree; a crash leaves
# its input in build-fuzz/crashes/.
fuzz_one() {
  local name=$1 seconds=$2
  local work="build-fuzz/fuzz-work/$name"
  mkdir -p "$work" build-fuzz/crashes
  if "build-fuzz/bin/fuzz_$name" -max_total_time="$seconds" -timeout=30 -rss_limit_mb=2048 \
      -print_final_stats=1 -artifact_prefix="build-fuzz/crashes/$name-" \
      "$work" "fuzz/corpus/$name" > "build-fuzz/fuzz-work/$name.log" 2>&1; then
    echo "fuzz: $name passed ($(grep -m1 -o 'stat::number_of_executed_units: *[0-9]*' \
      "build-fuzz/fuzz-work/$name.log" | awk '{print $2}') runs)"
  else
    echo "fuzz: $name FAILED"
    tail -n 60 "build-fuzz/fuzz-work/$name.log"
    return 1
  fi
}

fuzz_build() {
  # The README's fuzzing build, as written there.
  step "fuzz build" bash -c 'CC=clang-14 CXX=clang++-14 cmake -S . -B build-fuzz -G Ninja -DKVX_FUZZ=ON \
    -DKVX_BUILD_TESTS=OFF -DKVX_BUILD_BENCH=OFF && cmake --build build-fuzz --target fuzz_targets "$@"' _ \
    ${keep_going[@]+"${keep_going[@]}"} || return 1
  local seconds=${KVX_FUZZ_SECONDS:-15}
  rm -rf build-fuzz/fuzz-work build-fuzz/crashes
  mkdir -p build-fuzz/fuzz-work
  local names=()
  for corpus in fuzz/corpus/*/; do names+=("$(basename "$corpus")"); done
  for binary in build-fuzz/bin/fuzz_*; do
    [ -d "fuzz/corpus/${binary##*/fuzz_}" ] || { echo "fuzz: ${binary##*/} has no seed corpus" >&2; return 1; }
  done
  export -f fuzz_one
  export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0
  export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
  export LSAN_OPTIONS="suppressions=$root/tools/lsan.supp"
  local start=$SECONDS
  # One target per core at a time.
  local status=0
  printf '%s\n' "${names[@]}" | xargs -P "$jobs" -I{} bash -c 'fuzz_one "$1" "$2"' _ {} "$seconds" || status=1
  echo "test.sh: ${#names[@]} fuzz targets, ${seconds} s each, took $((SECONDS - start)) s"
  return $status
}

case "$mode" in
  "") sanitizer_build ;;
  --quick) quick_build ;;
  --werror) werror_build ;;
  --fuzz) fuzz_build ;;
  --ci)
    keep_going=(-- -k 0)
    failed=()
    sanitizer_environment
    sanitizer_only_build -DKVX_WERROR=ON || failed+=(sanitizer)
    # The optimised and fuzzing builds run beside the tests, at a lower
    # priority; their log follows the tests' log.
    others=$(mktemp -d)
    (
      renice -n 10 -p "$BASHPID" > /dev/null
      werror_build || echo werror >> "$others/failed"
      fuzz_build || echo fuzz >> "$others/failed"
    ) > "$others/log" 2>&1 &
    builds=$!
    if [ ${#failed[@]} -eq 0 ]; then
      step "sanitizer tests" run_tests build-sanitize || failed+=(sanitizer)
    fi
    wait "$builds" || true
    cat "$others/log"
    [ -f "$others/failed" ] && mapfile -t -O ${#failed[@]} failed < "$others/failed"
    rm -rf "$others"
    if [ ${#failed[@]} -gt 0 ]; then
      echo "test.sh: FAILED: ${failed[*]}" >&2
      exit 1
    fi
    ;;
esac
