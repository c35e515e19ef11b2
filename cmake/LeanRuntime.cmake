# tavrin_lean_runtime(<target>)
#
# Links the C++ runtime (libstdc++ and libgcc) into the target itself,
# keeps every symbol that comes from a static archive (the runtime and our
# own units) inside it, and drops the code nothing calls.
#
# Why: every card movement starts the program, and the program loads
# Scorpa, Velkit and dlportio (and Scorpa the ASPI layer) before any of its
# code runs. With the shared runtime each start maps libstdc++.so and has
# the loader resolve and relocate all of it, about 1 MiB of memory touched
# for a program that needs a small part of it; linked in, only the parts
# used are there. The exports of the libraries do not change: they are the
# functions their own sources mark for export.
#
# Each of them then has a runtime, and an unwinder, of its own: no C++
# exception may cross from one into another (none does: the libraries'
# interfaces are C, and nothing is thrown across the GUI module's
# interface, see tavrin/ui/DialogHost.h).
#
# Left alone: sanitizer and fuzz builds (their runtimes interpose on the
# shared C++ runtime), compilers other than GCC, and Windows, where the
# toolchain files link the runtime into every module already
# (cmake/toolchains/mingw-common.cmake: -static).
include_guard(GLOBAL)

# Each function and object in a section of its own, in the target and in
# the static libraries of this project it links (and those they link), so
# that --gc-sections can leave out each one nothing calls.
function(_tavrin_own_sections target)
  get_target_property(type ${target} TYPE)
  if(NOT type MATCHES "^(STATIC_LIBRARY|SHARED_LIBRARY|MODULE_LIBRARY|EXECUTABLE)$")
    return()
  endif()
  target_compile_options(${target} PRIVATE -ffunction-sections -fdata-sections)
  get_target_property(libraries ${target} LINK_LIBRARIES)
  foreach(library IN LISTS libraries)
    if(TARGET ${library})
      get_target_property(imported ${library} IMPORTED)
      get_target_property(libraryType ${library} TYPE)
      if(NOT imported AND libraryType STREQUAL "STATIC_LIBRARY")
        _tavrin_own_sections(${library})
      endif()
    endif()
  endforeach()
endfunction()

function(tavrin_lean_runtime target)
  if(WIN32 OR TAVRIN_SANITIZE OR TAVRIN_FUZZ OR NOT CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    return()
  endif()
  _tavrin_own_sections(${target})
  target_link_options(${target} PRIVATE -static-libstdc++ -static-libgcc -Wl,--exclude-libs,ALL -Wl,--gc-sections)
endfunction()
