#!/usr/bin/env bash
# Installs, idempotently, every Debian package the project needs to build and test.
# Safe to run again: it does nothing when everything is present.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git
  googletest libgtest-dev libbenchmark-dev
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix mingw-w64-tools
  wine64 xvfb xdotool x11-utils imagemagick
  locales fonts-wqy-zenhei
  python3
  libsqlite3-dev sqlite3 libboost1.81-dev zlib1g-dev wrk
  clang libclang-rt-14-dev
  nsis
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"

if [ "${#missing[@]}" -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# Wine shows Chinese through the zh_CN locale: an ungenerated locale silently means code page 1252.
if ! locale -a 2>/dev/null | grep -qi '^zh_CN.utf8$'; then
  echo "setup: generating zh_CN.UTF-8"
  $SUDO sed -i 's/^# *zh_CN.UTF-8 UTF-8/zh_CN.UTF-8 UTF-8/' /etc/locale.gen
  grep -q '^zh_CN.UTF-8 UTF-8' /etc/locale.gen || echo 'zh_CN.UTF-8 UTF-8' | $SUDO tee -a /etc/locale.gen >/dev/null
  $SUDO locale-gen >/dev/null
fi
echo "setup: ok"
