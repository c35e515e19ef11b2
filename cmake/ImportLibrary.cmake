# Makes a DLL's import library from the exports its link wrote
# ("Name = Name@N @ordinal" lines): the callers' symbols keep their @N, the
# names they import are the plain ones the DLL exports.
file(STRINGS ${EXPORTS} lines)
set(def "LIBRARY ${DLL}\nEXPORTS\n")
foreach(line IN LISTS lines)
  if(line MATCHES "^[ \t]+([A-Za-z0-9_]+)[ \t]*=[ \t]*([A-Za-z0-9_@]+)")
    string(APPEND def "${CMAKE_MATCH_2}\n")
  elseif(line MATCHES "^[ \t]+([A-Za-z0-9_@]+)[ \t]+@")
    string(APPEND def "${CMAKE_MATCH_1}\n")
  endif()
endforeach()
file(WRITE ${EXPORTS}.decorated "${def}")
execute_process(COMMAND ${DLLTOOL} --kill-at -d ${EXPORTS}.decorated -l ${IMPLIB} RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "dlltool could not make ${IMPLIB}")
endif()
