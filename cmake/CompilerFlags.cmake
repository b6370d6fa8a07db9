# Warnings everywhere; errors only with CMAKE_COMPILE_WARNING_AS_ERROR (the presets of the tests
# set it). The hardening Debian builds its packages
# with, and the static C++ runtime, only where they mean something: GCC or Clang making ELF
# binaries for Linux, outside the sanitizer and fuzzing builds.
include(CheckCXXCompilerFlag)
include(CheckCXXSourceCompiles)
include(CheckLinkerFlag)

# Conversions that may change a value, and names that hide others, are warned of too: the core
# moves between byte, int and size_t at every buffer edge.
add_compile_options(-Wall -Wextra -Wpedantic -Wconversion -Wsign-conversion -Wshadow)

if(CMAKE_SYSTEM_NAME STREQUAL "Linux" AND CMAKE_CXX_COMPILER_ID MATCHES "^(GNU|Clang)$"
   AND NOT FLYSEAT_SANITIZE)
  check_cxx_compiler_flag(-fstack-protector-strong FLYSEAT_HAS_STACK_PROTECTOR)
  if(FLYSEAT_HAS_STACK_PROTECTOR)
    add_compile_options(-fstack-protector-strong)
  endif()
  # Checked string and memory functions where the compiler optimizes, unless the compiler or the
  # flags of the environment (a distribution's build, say) already choose a level.
  set(CMAKE_REQUIRED_FLAGS "-O2")
  check_cxx_source_compiles("
    #ifdef _FORTIFY_SOURCE
    #error the level is set already
    #endif
    int main() { return 0; }" FLYSEAT_FORTIFY_UNSET)
  unset(CMAKE_REQUIRED_FLAGS)
  if(FLYSEAT_FORTIFY_UNSET)
    add_compile_options($<$<NOT:$<CONFIG:Debug>>:-D_FORTIFY_SOURCE=2>)
  endif()
  # Each function and object in a section of its own, and the sections nothing uses left out of
  # the commands: flyseat-build carries the core it runs, not all of it.
  add_compile_options(-ffunction-sections -fdata-sections)
  check_linker_flag(CXX "LINKER:--gc-sections" FLYSEAT_HAS_GC_SECTIONS)
  if(FLYSEAT_HAS_GC_SECTIONS)
    add_link_options(LINKER:--gc-sections)
  endif()
  # Relocations read-only and bound at start.
  check_linker_flag(CXX "LINKER:-z,relro,-z,now" FLYSEAT_HAS_RELRO)
  if(FLYSEAT_HAS_RELRO)
    add_link_options(LINKER:-z,relro,-z,now)
  endif()
  # The commands carry the C++ runtime (the C library stays shared): with the shared libstdc++
  # a run on the sample took 1.24 times as long (bench/README.md).
  check_linker_flag(CXX "-static-libstdc++;-static-libgcc" FLYSEAT_HAS_STATIC_RUNTIME)
endif()

# Links a command with the C++ runtime inside it, where that is possible.
function(flyseat_static_runtime target)
  if(FLYSEAT_HAS_STATIC_RUNTIME)
    target_link_options(${target} PRIVATE -static-libstdc++ -static-libgcc)
  endif()
endfunction()

# The browser page: every failure of a build is a C++ exception, so WebAssembly must catch them,
# in every object and at the link. WebAssembly's own exceptions, not emscripten's emulation of
# them through JavaScript around every call that may throw: a build of the sample runs a third
# faster. -O2, not -Os: a build of the sample ran three times slower at -Os for a page 12% smaller.
if(EMSCRIPTEN)
  add_compile_options(-fwasm-exceptions -O2)
  add_link_options(-fwasm-exceptions -O2)
endif()
