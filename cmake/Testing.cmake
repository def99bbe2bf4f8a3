# GoogleTest, and how the Windows test programs run: under Wine, in a prefix of this build's own.
enable_testing()
if(WIN32)
  # Debian ships GoogleTest as sources for exactly this: building it with the cross compiler.
  set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  set(CW32_GTEST GTest::gtest GTest::gmock)
  if(NOT TARGET GTest::gtest)
    add_library(GTest::gtest ALIAS gtest)
    add_library(GTest::gmock ALIAS gmock)
  endif()

  # 64-bit programs run under wine64. 32-bit ones need wine32: wine64 "runs" them by exiting
  # 0 at once, a false pass, so without wine32 the i686 tests are built but not registered.
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    find_program(CW32_WINE NAMES wine64 PATHS /usr/lib/wine NO_DEFAULT_PATH)
  else()
    find_program(CW32_WINE NAMES wine PATHS /usr/lib/wine NO_DEFAULT_PATH)
  endif()
  if(CW32_WINE)
    set(CW32_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
    configure_file(${CMAKE_SOURCE_DIR}/cmake/wine-run.sh.in ${CMAKE_BINARY_DIR}/wine-run.sh @ONLY
                   FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run.sh)
    set(CW32_CAN_RUN_TESTS ON)
  else()
    message(STATUS "No Wine for this architecture: the Windows tests are built but not run")
    set(CW32_CAN_RUN_TESTS OFF)
  endif()
else()
  find_package(GTest REQUIRED)
  set(CW32_GTEST GTest::gtest GTest::gmock)
  set(CW32_CAN_RUN_TESTS ON)
endif()

# cw32_add_test(NAME SOURCES...): one GoogleTest program, registered with ctest when it can run.
function(cw32_add_test name)
  add_executable(${name} ${ARGN})
  target_link_libraries(${name} PRIVATE common-win32 cw32_test_support ${CW32_GTEST} cw32_warnings)
  if(WIN32)
    # -Wl,-Bstatic undoes the -Bdynamic that the global link options end with; without it the
    # C++ runtime would come from libstdc++-6.dll, which the test prefix does not have.
    target_link_options(${name} PRIVATE -static -Wl,-Bstatic)
  endif()
  if(CW32_CAN_RUN_TESTS)
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES TIMEOUT 600)
  endif()
endfunction()
