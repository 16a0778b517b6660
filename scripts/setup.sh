#!/bin/bash
# Installs what building and running Ruzer needs (Debian 12), then configures
# and builds into build/. Quiet when everything is already there.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

need=()
have() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }
for p in cmake make g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 mingw-w64-x86-64-dev \
         wine wine64 xvfb xauth googletest ccache fonts-noto-cjk locales python3 imagemagick x11-utils dosfstools fusefat fp-utils zip unzip xdotool; do
  have "$p" || need+=("$p")
done
if [ ${#need[@]} -gt 0 ]; then
  echo "Installing: ${need[*]}"
  sudo=""; [ "$(id -u)" -ne 0 ] && sudo=sudo
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
fi
# Wine's Japanese locale needs the host locale.
if ! locale -a 2>/dev/null | grep -qi '^ja_JP.utf8$'; then
  sudo=""; [ "$(id -u)" -ne 0 ] && sudo=sudo
  $sudo sed -i 's/^# *ja_JP.UTF-8 UTF-8/ja_JP.UTF-8 UTF-8/' /etc/locale.gen
  grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' | $sudo tee -a /etc/locale.gen >/dev/null
  $sudo locale-gen >/dev/null
fi

cd "$root"
if [ ! -f build/CMakeCache.txt ]; then
  cmake -S . -B build -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build build -j"$(nproc)" -- --no-print-directory ${RUZER_BUILD_TARGET:-}
