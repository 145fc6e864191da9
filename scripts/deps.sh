#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the editor need.
# As root it runs apt-get; otherwise it prints the exact command and fails.
set -euo pipefail

KAOCG_PACKAGES=(
  cmake g++ ninja-build
  libgtest-dev libgmock-dev libbenchmark-dev
  libsquish-dev
  qt6-base-dev
  fonts-noto-cjk
  libjpeg-turbo-progs imagemagick
  xvfb xauth
)

missing=()
for p in "${KAOCG_PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if ((${#missing[@]})); then
  if [[ $(id -u) -eq 0 ]]; then
    echo "installing: ${missing[*]}"
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
  else
    echo "missing packages; run as root:" >&2
    echo "  apt-get update && apt-get install -y ${missing[*]}" >&2
    exit 1
  fi
fi
