#!/usr/bin/env bash
# Installs the package's Build-Depends (debian/control) when one is missing, and
# nothing else: apt-get build-dep on the source in the current folder. With
# nocheck in DEB_BUILD_OPTIONS or DEB_BUILD_PROFILES, the nocheck profile's
# (without the test tools).
set -euo pipefail

profiles=()
[[ " ${DEB_BUILD_OPTIONS:-} ${DEB_BUILD_PROFILES:-} " == *" nocheck "* ]] && profiles=(-Pnocheck)

if command -v dpkg-checkbuilddeps >/dev/null && dpkg-checkbuilddeps "${profiles[@]}" 2>/dev/null; then
  exit 0
fi
sudo=()
((EUID == 0)) || sudo=(sudo)
echo "Installing the Build-Depends of debian/control" >&2
"${sudo[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get build-dep -y -qq "${profiles[@]}" ./ >&2
