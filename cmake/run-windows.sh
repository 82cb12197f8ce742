#!/bin/sh
# Runs a Windows program of the cross build on this machine under Wine, in the Wine prefix that
# scripts/windows.sh prepares (WINEPREFIX, else Wine's default), with Wine's own diagnostics kept
# off standard error: what the program writes there is what the tests read. The cross build's
# emulator (cmake/x86_64-w64-mingw32.cmake).
export WINEDEBUG=${WINEDEBUG:--all}
exec wine "$@"
