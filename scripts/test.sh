#!/usr/bin/env bash
# Runs every test: the portable core natively (with sanitizers), a bounded fuzzing run of its
# parsers, the Windows build under wine64 on a headless X server, and builds of both releases.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh

echo "== Portable core, native, AddressSanitizer + UndefinedBehaviorSanitizer"
cmake --preset native >/dev/null
cmake --build --preset native
ctest --preset native

echo "== Fuzzing what a server sends: the ZIP check, Content-Length, Location (libFuzzer, 2 x 30 s)"
tests/fuzz/run.sh 30

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

echo "== Both releases: size, and no DLL beyond Windows' own"
cmake --preset win64 >/dev/null
cmake --build --preset win64
[ "$(stat -c %s "$exe")" -lt 1048576 ] || { echo "the 32-bit release is over 1 MiB"; exit 1; }
system_dlls='kernel32|user32|gdi32|shell32|ole32|oleaut32|wininet|comctl32|comdlg32|msvcrt|advapi32'
system_dlls+='|uxtheme|shlwapi|dwmapi|msimg32|crypt32|version|imm32'
for release in win32:i686 win64:x86_64; do
  exe=build/${release%%:*}/app/ServerCoreDownloader.exe
  dlls=$("${release#*:}-w64-mingw32-objdump" -p "$exe" | sed -n 's/^\s*DLL Name: //p')
  other=$(grep -viE "^($system_dlls)\.dll$" <<<"$dlls" || true)
  if [ -n "$other" ]; then
    echo "$exe imports DLLs beyond Windows' own: $(paste -sd' ' <<<"$other")"
    exit 1
  fi
  echo "$exe: $(stat -c %s "$exe") bytes, imports $(paste -sd' ' <<<"$dlls")"
done
