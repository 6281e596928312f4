# The browser build: emscripten's compiler (emcmake cmake ...), SDL 1.2 and SDL_mixer
# from emscripten's own browser implementations, and the programs of the web page and
# of the Node.js comparison. tools/web/build.sh configures it.
#
# The asset converter is a program of the build machine (it needs libpng, which the
# browser build does not have): ZUDEZED_HOST_ASSETCONV names a build machine's
# assetconv, built by tools/web/build.sh in build/.
set(ZUDEZED_HOST_ASSETCONV "" CACHE FILEPATH "The build machine's assetconv program")
if(NOT ZUDEZED_HOST_ASSETCONV)
  message(FATAL_ERROR "The browser build needs -DZUDEZED_HOST_ASSETCONV=<build machine's assetconv>")
endif()

# SDL and SDL_mixer: emscripten's headers and JavaScript implementations, under the
# names the desktop build's pkg-config gives them.
add_library(PkgConfig::SDL INTERFACE IMPORTED)
target_include_directories(PkgConfig::SDL INTERFACE "${EMSCRIPTEN_SYSROOT}/include/SDL")
add_library(PkgConfig::SDL_MIXER INTERFACE IMPORTED)
target_link_libraries(PkgConfig::SDL_MIXER INTERFACE PkgConfig::SDL)

# The engine's libraries are linked as one group ($<LINK_GROUP:RESCAN,...>, for GNU
# ld). emscripten's linker (wasm-ld) resolves symbols across all archives whatever
# their order, so the group needs no options.
set(CMAKE_CXX_LINK_GROUP_USING_RESCAN "" "")
set(CMAKE_CXX_LINK_GROUP_USING_RESCAN_SUPPORTED TRUE)

# emscripten's C++ library lacks std::bit_cast and std::assume_aligned (platform/web/std_compat.h).
add_compile_options("SHELL:-include ${PROJECT_SOURCE_DIR}/platform/web/std_compat.h")
