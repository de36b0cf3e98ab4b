# Cross-building the Windows programs (64-bit) with MinGW-w64 from Debian's
# g++-mingw-w64-x86-64-posix: its POSIX-threads runtime gives std::thread and
# std::mutex. Used by `make windows`; the results run under Wine for the tests.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(CANTORA_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${CANTORA_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${CANTORA_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${CANTORA_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${CANTORA_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The compiler's own runtime (libstdc++, libgcc, winpthread) goes into every
# program and library, so they run without MinGW DLLs beside them.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static")

# pkg-config must not offer the build machine's Linux libraries.
set(ENV{PKG_CONFIG_LIBDIR} /usr/${CANTORA_MINGW_TRIPLE}/lib/pkgconfig)
set(ENV{PKG_CONFIG_PATH} "")

# CTest runs the test programs through Wine (Debian keeps wine64 out of PATH).
find_program(CANTORA_WINE64 NAMES wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(CANTORA_WINE64)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CANTORA_WINE64})
endif()
