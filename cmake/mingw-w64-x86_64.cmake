# SPDX-License-Identifier: GPL-3.0-or-later
# Cross-compiling for 64-bit Windows with Debian's MinGW-w64, the variant
# with POSIX threads (std::thread and std::mutex, which Qt needs). Used to
# build Qt for Windows (scripts/build-qt-windows.sh) and the game itself
# (`make windows`). CROSS_COMPILE alone does not choose the compilers in Qt
# 6.4's configure, so they are named here.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(QUIZZOLA_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${QUIZZOLA_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QUIZZOLA_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${QUIZZOLA_MINGW_TRIPLET}-windres)

# Headers and libraries only from the MinGW tree (and from the prefixes the
# caller adds, such as Qt's); programs from the build machine.
list(APPEND CMAKE_FIND_ROOT_PATH /usr/${QUIZZOLA_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
