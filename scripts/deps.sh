#!/usr/bin/env bash
# Installs, from Debian 12's packages, what building, running and testing Tavrinex needs.
# Packages already present are not fetched again, so a prepared machine needs no network.
set -euo pipefail

packages=(
  g++ cmake ninja-build pkgconf ccache
  qt6-base-dev qt6-webengine-dev libqt6webenginecore6-bin
  libsqlite3-dev libcpp-httplib-dev libxml2-dev
  fonts-noto-cjk fonts-noto-color-emoji qt6-translations-l10n
  at-spi2-core python3-pyatspi dbus xvfb
  appstream desktop-file-utils dpkg-dev file systemd
  e2fsprogs
  php-cli php-netscape-bookmark-parser
  clang-14 libclang-rt-14-dev
  shaarli php-cli php-cgi
  qtkeychain-qt6-dev libsecret-1-0
  gnome-keyring dbus-daemon
)
# Node.js and npm install and bundle the test sites built with React and Vue (tests/frameworks); a
# machine that has them already (another Node.js package brings its own npm) keeps its own.
command -v npm >/dev/null 2>&1 || packages+=(nodejs npm)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
