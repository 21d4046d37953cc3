#!/usr/bin/env bash
# Builds the Windows program and starts it under wine64, in a Wine prefix of its own.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh

if [ -z "${DISPLAY:-}" ]; then
  echo "No display: the program is a desktop window and needs an X display." >&2
  echo "Run this from a desktop session, or headless with:" >&2
  echo "  xvfb-run -a scripts/run.sh" >&2
  exit 1
fi

cmake --preset win64 >/dev/null
cmake --build --preset win64 >/dev/null

scripts/prepare-prefix.sh "$PWD/build/run-prefix"
export WINEPREFIX="$PWD/build/run-prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
exec /usr/lib/wine/wine64 build/win64/app/ServerCoreDownloader.exe
