#!/bin/sh
# Runs a Windows program of the cross build on this machine under Wine, in the Wine prefix that
# WINEPREFIX names (scripts/windows.sh prepares one in the build folder), else Wine's default. Wine's
# own diagnostics are kept off standard error, where the tests read what the program writes, and a
# new prefix is made without offering to download .NET and Internet Explorer stand-ins. The cross
# build's emulator (cmake/x86_64-w64-mingw32.cmake).
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree=;mshtml=}"
exec wine "$@"
