#!/usr/bin/env bash
# Installs the Debian packages that building and testing need, when any is
# missing; with --fuzz also those of the fuzz targets.
set -euo pipefail
packages=(cmake g++ make pkg-config qt6-base-dev libgsm1-dev libtiff-dev libtiff-tools
          libasound2-dev fonts-dejavu-core libgtest-dev libgmock-dev xdg-utils sox
          python3 libglib2.0-bin shared-mime-info poppler-utils
          # Whole-program runs drive pellow's keys and the viewer's drops on a
          # private X server (the drops with a window manager).
          xvfb xdotool openbox)
# The fuzz targets (tools/run-fuzz.sh) need clang and its libFuzzer runtime.
if [ "${1:-}" = "--fuzz" ]; then
  packages+=(clang libclang-rt-dev)
fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
