# Cross-building for 64-bit Windows with Debian's MinGW-w64 (g++-mingw-w64-x86-64):
#   cmake -S . -B build-mingw -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DVESPERINE_WINDOW=OFF
# The programs are linked statically (C++ runtime, threads, zlib), so they run under Wine or on
# Windows without any DLL beside them.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(triple x86_64-w64-mingw32)

# The POSIX thread model gives std::thread and std::mutex on GCC 12; the win32 one does not.
find_program(CMAKE_CXX_COMPILER NAMES ${triple}-g++-posix ${triple}-g++ REQUIRED)
find_program(CMAKE_C_COMPILER NAMES ${triple}-gcc-posix ${triple}-gcc)
find_program(CMAKE_RC_COMPILER NAMES ${triple}-windres)
find_program(CMAKE_STRIP NAMES ${triple}-strip)  # for the packed program (CPACK_STRIP_FILES)

# The libraries scripts/windows-deps.sh builds from Debian's sources, beside MinGW's own.
set(VESPERINE_MINGW_DEPS "" CACHE PATH "Prefix of the libraries built for Windows (scripts/windows-deps.sh)")
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES VESPERINE_MINGW_DEPS)
set(CMAKE_FIND_ROOT_PATH /usr/${triple} ${VESPERINE_MINGW_DEPS})
if(VESPERINE_MINGW_DEPS)
  set(ENV{PKG_CONFIG_LIBDIR} ${VESPERINE_MINGW_DEPS}/lib/pkgconfig)
  set(ENV{PKG_CONFIG_SYSROOT_DIR} "")
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(ZLIB_USE_STATIC_LIBS ON)
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Test programs built here run under Wine (ctest runs them through it).
find_program(VESPERINE_WINE NAMES wine wine64 PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(VESPERINE_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${VESPERINE_WINE})
endif()
