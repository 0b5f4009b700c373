#!/usr/bin/env bash
# Builds the Windows installers: both presets, installed stripped into dist/x86
# and dist/x64, then with wixl (msitools) dist/Tamsel-<version>-x64.msi (all
# users) and dist/Tamsel-<version>-x64-user.msi (one user). The version is
# CMake's project(VERSION), the one that both DLLs carry.
set -euo pipefail
cd "$(dirname "$0")/.."

declare -A targets=([x86]="tamsel tamsel_handler tamsel_msi_actions" [x64]="tamsel tamsel_handler tamsel_msi_actions")
for arch in x86 x64; do
  [[ -f build/$arch/CMakeCache.txt ]] || cmake --preset "$arch" >/dev/null
  cmake --build --preset "$arch" --target ${targets[$arch]}
  cmake --install "build/$arch" --strip >/dev/null
done
actions=build/x64/installer/stage
cmake --install build/x64 --strip --component msi_actions --prefix "$actions" >/dev/null

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/x64/CMakeCache.txt)
bash installer/build_msi.sh "$version" dist "$actions/tamsel_msi_actions.dll" "dist/Tamsel-$version-x64.msi" machine
bash installer/build_msi.sh "$version" dist "$actions/tamsel_msi_actions.dll" "dist/Tamsel-$version-x64-user.msi" user
