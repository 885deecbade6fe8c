#!/usr/bin/env bash
# Installs every Debian package the project needs. Idempotent: when all are
# present it does nothing. With --bench it also installs the packages that
# only the benchmarks use.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

lists=("$here/packages.txt")
[ "${1:-}" = "--bench" ] && lists+=("$here/packages-bench.txt")

mapfile -t wanted < <(cat "${lists[@]}" | sed 's/#.*//' | awk 'NF {print $1}')

missing=()
for pkg in "${wanted[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null || true)
  [ "$status" = "install ok installed" ] || missing+=("$pkg")
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: all ${#wanted[@]} packages present"
  exit 0
fi

sudo=""
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null || { echo "install-deps: run as root or install sudo" >&2; exit 1; }
  sudo="sudo"
fi
echo "install-deps: installing ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
