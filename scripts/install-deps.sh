#!/usr/bin/env bash
# Installs the Debian 12 packages that building, running and testing Halvorn need, when missing.
# Usage: scripts/install-deps.sh [test]   (with "test", also what the tests and sanitizer builds need)
set -euo pipefail

packages=(build-essential cmake pkg-config ccache juce-modules-source
          libfreetype-dev libpng-dev libjpeg-dev zlib1g-dev libx11-dev)
if [ "${1:-}" = "test" ]; then
    packages+=(libgtest-dev libbenchmark-dev clang libclang-rt-14-dev xvfb xdotool x11-utils imagemagick)
fi

missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done

if [ "${#missing[@]}" -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    if [ "$(id -u)" -ne 0 ]; then sudo=sudo; else sudo=; fi
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
