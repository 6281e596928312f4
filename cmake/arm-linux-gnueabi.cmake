# Cross-compiling for 32-bit ARM little-endian: Debian's armel toolchain
# (crossbuild-essential-armel): soft float and the ARM EABI. Its compiler defaults to
# ARMv5TE; the handheld's ARM920T is ARMv4T (no clz, blx, ldrd/strd, v5E multiplies or
# pld), so the demo's own code is compiled for that (-march=armv4t -mtune=arm920t, ARM
# state). Debian's libraries (the C library, libgcc's helpers, SDL) stay as Debian
# built them; tools/arm/count-instructions.sh reports any v5 instruction they run.
#
#   cmake -S . -B build-arm -DCMAKE_TOOLCHAIN_FILE=cmake/arm-linux-gnueabi.cmake
#
# The C and C++ runtime come with the toolchain (/usr/arm-linux-gnueabi). The armel
# builds of the other libraries (SDL 1.2, SDL_mixer 1.2, libpng, GoogleTest) are
# Debian's packages unpacked into a directory of their own, ZUDEZED_ARM_SYSROOT
# (tools/arm/run-arm-tests.sh prepares it). Programs built here run under qemu-arm,
# which is also how the build runs the asset converter and how CTest runs the tests.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR arm)
set(CMAKE_LIBRARY_ARCHITECTURE arm-linux-gnueabi)

set(CMAKE_C_COMPILER arm-linux-gnueabi-gcc)
set(CMAKE_CXX_COMPILER arm-linux-gnueabi-g++)
# Everything is built by this one compiler, so GCC's notes that the ARM passing of some
# structures changed in GCC 7.1 (-Wpsabi) concern no code here.
set(CMAKE_CXX_FLAGS_INIT "-march=armv4t -mtune=arm920t -marm -Wno-psabi")
set(CMAKE_C_FLAGS_INIT "-march=armv4t -mtune=arm920t -marm")

if(NOT DEFINED ZUDEZED_ARM_SYSROOT)
  if(DEFINED ENV{ZUDEZED_ARM_SYSROOT})
    set(ZUDEZED_ARM_SYSROOT "$ENV{ZUDEZED_ARM_SYSROOT}")
  else()
    get_filename_component(ZUDEZED_ARM_SYSROOT "${CMAKE_CURRENT_LIST_DIR}/../build-arm/sysroot"
                           ABSOLUTE)
  endif()
endif()
set(ZUDEZED_ARM_SYSROOT "${ZUDEZED_ARM_SYSROOT}" CACHE PATH
    "Directory with the unpacked armel library packages")
# try_compile projects read this file again; hand them the same directory.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES ZUDEZED_ARM_SYSROOT)

# Library directories of the unpacked packages; PulseAudio (under SDL_mixer's MIDI
# decoder) keeps a private library in a directory of its own.
set(_zz_arm_libdirs
    "${ZUDEZED_ARM_SYSROOT}/usr/lib/arm-linux-gnueabi"
    "${ZUDEZED_ARM_SYSROOT}/lib/arm-linux-gnueabi"
    "${ZUDEZED_ARM_SYSROOT}/usr/lib/arm-linux-gnueabi/pulseaudio")

# Headers, libraries and CMake package files come from the toolchain and the unpacked
# packages only, never from the build machine; build-time programs are the machine's.
set(CMAKE_FIND_ROOT_PATH /usr/arm-linux-gnueabi "${ZUDEZED_ARM_SYSROOT}")
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# pkg-config (SDL, SDL_mixer) answers with the unpacked packages' .pc files.
set(ENV{PKG_CONFIG_SYSROOT_DIR} "${ZUDEZED_ARM_SYSROOT}")
set(ENV{PKG_CONFIG_LIBDIR}
    "${ZUDEZED_ARM_SYSROOT}/usr/lib/arm-linux-gnueabi/pkgconfig:${ZUDEZED_ARM_SYSROOT}/usr/share/pkgconfig")
set(ENV{PKG_CONFIG_PATH} "")

# The libraries' own dependencies (SDL_mixer's decoders, ...) are found there when linking.
list(JOIN _zz_arm_libdirs ":" _zz_arm_path)
set(CMAKE_EXE_LINKER_FLAGS_INIT "-Wl,-rpath-link,${_zz_arm_path}")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-Wl,-rpath-link,${_zz_arm_path}")

# qemu-arm with the toolchain's C library as the program's root and the unpacked
# libraries on the program's (not qemu's own) library path.
find_program(ZUDEZED_QEMU_ARM qemu-arm)
if(ZUDEZED_QEMU_ARM)
  set(CMAKE_CROSSCOMPILING_EMULATOR
      "${ZUDEZED_QEMU_ARM}" -L /usr/arm-linux-gnueabi -E "LD_LIBRARY_PATH=${_zz_arm_path}")
endif()
