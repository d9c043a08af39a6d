# Writes a shim DLL's .def file (cmake -P): its own exports (EXPORTS_FILE), then a forwarder
# "Name = TARGET.Name" for every other function that tools/imports/flash_imports.list (LIST) names
# for the DLL TARGET stands in for (DLL, compared without case). So every import FLASH.EXE may have
# resolves through the shim, and a new import needs only its line in the list.
#   cmake -DLIST=... -DDLL=KERNEL32.dll -DTARGET=KERNEL32 -DEXPORTS_FILE=kernel98.exports -DOUT=... -P make_def.cmake
cmake_minimum_required(VERSION 3.20)
foreach(var LIST DLL TARGET EXPORTS_FILE OUT)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "make_def.cmake: ${var} is not set")
  endif()
endforeach()

file(READ "${EXPORTS_FILE}" own)
file(STRINGS "${EXPORTS_FILE}" own_lines)
set(own_names)
foreach(line IN LISTS own_lines)
  if(line MATCHES "^[ \t]+([A-Za-z_][A-Za-z0-9_@]*)[ \t]*=")
    list(APPEND own_names "${CMAKE_MATCH_1}")
  endif()
endforeach()

string(TOLOWER "${DLL}" dll_lower)
file(STRINGS "${LIST}" list_lines)
set(forwarders "")
set(count 0)
foreach(line IN LISTS list_lines)
  string(REGEX REPLACE "#.*" "" line "${line}")
  if(line MATCHES "^[ \t]*([^ \t]+)[ \t]+([^ \t]+)")
    string(TOLOWER "${CMAKE_MATCH_1}" list_dll)
    set(name "${CMAKE_MATCH_2}")
    if(list_dll STREQUAL dll_lower AND NOT name IN_LIST own_names)
      string(APPEND forwarders "  ${name} = ${TARGET}.${name}\n")
      math(EXPR count "${count} + 1")
    endif()
  endif()
endforeach()
if(count EQUAL 0 AND own_names STREQUAL "")
  message(FATAL_ERROR "make_def.cmake: ${LIST} names nothing from ${DLL}")
endif()

set(text "; Generated from ${EXPORTS_FILE} and ${LIST}: do not edit.\n${own}  ; forwarded to ${TARGET}\n${forwarders}")
# Written only when it changes, so that the DLL is not relinked for nothing.
if(EXISTS "${OUT}")
  file(READ "${OUT}" old)
  if(old STREQUAL text)
    return()
  endif()
endif()
file(WRITE "${OUT}" "${text}")
