#!/usr/bin/env bash
# Installs what a fresh Debian 12 machine lacks to build and test the project.
# Idempotent; run as root.
set -euo pipefail

packages=(
  cmake make ninja-build
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix binutils-mingw-w64
  googletest
  wine64 fonts-wine
  xvfb xauth
  python3-pil pngcheck openssl
  wixl msitools
  clang libclang-rt-dev
  nodejs
)

# The package lists are brought up to date once, before the first install.
lists_updated=0
apt_install() {
  export DEBIAN_FRONTEND=noninteractive
  if ((!lists_updated)); then
    apt-get update -qq
    lists_updated=1
  fi
  apt-get install -y -qq --no-install-recommends "$@"
}

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then apt_install "${missing[@]}"; fi
echo "setup: all packages present"

# tamsel-render's pinned npm packages (package-lock.json), again only when the lock file changed.
command -v npm >/dev/null || apt_install npm
renderer=$(dirname "$0")/../renderer
stamp=$renderer/node_modules/.installed-lock.json
if ! cmp -s "$renderer/package-lock.json" "$stamp"; then
  (cd "$renderer" && npm ci --no-audit --no-fund --loglevel=error)
  cp "$renderer/package-lock.json" "$stamp"
fi
echo "setup: tamsel-render's packages present"
