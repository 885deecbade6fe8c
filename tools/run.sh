#!/usr/bin/env bash
# Installs what is missing, builds the main program with the libraries it
# loads, and starts Quenzel. Its data file is made fresh in the per-user
# data folder on the first start. Arguments go to the program.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/tools/install-deps.sh"
build="$root/build"
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKVX_BUILD_BENCH=OFF
fi
jobs=$(nproc 2>/dev/null || echo 2)
cmake --build "$build" -j"$jobs" --target Quenzel
exec "$build/bin/Quenzel" "$@"
