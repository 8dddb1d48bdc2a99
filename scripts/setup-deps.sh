#!/usr/bin/env bash
# Installs what the build, the tests and the package check need from Debian's
# packages, and generates the de_DE.UTF-8 and en_US.UTF-8 locales the locale
# tests run under. Does nothing when everything is already present.
# The package check's own: dpkg-dev, file and lintian make and check the .deb,
# help2man the manual pages; shared-mime-info, xdg-utils with
# libfile-mimeinfo-perl, desktop-file-utils, bash-completion and man-db check
# what it installs.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev libqcustomplot-dev zlib1g-dev libminizip-dev libcli11-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  python3 python3-openpyxl locales tzdata xvfb xauth
  fonts-liberation2
  libreoffice-calc-nogui
  pybind11-dev python3-dev python3-numpy python3-pandas python3-pytest
  dpkg-dev file lintian help2man shared-mime-info xdg-utils libfile-mimeinfo-perl
  desktop-file-utils bash-completion man-db
)

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ "${#missing[@]}" -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -qq
  "${sudo_cmd[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# The locale tests run under a decimal-comma locale and a 12-hour clock.
for wanted in de_DE en_US; do
  if ! locale -a 2>/dev/null | grep -qi "^${wanted}\.utf-\?8$"; then
    echo "setup: generating the ${wanted}.UTF-8 locale"
    if ! grep -q "^${wanted}.UTF-8 UTF-8" /etc/locale.gen 2>/dev/null; then
      echo "${wanted}.UTF-8 UTF-8" | "${sudo_cmd[@]}" tee -a /etc/locale.gen >/dev/null
    fi
    "${sudo_cmd[@]}" locale-gen >/dev/null
  fi
done
