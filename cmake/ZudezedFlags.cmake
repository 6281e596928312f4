# Compiler settings that the demo's arithmetic relies on, applied to every target:
# 32-bit signed arithmetic wraps (-fwrapv) and no multiply-add is fused
# (-ffp-contract=off), so single- and double-precision results are the ones written.
# -ffast-math is never used.
add_compile_options(-fwrapv -ffp-contract=off -Wall -Wextra -Wshadow)
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" OR CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  add_compile_options(-fno-fast-math)
endif()

if(ZUDEZED_SANITIZE)
  set(_zz_san -fsanitize=address,undefined,float-cast-overflow -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_compile_options(${_zz_san})
  add_link_options(${_zz_san})
endif()

# zudezed_library(<name> [extra sources...]): one static library per subsystem folder.
function(zudezed_library name)
  file(GLOB _srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  list(FILTER _srcs EXCLUDE REGEX ".*/main\\.cpp$")
  if(NOT _srcs AND NOT ARGN)
    # A folder whose code has not been written yet.
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR})
    return()
  endif()
  add_library(${name} STATIC ${_srcs} ${ARGN})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
endfunction()
