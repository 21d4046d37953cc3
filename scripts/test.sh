#!/usr/bin/env bash
# Runs every test: the portable core natively (with sanitizers), the Windows build under wine64
# on a headless X server, and a build of the 32-bit release.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh

echo "== Portable core, native, AddressSanitizer + UndefinedBehaviorSanitizer"
cmake --preset native >/dev/null
cmake --build --preset native
ctest --preset native

echo "== Windows x86_64 under wine64 (headless)"
cmake --preset win64-test >/dev/null
cmake --build --preset win64-test
xvfb-run -a -s "-screen 0 1024x768x24" ctest --preset win64-test

echo "== Windows i686 release"
cmake --preset win32 >/dev/null
cmake --build --preset win32
exe=build/win32/app/ServerCoreDownloader.exe
file "$exe" | grep -q 'PE32 executable' || { echo "not a 32-bit PE: $exe"; exit 1; }
echo "$(file -b "$exe"), $(stat -c %s "$exe") bytes"
