#!/usr/bin/env bash
# Makes a Wine prefix for running the program (once): created without prompts, with the Chinese
# font faces the program asks for mapped to the CJK font Debian ships.
set -euo pipefail
export WINEPREFIX="$1" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
[ -f "$WINEPREFIX/.fonts-mapped" ] && exit 0

echo "Preparing a Wine prefix in $WINEPREFIX (once, about 20 s)..."
/usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1
reg=$(mktemp --suffix=.reg)
{
  printf 'Windows Registry Editor Version 5.00\r\n\r\n'
  printf '[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]\r\n'
  for face in 微软雅黑 "Microsoft YaHei" "Microsoft YaHei UI" 宋体 SimSun 黑体 SimHei; do
    printf '"%s"="WenQuanYi Micro Hei"\r\n' "$face"
  done
} | iconv -f UTF-8 -t UTF-16 >"$reg"
/usr/lib/wine/wine64 regedit /S "Z:${reg//\//\\}" >/dev/null 2>&1
/usr/lib/wine/wineserver -w
rm -f "$reg"
touch "$WINEPREFIX/.fonts-mapped"
