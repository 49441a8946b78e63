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
  postgresql libpq-dev haproxy
  libsodium-dev libssl-dev openssl
  chromium chromium-driver python3-selenium
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

# The release build is i686: its programs run under Wine's 32-bit loader, from the i386 package
# wine32. Adding the architecture is undone when its packages cannot be had (a broken i386
# index), so apt is left as it was, and the run stops saying why.
if ! dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q "install ok installed"; then
  echo "setup: installing wine32:i386 (the 32-bit Wine the release build runs in)"
  added_i386=0
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $SUDO dpkg --add-architecture i386
    added_i386=1
  fi
  export DEBIAN_FRONTEND=noninteractive
  if ! { $SUDO apt-get update -qq &&
         $SUDO apt-get install -y -qq --no-install-recommends wine32:i386 >/dev/null; }; then
    if [ "$added_i386" = 1 ]; then
      $SUDO dpkg --remove-architecture i386 || true
      $SUDO apt-get update -qq || true
    fi
    echo "setup: wine32:i386 could not be installed (apt's i386 index or packages are not usable" \
         "here); the i686 build cannot be tested without it" >&2
    exit 1
  fi
fi

# Wine shows Chinese through the zh_CN locale: an ungenerated locale silently means code page 1252.
if ! locale -a 2>/dev/null | grep -qi '^zh_CN.utf8$'; then
  echo "setup: generating zh_CN.UTF-8"
  $SUDO sed -i 's/^# *zh_CN.UTF-8 UTF-8/zh_CN.UTF-8 UTF-8/' /etc/locale.gen
  grep -q '^zh_CN.UTF-8 UTF-8' /etc/locale.gen || echo 'zh_CN.UTF-8 UTF-8' | $SUDO tee -a /etc/locale.gen >/dev/null
  $SUDO locale-gen >/dev/null
fi
echo "setup: ok"
