# tavrin_exports_def(TARGET HEADER PREFIX): on Windows, the target's DLL
# exports exactly the functions its public header declares (every name that
# starts with PREFIX and is followed by an opening parenthesis), by plain
# name: a .def file made from the header, and --kill-at so that 32-bit
# stdcall names carry no @N. A name the header declares but the library
# lacks fails the link.
function(tavrin_exports_def target header prefix)
  if(NOT WIN32)
    return()
  endif()
  file(READ ${header} text)
  string(REGEX MATCHALL "${prefix}[A-Za-z0-9_]*[ \t]*\\(" found "${text}")
  set(names "")
  foreach(item IN LISTS found)
    string(REGEX REPLACE "[ \t]*\\($" "" item "${item}")
    list(APPEND names ${item})
  endforeach()
  list(REMOVE_DUPLICATES names)
  list(SORT names)
  get_target_property(output ${target} OUTPUT_NAME)
  set(def "LIBRARY ${output}.dll\nEXPORTS\n")
  foreach(name IN LISTS names)
    string(APPEND def "${name}\n")
  endforeach()
  set(file ${CMAKE_CURRENT_BINARY_DIR}/${output}.def)
  file(WRITE ${file}.in "${def}")
  configure_file(${file}.in ${file} COPYONLY)
  target_sources(${target} PRIVATE ${file})
  target_link_options(${target} PRIVATE -Wl,--kill-at)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${header})
endfunction()
