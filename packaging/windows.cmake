# Installation and the ZIP archives (Windows).
#
# Two components, laid out under the one prefix:
#   program  the program directory, at the prefix's root: tavrin.exe, the
#            DLLs it binds at load time (Scorpa.dll, Velkit.dll), the
#            modules it and Scorpa load from there at run time
#            (ScorpaGraphics.dll, TavrinGui.dll) and tavrin.ini.sample
#            (CR LF line endings)
#   sdk      include/ with the C headers of Scorpa, Velkit and DlPortIO, and
#            lib/ with the import libraries a C caller links
#            (libScorpa.dll.a, libVelkit.dll.a, and libdlportio.dll.a for
#            the vendor's dlportio.dll); the DLLs it runs with are the
#            program directory's
#
#   cmake --install build/windows-x86 --prefix C:/Tavrin --component program
#   cmake --install build/windows-x86 --prefix C:/TavrinSdk --component sdk
#
# Without --component both land under the one prefix, the program directory
# at its root. Never installed: the vendor's DLLs (dlportio.dll,
# wnaspi32.dll, the printer drivers and encoder libraries); a station has
# its own, and the testbed's stand-ins for them are for the tests alone.
#
# cpack makes one ZIP per component (cpack --preset windows-x86):
#   tavrin-<version>-win32.zip      the program directory, its files at the
#                                   top of the archive, to be unpacked into
#                                   the directory that holds (or will hold)
#                                   the vendor's DLLs
#   tavrin-sdk-<version>-win32.zip  include/ and lib/
# -win64 instead of -win32 for the x86-64 build.

# ---- program ----
# The import libraries of Scorpa and Velkit (the ones dlltool makes again
# after each link, cmake/WindowsDll.cmake) go with the SDK.
install(TARGETS tavrin scorpa velkit RUNTIME DESTINATION . COMPONENT program
                                     ARCHIVE DESTINATION lib COMPONENT sdk)
install(TARGETS scorpa-graphics TavrinGui LIBRARY DESTINATION . COMPONENT program)

# The sample configuration, for Notepad and the like: CR LF, and the
# comments that name Linux places say what they are on Windows. Each
# passage must be found, so that the sample cannot keep a Linux remark
# unnoticed when tavrin.ini changes.
set(sample_source ${CMAKE_CURRENT_SOURCE_DIR}/tavrin.ini)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${sample_source})
file(READ ${sample_source} sample)
string(REPLACE "\r" "" sample "${sample}")
function(_tavrin_sample_replace linux windows)
  string(FIND "${sample}" "${linux}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "packaging/tavrin.ini no longer has the passage the Windows sample replaces:\n${linux}")
  endif()
  string(REPLACE "${linux}" "${windows}" sample "${sample}")
  set(sample "${sample}" PARENT_SCOPE)
endfunction()
_tavrin_sample_replace("; program (/opt/tavrin/tavrin.ini) and change it"
                       "; program (tavrin.exe) and change it")
_tavrin_sample_replace("; section and key names compare without regard to case. See tavrin(1).\n"
                       "; section and key names compare without regard to case.\n")
_tavrin_sample_replace(
  "; The printer: a CUPS queue (lpstat -e lists them). For a card printer\n; that takes raw commands, make the queue with \"lpadmin ... -m raw\".\n"
  "; The printer: its name as Windows lists it among the installed printers.\n")
_tavrin_sample_replace("; For PrinterMode=PARALLEL: the port, LPT1 = /dev/lp0.\n"
                       "; For PrinterMode=PARALLEL: the port, 1 for LPT1.\n")
string(REPLACE "\n" "\r\n" sample "${sample}")
set(sample_file ${CMAKE_CURRENT_BINARY_DIR}/tavrin.ini.sample)
# Written through a copy, so the file changes only when its text does.
file(WRITE ${sample_file}.new "${sample}")
configure_file(${sample_file}.new ${sample_file} COPYONLY)
install(FILES ${sample_file} DESTINATION . COMPONENT program)

# ---- sdk (the headers: packaging/CMakeLists.txt) ----
# Made from the vendor DLL's two exports (dlportio/), so that a 32-bit
# caller's stdcall calls bind the plain names the DLL exports.
install(FILES $<TARGET_LINKER_FILE:dlportio> DESTINATION lib COMPONENT sdk)

# ---- the ZIP archives ----
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(windows_arch win64)
else()
  set(windows_arch win32)
endif()
set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME tavrin)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Moves ID cards through desktop card printers for encoding stations")
set(CPACK_PACKAGE_CONTACT "Tavrin maintainers <maintainers@tavrin.invalid>")
set(CPACK_PACKAGE_FILE_NAME tavrin-${PROJECT_VERSION}-${windows_arch})
# The archives carry the files stripped: the debug information stays in
# the build tree (build/.../bin), which is where a crash is looked into.
set(CPACK_STRIP_FILES ON)
set(CPACK_COMPONENTS_ALL program sdk)
set(CPACK_ARCHIVE_COMPONENT_INSTALL ON)
set(CPACK_ARCHIVE_PROGRAM_FILE_NAME tavrin-${PROJECT_VERSION}-${windows_arch})
set(CPACK_ARCHIVE_SDK_FILE_NAME tavrin-sdk-${PROJECT_VERSION}-${windows_arch})
# No directory of the package's name around the files: the second holds
# for the archives made per component, the first should they ever be one.
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
set(CPACK_COMPONENT_INCLUDE_TOPLEVEL_DIRECTORY OFF)
include(CPack)
