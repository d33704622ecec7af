#!/usr/bin/env bash
# Installs the Debian packages that the build, the tests and the demo need,
# when any of them is missing. Runs `apt-get update` only when it has to
# install something. As non-root it prints the command to run and fails.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config ccache
  qt6-base-dev qt6-multimedia-dev libgl-dev qt6-translations-l10n
  libsqlite3-dev libpq-dev postgresql haproxy libboost-dev libboost-thread-dev libboost-system-dev
  libcurl4-openssl-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth fonts-wqy-microhei
  python3-pyatspi at-spi2-core dbus-daemon dbus-bin xdotool
  clang lld libfuzzer-14-dev libclang-rt-14-dev
  python3 curl
  dpkg-dev appstream desktop-file-utils
  systemd
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

cmd="apt-get install -y --no-install-recommends ${missing[*]}"
if [ "$(id -u)" -ne 0 ]; then
  echo "Missing packages: ${missing[*]}" >&2
  echo "Run as root: apt-get update && $cmd" >&2
  exit 1
fi

echo "Installing: ${missing[*]}" >&2
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
# shellcheck disable=SC2086
apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
