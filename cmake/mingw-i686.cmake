# Cross toolchain for the 32-bit Windows build: MinGW-w64 i686, everything
# linked statically so the .exe runs on a bare Windows with no DLL beside it.
#
#   cmake -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake \
#         -DDROPSHRINK_WIN32_DEPS="$(scripts/build-win32-deps.sh)" ...

# CMake includes this file a second time as the user rules override (see the
# end), after the platform files have set their defaults. Only the library
# suffixes are adjusted then: the platform's list puts import libraries
# (.dll.a) first, which would quietly make zlib a DLL dependency. Import
# libraries of the system DLLs are named lib*.a in MinGW-w64, so they stay
# reachable.
if(CMAKE_SYSTEM_SPECIFIC_INFORMATION_LOADED)
  set(CMAKE_FIND_LIBRARY_SUFFIXES .a)
  return()
endif()

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(DROPSHRINK_MINGW_TRIPLE i686-w64-mingw32)

# The posix thread model: libstdc++ then has std::mutex, std::call_once and
# std::condition_variable (the win32 model of GCC 12 has none of them). Its
# cost is a dependency on winpthread, which -static below links in.
set(CMAKE_C_COMPILER ${DROPSHRINK_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${DROPSHRINK_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${DROPSHRINK_MINGW_TRIPLE}-windres)

# Static by default for every program built with this toolchain, including
# the tools and test programs of third-party builds and try_compile checks.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# The prefix made by scripts/build-win32-deps.sh; the environment variable of
# the same name works too, which saves repeating it on every configure.
if(NOT DROPSHRINK_WIN32_DEPS AND DEFINED ENV{DROPSHRINK_WIN32_DEPS})
  set(DROPSHRINK_WIN32_DEPS "$ENV{DROPSHRINK_WIN32_DEPS}")
endif()
set(DROPSHRINK_WIN32_DEPS "${DROPSHRINK_WIN32_DEPS}" CACHE PATH
    "Prefix with the static Win32 builds of libjpeg, libpng, libtiff and GoogleTest")
if(DROPSHRINK_WIN32_DEPS AND NOT IS_DIRECTORY "${DROPSHRINK_WIN32_DEPS}")
  message(FATAL_ERROR "DROPSHRINK_WIN32_DEPS is not a folder: ${DROPSHRINK_WIN32_DEPS}")
endif()
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES DROPSHRINK_WIN32_DEPS)

# The deps prefix comes first so its libraries win over anything of the same
# name in the MinGW sysroot; zlib itself comes from the sysroot.
set(CMAKE_FIND_ROOT_PATH ${DROPSHRINK_WIN32_DEPS} /usr/${DROPSHRINK_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# Keep the host's .pc files out of any pkg-config lookup.
set(ENV{PKG_CONFIG_LIBDIR}
    "${DROPSHRINK_WIN32_DEPS}/lib/pkgconfig:/usr/${DROPSHRINK_MINGW_TRIPLE}/lib/pkgconfig")
set(ENV{PKG_CONFIG_PATH} "")

set(CMAKE_USER_MAKE_RULES_OVERRIDE "${CMAKE_CURRENT_LIST_FILE}")

# ctest and try_run start Windows programs through Wine. Tests need the
# environment set up by scripts/wine-env.sh (display, prefix, code page).
find_program(DROPSHRINK_WINE NAMES wine PATHS /usr/bin NO_CMAKE_FIND_ROOT_PATH)
if(DROPSHRINK_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR "${DROPSHRINK_WINE}")
endif()
