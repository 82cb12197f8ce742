# Cross-compiling for 64-bit Windows with Debian's MinGW-w64 compilers (g++-mingw-w64-x86-64-posix):
#   cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/x86_64-w64-mingw32.cmake \
#         -DCMAKE_PREFIX_PATH=<prefix with SDL2, SDL2_mixer, mpg123 and GoogleTest for Windows>
# scripts/windows.sh builds that prefix from Debian's sources and runs all of this.
# The -posix compilers, not the default -win32 ones: the win32 thread model has no std::mutex or
# std::thread, which the renderer's worker pool uses.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY BOTH)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE BOTH)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)
# Windows keeps the stack 16-byte aligned, and GCC does not realign it for the 32- and 64-byte
# values the AVX2 and AVX-512 lane sets spill there: their aligned moves would fault. The assembler
# makes every vector move an unaligned one, as fast on aligned data.
set(CMAKE_C_FLAGS_INIT -Wa,-muse-unaligned-vector-move)
set(CMAKE_CXX_FLAGS_INIT -Wa,-muse-unaligned-vector-move)
# The C and C++ runtimes and the POSIX thread library go into each program, so that it needs no
# compiler DLL beside it. Libraries found by full path (an import library .dll.a among them) are
# linked as they are: the prefix's DLLs stay DLLs.
set(CMAKE_EXE_LINKER_FLAGS_INIT -static)
# Programs of the build that the build itself runs, and the tests, under Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/run-windows.sh)
# pkg-config reads only the Windows libraries' files (CMake adds the prefix's own), never the build
# machine's.
set(ENV{PKG_CONFIG_LIBDIR} /usr/x86_64-w64-mingw32/lib/pkgconfig)
