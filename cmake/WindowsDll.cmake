# tavrin_windows_dll(TARGET NAME BUILD_DEFINE): on Windows the library is
# NAME.dll and exports what its public header marks for export (BUILD_DEFINE
# turns the header's marks into dllexport while it is built), by plain name
# as the vendor's own DLL did: --kill-at drops the @N that 32-bit stdcall
# names carry. GNU ld's import library would then lose the decoration its
# callers link against, so the import library is made again with dlltool
# from the list of exports the linker writes.
set(TAVRIN_IMPORT_LIBRARY_SCRIPT ${CMAKE_CURRENT_LIST_DIR}/ImportLibrary.cmake)

function(tavrin_windows_dll target name define)
  if(NOT WIN32)
    return()
  endif()
  set_target_properties(${target} PROPERTIES PREFIX "" OUTPUT_NAME "${name}")
  target_compile_definitions(${target} PRIVATE ${define})
  set(exports ${CMAKE_CURRENT_BINARY_DIR}/${name}.exports.def)
  target_link_options(${target} PRIVATE -Wl,--kill-at -Wl,--output-def,${exports})
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -DEXPORTS=${exports} -DDLL=${name}.dll -DDLLTOOL=${CMAKE_DLLTOOL}
            -DIMPLIB=$<TARGET_LINKER_FILE:${target}> -P ${TAVRIN_IMPORT_LIBRARY_SCRIPT}
    VERBATIM)
endfunction()
