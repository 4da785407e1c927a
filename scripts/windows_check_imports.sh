#!/usr/bin/env bash
# Checks a Windows package folder: every DLL that TARVS.exe and the DLLs
# beside it import is either in the folder or one of Windows' own system
# DLLs, so the game starts on a Windows without anything else installed.
# Prints what is missing and fails; silent otherwise.
# Use: scripts/windows_check_imports.sh PACKAGE_DIR
set -euo pipefail
DIR=$1
OBJDUMP=${OBJDUMP:-x86_64-w64-mingw32-objdump}
# Part of every Windows since 7 (lower case).
SYSTEM="advapi32.dll cfgmgr32.dll comdlg32.dll dinput8.dll dsound.dll gdi32.dll glu32.dll
hid.dll imm32.dll kernel32.dll msvcrt.dll ole32.dll oleaut32.dll opengl32.dll setupapi.dll
shell32.dll shlwapi.dll user32.dll uuid.dll version.dll winmm.dll ws2_32.dll xinput1_4.dll"
shipped=$(cd "$DIR" && ls ./*.dll ./*.exe | sed 's|^\./||' | tr 'A-Z' 'a-z')
bad=0
for f in "$DIR"/*.exe "$DIR"/*.dll; do
  for dll in $("$OBJDUMP" -p "$f" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z'); do
    if ! grep -qx "$dll" <<<"$shipped" && ! grep -qw "$dll" <<<"$SYSTEM"; then
      echo "$(basename "$f") needs $dll, which is neither shipped nor part of Windows" >&2
      bad=1
    fi
  done
done
exit $bad
