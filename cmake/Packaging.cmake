# CPack: what `cmake --install` puts in place, as a package a user installs. Windows: a zip
# per architecture (unpacked, it is an install prefix). POSIX: a Debian package. The version
# is the project's, as everywhere else.
set(CPACK_PACKAGE_NAME common-win32)
set(CPACK_PACKAGE_VENDOR common-win32)
set(CPACK_PACKAGE_CONTACT "common-win32 developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Windows system routines for installation engines, and cw32, their command-line host")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_RESOURCE_FILE_README ${PROJECT_SOURCE_DIR}/README.md)
if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME common-win32-${PROJECT_VERSION}-windows-${CMAKE_SYSTEM_PROCESSOR})
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION libdevel)
  # The libraries it links (SQLite, Nettle, the C++ runtime) from dpkg-shlibdeps; Boost's
  # headers, which the public headers include, by name.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "libboost-dev (>= 1.74)")
endif()
include(CPack)
