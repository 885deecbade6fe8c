#!/usr/bin/env bash
# Installs every Debian package the project needs. Idempotent: when all are
# present it does nothing. With --bench it also installs the packages that
# only the benchmarks use. The servers that the integration tests start on
# loopback with configurations of their own come with system services of
# their packages; those that this script installs are stopped and disabled,
# so that no FTP, web, proxy or SSH service answers on the machine afterwards.
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

# The SSH server that the tests start needs its separation folder when it
# runs as root; the folder lives in /run, which a restart empties.
if [ "$(id -u)" -eq 0 ] && [ -x /usr/sbin/sshd ] && [ ! -d /run/sshd ]; then
  mkdir -p -m 0755 /run/sshd
fi

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

# Packages whose system service the tests never use.
services=(vsftpd:vsftpd lighttpd:lighttpd tinyproxy:tinyproxy openssh-server:ssh)
for entry in "${services[@]}"; do
  pkg=${entry%%:*} service=${entry#*:}
  [[ " ${missing[*]} " == *" $pkg "* ]] || continue
  if [ -d /run/systemd/system ] && command -v systemctl >/dev/null; then
    $sudo systemctl disable --now "$service" >/dev/null 2>&1 || true
  else
    $sudo update-rc.d "$service" disable >/dev/null 2>&1 || true
    $sudo invoke-rc.d "$service" stop >/dev/null 2>&1 || true
  fi
  echo "install-deps: the system service $service is stopped and disabled (the tests start their own)"
done
if [ "$(id -u)" -eq 0 ] && [ -x /usr/sbin/sshd ] && [ ! -d /run/sshd ]; then
  mkdir -p -m 0755 /run/sshd
fi
