# GoogleTest for the suites: the system's library natively; for the 32-bit build, compiled from
# Debian's googletest sources with the cross compiler. Also the 32-bit build's output convention.
if(WIN32)
  # Every 32-bit program and DLL lands in the build folder itself: FLASH.EXE beside WNASPI32.DLL,
  # as the program expects its ASPI manager, and test programs under Wine find the DLLs they load
  # beside them.
  set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
endif()

if(NOT FLASH_TESTS)
  return()
endif()

if(WIN32)
  # The win32 thread model, like FLASH.EXE: no POSIX threads library. GoogleTest locks with
  # critical sections of its own; its one std::mutex user is replaced through its customisation
  # header (cmake/gtest-win32).
  set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
  # Ahead of GoogleTest's own folders, for GoogleTest and every suite that includes it.
  include_directories(BEFORE ${CMAKE_CURRENT_LIST_DIR}/gtest-win32)
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
  # Third-party code: the project's warnings-as-errors are not its business.
  foreach(lib gtest gtest_main gmock gmock_main)
    target_compile_options(${lib} PRIVATE -w)
  endforeach()
  add_library(flash_gtest INTERFACE)
  target_link_libraries(flash_gtest INTERFACE gtest gmock gtest_main)
else()
  find_package(GTest REQUIRED)
  add_library(flash_gtest INTERFACE)
  target_link_libraries(flash_gtest INTERFACE GTest::gtest GTest::gmock GTest::gtest_main)
endif()

# flash_add_test(NAME name SOURCES ... LIBS ... [LABELS ...])
# One test program per suite, and one CTest test per GoogleTest case ("<program>.<Suite>.<Case>"),
# so that counts are counts of cases and a single case can be rerun with ctest -R. Natively the
# cases are listed right after the link. The 32-bit programs are listed under Wine (the toolchain's
# emulator scripts/wine-run) when CTest starts instead, so that the listing runs on the display
# CTest is given: a listing at build time would start the prefix's wineserver without one, and
# window tests started while it lingers would find no display. The first listing under Wine may
# also create the prefix, hence its long time limit. A program that failed to build shows up as
# one failing test "<program>_NOT_BUILT".
include(GoogleTest)
function(flash_add_test)
  cmake_parse_arguments(T "" "NAME" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} flash_gtest)
  if(CMAKE_CROSSCOMPILING)
    set(discovery DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 300)
  else()
    set(discovery DISCOVERY_MODE POST_BUILD DISCOVERY_TIMEOUT 60)
  endif()
  set(properties)
  if(T_LABELS)
    set(properties PROPERTIES LABELS "${T_LABELS}")
  endif()
  gtest_discover_tests(${T_NAME} TEST_PREFIX "${T_NAME}." NO_PRETTY_TYPES NO_PRETTY_VALUES
                       ${discovery} ${properties})
endfunction()
