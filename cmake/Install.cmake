# cmake --install: headers, the library, cw32, the README, a CMake package and (on POSIX) a
# pkg-config file. The packages of cmake/Packaging.cmake hold the same.
include(CMakePackageConfigHelpers)

install(TARGETS common-win32 EXPORT common-win32-targets
        RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
        INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(DIRECTORY common-win32/include/ classlib/include/ DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
if(NOT WIN32)
  install(DIRECTORY winport/include/ DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
endif()
if(CW32_RUNTIME_DLLS)
  install(FILES ${CW32_RUNTIME_DLLS} DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
install(TARGETS cw32 RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})

install(EXPORT common-win32-targets NAMESPACE common-win32::
        DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/common-win32)
configure_package_config_file(cmake/common-win32-config.cmake.in
        ${CMAKE_BINARY_DIR}/common-win32-config.cmake
        INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/common-win32)
write_basic_package_version_file(${CMAKE_BINARY_DIR}/common-win32-config-version.cmake
        COMPATIBILITY SameMinorVersion)
install(FILES ${CMAKE_BINARY_DIR}/common-win32-config.cmake
              ${CMAKE_BINARY_DIR}/common-win32-config-version.cmake
        DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/common-win32)

if(NOT WIN32)
  file(RELATIVE_PATH CW32_PC_TO_PREFIX /prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig /prefix)
  configure_file(cmake/common-win32.pc.in ${CMAKE_BINARY_DIR}/common-win32.pc @ONLY)
  install(FILES ${CMAKE_BINARY_DIR}/common-win32.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
endif()
