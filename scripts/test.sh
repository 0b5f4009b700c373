#!/usr/bin/env bash
# Builds both architectures and the MSIs (scripts/package.sh, into dist/) and
# runs every test: static checks of the x86 and x64 DLLs, and the x64 suites
# under wine64 in a fresh prefix inside build/x64 (the installer's in fresh
# prefixes of their own), with windows on a private Xvfb display; then the
# native fuzzers, briefly, and tamsel-render's tests.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib.sh

if ! in_display; then
  bash scripts/setup.sh
  for arch in x86 x64; do
    cmake --preset "$arch" >/dev/null
    cmake --build --preset "$arch"
  done
  bash scripts/package.sh
  CXX=clang++ cmake -S fuzz -B build/fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build build/fuzz -j2
  rerun_in_display "$0" "$@"
fi

fresh_wine_prefix build/x64/wineprefix
rc=0
ctest --preset x86 "$@" || rc=1
ctest --preset x64 "$@" || rc=1
ctest --test-dir build/fuzz --output-on-failure "$@" || rc=1
# tamsel-render (Node.js): its own test runner.
npm --prefix renderer test || rc=1
exit $rc
