#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need (or those named as arguments), only
# when some are missing.
set -euo pipefail
packages=(cmake make g++ pkg-config libgtest-dev libgmock-dev qt6-base-dev qt6-qpa-plugins
          libgl-dev fonts-dejavu-core python3 zlib1g-dev chromium
          dpkg-dev desktop-file-utils
          unzip p7zip-full libarchive-tools ziptool zipcmp)  # independent readers of our zip archives
# The layout and static checks of `make test`.
packages+=(clang-format clang-tidy)
# The compilers the generated client proxies are checked with.
packages+=(default-jdk-headless mono-mcs fp-compiler fp-units-fcl)
# Node.js may come from elsewhere than Debian; its packages are only wanted when it is missing.
command -v npm >/dev/null 2>&1 || packages+=(nodejs npm)
# The proxy package tests compile the generated Objective-C; any Objective-C compiler with the
# Foundation headers will do.
command -v gnustep-config >/dev/null 2>&1 || packages+=(gobjc libgnustep-base-dev)
[ $# -gt 0 ] && packages=("$@")
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
