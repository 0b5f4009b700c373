#!/usr/bin/env bash
# Builds the Windows installers: both presets, installed stripped into dist/x86
# and dist/x64, then with wixl (msitools) dist/Tamsel-<version>-x64.msi (all
# users) and dist/Tamsel-<version>-x64-user.msi (one user). The version is
# CMake's project(VERSION), the one that both DLLs carry.
set -euo pipefail
cd "$(dirname "$0")/.."

for arch in x86 x64; do
  [[ -f build/$arch/CMakeCache.txt ]] || cmake --preset "$arch" >/dev/null
  cmake --build --preset "$arch" --target tamsel tamsel_handler
  cmake --install "build/$arch" --strip >/dev/null
done
# The 64-bit package runs its custom actions in the 64-bit msiexec.
cmake --build --preset x64 --target tamsel_msi_actions
actions=build/x64/installer/stage  # the installer tests read it there too
cmake --install build/x64 --strip --component msi_actions --prefix "$actions" >/dev/null

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/x64/CMakeCache.txt)
bash installer/build_msi.sh "$version" dist "$actions/tamsel_msi_actions.dll" "dist/Tamsel-$version-x64.msi" machine
bash installer/build_msi.sh "$version" dist "$actions/tamsel_msi_actions.dll" "dist/Tamsel-$version-x64-user.msi" user
