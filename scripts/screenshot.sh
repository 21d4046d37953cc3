#!/usr/bin/env bash
# Takes the README's pictures of the running program: starts it under wine64 on a private X
# server, answers the start-up notice, and photographs the window as a person sees it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
for tool in xdotool convert; do
  command -v "$tool" >/dev/null || {
    apt-get update -qq && apt-get install -y -qq --no-install-recommends xdotool imagemagick >/dev/null
    break
  }
done

cmake --preset win64 >/dev/null
cmake --build --preset win64 >/dev/null

scripts/prepare-prefix.sh "$PWD/build/run-prefix"
export WINEPREFIX="$PWD/build/run-prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 640x420x24 >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null; /usr/lib/wine/wineserver -k 2>/dev/null || true' EXIT
export DISPLAY=$display
sleep 1

/usr/lib/wine/wine64 build/win64/app/ServerCoreDownloader.exe >/dev/null 2>&1 &
# The start-up notice comes first; its OK button takes Enter once the box has the focus.
for _ in $(seq 50); do xdotool search --name '下载提示' >/dev/null 2>&1 && break; sleep 0.2; done
sleep 1
notice=$(xdotool search --name '下载提示' | head -1)
eval "$(xdotool getwindowgeometry --shell "$notice")"
xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT - 22)) click 1
for _ in $(seq 50); do xdotool search --name '下载提示' >/dev/null 2>&1 || break; sleep 0.2; done
sleep 1.5

mkdir -p docs
shoot() { import -window root -crop 491x323+50+50 "docs/$1"; }
shoot main-window.png
# The Paper page with its list open.
xdotool mousemove $((50 + 138)) $((50 + 46)) sleep 0.3 click 1
sleep 0.5
xdotool mousemove $((50 + 248)) $((50 + 164)) sleep 0.3 click 1
sleep 0.3
xdotool mousemove $((50 + 248)) $((50 + 250))
sleep 0.5
shoot main-window-list.png
echo "docs/main-window.png, docs/main-window-list.png"
