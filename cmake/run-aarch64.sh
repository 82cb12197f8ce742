#!/bin/sh
# Runs an aarch64 program of the cross build on this machine, under qemu's user-mode emulation, with
# the cross compiler's C library; Debian's arm64 multiarch libraries are found where the program's
# loader looks for them. The cross build's emulator (cmake/aarch64-linux-gnu.cmake).
exec qemu-aarch64 -L /usr/aarch64-linux-gnu "$@"
