# Cross build for 32-bit Windows with Debian's MinGW-w64: the shop's point-of-sale machines run
# a 32-bit Windows console. The -posix thread variant of the compilers is the one whose
# std::mutex and std::thread exist; the plain names are the win32 variant.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(TAVREL_MINGW_PREFIX i686-w64-mingw32)
set(CMAKE_C_COMPILER ${TAVREL_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TAVREL_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${TAVREL_MINGW_PREFIX}-windres)

# Libraries and headers come from the cross tools only; programs (cmake, sh) from this machine.
set(CMAKE_FIND_ROOT_PATH /usr/${TAVREL_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# One file to copy to the shop: the C and C++ runtimes and the threads library linked in.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
