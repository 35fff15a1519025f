#!/usr/bin/env bash
# Installs the Debian packages the project needs, only when one is missing.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-svg-dev libjpeg62-turbo-dev libgif-dev libzip-dev nettle-dev
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth x11-utils clang libclang-rt-14-dev python3
  libjpeg-turbo-progs imagemagick time libpng-dev locales
  mtools dosfstools desktop-file-utils qemu-utils libnbd-bin fuse3
  dpkg-dev debhelper lintian appstream bash-completion
)

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [[ $status == "install ok installed" ]] || missing+=("$p")
done
((${#missing[@]} == 0)) && exit 0

sudo=()
((EUID == 0)) || sudo=(sudo)
echo "Installing: ${missing[*]}" >&2
"${sudo[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >&2
