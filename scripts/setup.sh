#!/usr/bin/env bash
# Installs the Debian packages the build, the program and the tests need (only what is missing).
set -euo pipefail
packages=(g++ cmake ninja-build pkg-config ccache qt6-base-dev portaudio19-dev libjack-jackd2-dev
  libasound2-dev libsndfile1-dev libsoxr-dev libfreetype-dev libfontconfig-dev fonts-liberation
  libpng-dev libgtest-dev libbenchmark-dev
  xvfb xauth xdotool x11-utils imagemagick jackd2 clang libclang-rt-14-dev clang-format
  qt6-translations-l10n desktop-file-utils appstream shared-mime-info dpkg-dev lintian
  tesseract-ocr tesseract-ocr-deu)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  echo "Installing: ${missing[*]}"
  echo "jackd2 jackd/tweak_rt_limits boolean false" | $sudo debconf-set-selections
  $sudo apt-get update -q
  $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
