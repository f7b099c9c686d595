#!/usr/bin/env bash
# Installs what building, running and testing the tool needs on Debian 12.
set -euo pipefail

packages=(
  build-essential cmake ninja-build git python3
  googletest libgtest-dev libgmock-dev
  libcli11-dev nlohmann-json3-dev
  libhidapi-dev libudev-dev libssl-dev
  g++-mingw-w64-x86-64-posix wine wine64
  # Recommended by wine, so not installed with --no-install-recommends: without
  # them Wine draws Arial wider (the status texts break) and the caption buttons'
  # symbols as letters.
  fonts-liberation fonts-wine
  mingw-w64-x86-64-dev  # kernel and HID class import libraries, for the virtual mouse driver
  g++-mingw-w64-i686-posix wine32:i386
  xvfb x11-utils imagemagick xdotool tesseract-ocr
  clang-format clang libclang-rt-14-dev
  dpkg-dev lintian
  # The Debian package's manual page, completion and service checks (man, bash's
  # completion, systemd-analyze); the station's board under tmux; its figures
  # through promtool, a real node exporter and prometheus.
  man-db bash-completion systemd tmux prometheus prometheus-node-exporter
  umockdev libumockdev-dev  # emulated hidraw mice for the Linux driver library's tests
)

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
# The 32-bit Windows build runs under 32-bit Wine, from Debian's i386 architecture.
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  echo "Adding the i386 architecture (for wine32)"
  $SUDO dpkg --add-architecture i386
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
