#!/usr/bin/env bash
# Runs the benchmarks and prints one table (see measure.py): throughput against curl, peak memory
# against the body, start-up against a bare message box, and the release sizes. Installs nginx
# and curl if they are missing; builds into build/bench*, away from the other build folders.
#   bench/run.sh [RUNS]     RUNS fetches of each kind (default 5)
set -euo pipefail
cd "$(dirname "$0")/.."
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$@"
fi
runs=${1:-5}
scripts/setup.sh

missing=()
for package in nginx-light curl; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
    missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}" >&2
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  # RUNLEVEL=1 keeps the package from starting a system-wide nginx; the bench runs its own.
  $sudo env DEBIAN_FRONTEND=noninteractive RUNLEVEL=1 \
    apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

echo "bench: building both releases" >&2
for preset in win64 win32; do
  cmake --preset "$preset" -B "build/bench-$preset" >/dev/null
  cmake --build "build/bench-$preset" >/dev/null
done

echo "bench: building the bench programs" >&2
work=build/bench
bin=$work/bin
mkdir -p "$bin"
cxx=(x86_64-w64-mingw32-g++-posix -std=c++20 -O2 -Wall -Wextra -Werror -finput-charset=UTF-8
     -municode -static -DUNICODE -D_UNICODE -DWIN32_LEAN_AND_MEAN -DNOMINMAX -I.)
"${cxx[@]}" bench/fetch_bench.cpp build/bench-win64/services/libservices.a \
  build/bench-win64/downloads/libdownloads.a -lwininet -lpsapi -o "$bin/fetch_bench.exe"
"${cxx[@]}" bench/startup_watch.cpp -o "$bin/startup_watch.exe"
"${cxx[@]}" -mwindows bench/bare_notice.cpp -o "$bin/bare_notice.exe"
"${cxx[@]}" tests/helpers/trust_cert.cpp -lcrypt32 -o "$bin/trust_cert.exe"

# A Wine prefix of the bench's own that trusts the test CA, with a warm wineserver.
python3 tests/helpers/winetest.py setup --build-dir "$work" --trust-exe "$bin/trust_cert.exe"
trap 'python3 tests/helpers/winetest.py teardown --build-dir "$work"' EXIT
python3 bench/measure.py --work "$work" --bin "$bin" --runs "$runs" \
  --program64 build/bench-win64/app/ServerCoreDownloader.exe \
  --program32 build/bench-win32/app/ServerCoreDownloader.exe
