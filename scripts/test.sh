#!/usr/bin/env bash
# Builds both architectures and the MSIs (scripts/package.sh, into dist/) and
# runs every test: static checks of the x86 and x64 DLLs, and the x64 suites
# under wine64 in a fresh prefix inside build/x64 (the installer's in fresh
# prefixes of their own), with windows on a private Xvfb display; then the
# native fuzzers, briefly, and tamsel-render's tests.
set -euo pipefail
cd "$(dirname "$0")/.."

if [[ -z "${TAMSEL_IN_DISPLAY:-}" ]]; then
  bash scripts/setup.sh
  for arch in x86 x64; do
    cmake --preset "$arch" >/dev/null
    cmake --build --preset "$arch"
  done
  bash scripts/package.sh
  CXX=clang++ cmake -S fuzz -B build/fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build build/fuzz -j2
  TAMSEL_IN_DISPLAY=1 exec xvfb-run -a -s '-screen 0 1280x1024x24' "$0" "$@"
fi

prefix="$PWD/build/x64/wineprefix"
bash scripts/wine-prefix.sh "$prefix"
trap 'WINEPREFIX="$prefix" /usr/lib/wine/wineserver -k 2>/dev/null || true' EXIT
rc=0
ctest --preset x86 "$@" || rc=1
ctest --preset x64 "$@" || rc=1
ctest --test-dir build/fuzz --output-on-failure "$@" || rc=1
# tamsel-render (Node.js): its own test runner.
(cd renderer && node --test test/*.test.js) || rc=1
exit $rc
